#pragma once
// A database of the table store: one folder (the folder an alias points to) in which every
// table is one SQLite file, named after the table with the ".db" extension in any case
// ("DESTTAR.db", "AbTab.DB"). The file holds that one table and its indexes.
//
// The Database owns one SQLite connection. Its main database is a private file in the folder
// (".orvanta-main", never a table), so that a transaction over several table files commits
// atomically even across a crash; table files are attached as they are needed, each under a
// schema named after the table. SQLite attaches at most ten files per connection: files not in
// use are detached to make room, and a statement that reads more tables than fit reads the
// surplus from temporary copies, made before the statement is prepared (so outside a
// transaction only).
//
// On a server alias (a postgresql:// address) the same calls work on the tables of the server's
// schema (ServerBackend.h); what only table files have (their paths, attachments, the SQLite
// connection) is refused there with the operator's message.
//
// Names resolve without regard to case and with or without ".db", also on a case-sensitive file
// system; two files that differ only in case are an error naming both. Errors are orv::Error.

#include "db/FieldType.h"
#include "db/Sqlite.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace orv::db {

class DialectStatement;
struct TableRef;
class Aliases;
class PgConnection;
class ServerBackend;

// A statement of the local dialect prepared on a Database, together with the attachments it
// relies on; those stay attached while the PreparedSql lives.
class PreparedSql {
  public:
    PreparedSql(PreparedSql&&) noexcept;
    PreparedSql& operator=(PreparedSql&&) = delete;
    ~PreparedSql();

    Statement& statement() { return statement_; }
    // The SQLite text the statement was prepared from.
    const QString& sql() const { return sql_; }
    const QStringList& parameters() const { return parameters_; }

  private:
    friend class Database;
    PreparedSql(class Database* db, Statement statement, QString sql, QStringList pinned,
                QStringList temps, QStringList parameters);
    Database* db_;
    Statement statement_;
    QString sql_;
    QStringList pinned_;  // canonical table names whose attachment this statement holds
    QStringList temps_;   // temporary copies to drop when done
    QStringList parameters_;
};

class Database {
  public:
    // Opens the database on a folder; the folder must exist ("Папка ... не найдена" otherwise).
    Database(const QString& name, const QString& folder);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The database of an alias ("TarifStandard" on "OrvantaStandard"); a folder that does not
    // exist is refused ("Папка псевдонима ... не найдена"), never created. Scratch folders that
    // killed commands left in it and in the temporary folder are removed (ScratchFolder.h).
    static std::unique_ptr<Database> openAlias(const Aliases& aliases, const QString& alias,
                                               const QString& name = {});

    const QString& name() const { return name_; }
    // The folder, or the server address of a server alias.
    const QString& folder() const { return folder_; }
    bool isServer() const { return server_ != nullptr; }
    // Refuses work that needs table files when the alias is on a server.
    void requireFolder() const { requireFolder(name_, folder_); }
    // The same for an alias and its folder or server address, before anything is opened.
    static void requireFolder(const QString& alias, const QString& location);
    // Closes every attachment and binds the database to another folder.
    void rebind(const QString& folder);

    // Table names of the folder (file names without extension), sorted without regard to case.
    QStringList tableNames() const;
    // File names of the tables, with their extensions as on disk.
    QStringList tableFileNames() const;
    bool tableExists(const QString& name) const;
    // The file exists and holds its table (an empty file left by a killed creation does not).
    // A file that is no table file or whose schema is damaged raises its error.
    bool holdsTable(const QString& name);
    // Canonical name (file name without extension) of an existing table; throws when missing.
    QString canonicalName(const QString& name) const;
    QString tableFilePath(const QString& name) const;

    // Column and index declarations read back from the table's file.
    TableDef tableDef(const QString& name);
    QList<FieldDef> fields(const QString& name) { return tableDef(name).fields; }

    // Creates the table from its declaration, replacing a table of that name (its rows and
    // structure are lost; the file itself is kept so that other connections see the new table).
    // An empty or tableless file of that name is taken over. Inside a transaction the file must
    // exist or be attached already (attachForCreate).
    void createTable(const TableDef& def);
    // Attaches the file of a table that is about to be created or replaced, creating an empty
    // file when there is none, so that the creation can run inside a transaction.
    void attachForCreate(const TableDef& def);
    // The result-set copy in one transaction: the table of def replaced by a new one holding the
    // rows of a selecting statement (bind sets its parameters). A kill or a failed write at any
    // moment leaves the old table or the new one; a new table that fails leaves no file.
    // Returns the number of rows copied.
    qint64 replaceTable(const TableDef& def, const DialectStatement& select,
                        const std::function<void(Statement&)>& bind = {});
    void dropTable(const QString& name);
    void addIndex(const QString& table, const IndexDef& index);

    // Prepares a statement of the local dialect, attaching the tables it names. With an
    // insertTarget a selecting statement is prepared as INSERT INTO insertTarget SELECT ...
    // (an existing table file), or as CREATE TEMP TABLE insertTarget AS SELECT ... (a new
    // temporary table of this connection), which copies its rows without leaving SQLite.
    enum class Target { TableFile, NewTemporary };
    // reserve keeps that many attachment slots free for files the caller attaches next.
    PreparedSql prepare(const DialectStatement& statement, const QString& insertTarget = {},
                        Target targetKind = Target::TableFile, int reserve = 0);
    PreparedSql prepare(const QString& localSql);

    // Detaches every table file that no statement holds, so that a file replaced on disk (a
    // rebuilt table) is read anew at its next use.
    void detachUnused();

    // SQL text that names the table in a statement of this connection ("S"."T"), attaching it;
    // on a server the table's name there.
    QString qualified(const QString& table);
    // The column that tells the rows of a table apart in statement(): SQLite's rowid, or the
    // server's row address (stable while the transaction holds the row).
    QString rowIdentity() const;
    // Takes, for the rest of the current transaction, the lock of one piece of work shared by
    // every seat of a server (one number's payment, the debt run), or refuses with refusal when
    // another seat holds it. Ends with the transaction, or with the session of a killed program.
    // The table files need none: their transaction locks the files.
    void lockWork(qint64 key, const QString& refusal);

    // Attaches a database file that is no table of the folder (created when missing) under
    // schema, held until detachFile(schema): it counts against the attachment limit and is never
    // detached to make room, so a transaction begun later can include it. Outside a transaction.
    void attachFile(const QString& path, const QString& schema);
    void detachFile(const QString& schema);

    // The SQLite connection of a folder; refused on a server alias.
    Connection& connection();
    // The server's session of a server alias.
    PgConnection& serverConnection();

    // A statement written once for both engines: tables named by qualified(), rows by
    // rowIdentity(), positional parameters as "?" (numbered for the server), case-insensitive
    // comparison by COLLATE ORV_NOCASE.
    Statement statement(const QString& engineSql);
    void execute(const QString& engineSql);
    bool inTransaction() const;
    // The engine's name of a temporary table of this session, and the column that numbers the
    // rows of a result kept by prepare(..., Target::NewTemporary) from 1.
    QString temporaryTable(const QString& name) const;
    QString resultRowNumber() const;
    // The marker of the n-th positional parameter in engineSql.
    QString parameterMarker(int n) const;

  private:
    friend class PreparedSql;
    friend class RowBound;
    friend class TableSource;
    struct FolderParts;

    // Binds the reads of a table to a view (empty: to the table again), pinning its attachment.
    void setBound(const QString& canonical, const QString& source);
    qint64 fillTable(const TableDef& def, const QString& canonical, PreparedSql& source,
                     const std::function<void(Statement&)>& bind);
    void removeFileOf(const QString& canonical) noexcept;

    QString name_;
    QString folder_;
    std::unique_ptr<FolderParts> local_;  // the table files' parts; none on a server
    std::unique_ptr<ServerBackend> server_;
    QHash<QString, QString> bounds_;  // canonical lower-case name -> view of its bounded rows
};

}  // namespace orv::db
