#pragma once
// Translation of the program's local SQL dialect into SQLite SQL, on tokens.
//
// The local dialect is what the program's stored statements are written in: string literals in
// double quotes ("YES"), `x <>ALL (subquery)` and `x =ANY (subquery)`, table names with or
// without ".db" and in any case, dates written as dd.mm.yyyy literals, times as "00:00",
// Cyrillic column aliases unquoted, named parameters (":DateFrom"). A DialectStatement parses
// one statement once; render() then produces the SQLite text, asking the caller how each table
// reference is to be written (so the table store can attach the table's file first).
//
// Errors: a text that cannot be translated throws orv::Error of kind Dialect whose message says
// what is wrong and where ("строка 2, позиция 14").

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace orv::db {

enum class StatementKind {
    Select,
    Insert,
    Update,
    Delete,
    CreateTable,
    DropTable,
    CreateIndex,
    DropIndex,
    Other
};

// The engine a statement is rendered for: the table files, or a PostgreSQL server.
enum class SqlTarget { Sqlite, Postgres };

// How a statement uses a table it names.
enum class TableUse { Read, Write, Create, Drop };

struct TableRef {
    QString name;  // as written, without a ".db" extension
    TableUse use = TableUse::Read;
};

// One column of the outermost select list (of the first SELECT of a compound statement).
struct SelectColumn {
    QString alias;     // AS name or the bare alias after the expression; empty when none
    QString function;  // upper-case name when the expression is one call: MAX, MIN, COUNT, SUM, AVG
    QString qualifier;  // table alias of a plain column reference (or of the function's argument)
    QString column;     // column name of a plain reference (or of the function's single argument)
    bool arithmetic = false;  // the expression contains + - * / outside a function's parentheses
    bool star = false;        // * or qualifier.*
};

class DialectStatement {
  public:
    explicit DialectStatement(const QString& localSql);  // throws Error(Dialect)
    ~DialectStatement();
    DialectStatement(DialectStatement&&) noexcept;
    DialectStatement& operator=(DialectStatement&&) noexcept;

    StatementKind kind() const;
    // The statement's leading keyword in upper case ("SELECT", "PRAGMA", "ATTACH" ...).
    QString keyword() const;
    bool isSelecting() const { return kind() == StatementKind::Select; }

    // Every table reference, in order of appearance, each name once (first use wins, except that
    // a Write/Create/Drop use replaces a Read use of the same name).
    const QList<TableRef>& tables() const;

    // Distinct parameter names without the colon, in order of first appearance.
    const QStringList& parameters() const;

    // Outermost select list; empty for other statements.
    const QList<SelectColumn>& selectColumns() const;

    // Table aliases of the outermost FROM list: alias (or the table name itself) -> table name
    // as written without ".db". Keys compared without regard to case by the caller.
    QList<QPair<QString, QString>> fromAliases() const;

    // SQLite text of the statement, without a trailing ';'. tableSql is called for every table
    // reference and returns what to write in its place (for instance "\"DESTTAR\".\"DESTTAR\"").
    // Parameters stay as ":Name" for SQLite; for the server they become $1, $2 ... in the order
    // of parameters().
    QString render(const std::function<QString(const TableRef&)>& tableSql,
                   SqlTarget target = SqlTarget::Sqlite) const;

    // Line and position, as written, of the token at offset in the text render() gives for the
    // same tableSql; the end of the statement for a negative offset (an unfinished statement).
    QPair<int, int> sourcePosition(qsizetype offset,
                                   const std::function<QString(const TableRef&)>& tableSql) const;

  private:
    // render(); starts, when given, receives each token's offset in the text (-1 if dropped).
    QString renderTracking(const std::function<QString(const TableRef&)>& tableSql,
                           QList<qsizetype>* starts, SqlTarget target = SqlTarget::Sqlite) const;

    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace orv::db
