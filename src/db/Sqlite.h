#pragma once
// A small RAII layer over the sqlite3 C API. A Connection owns its sqlite3 handle, a Statement
// its prepared statement; both release them in their destructors. Values are always bound,
// never spliced into SQL text. Every failure throws orv::Error of kind Engine with a message the
// operator can read (a busy table, a constraint, a missing table).
//
// A Statement may also run on a PostgreSQL server (PgConnection.h): the same calls then go to
// the server, so that the program's statements are written once for both engines.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace orv::db {

class PgConnection;
class PgStatement;

class Connection {
  public:
    // Create: the file is created when missing; Existing: it must exist; ReadOnly: it must exist
    // and is never written. ":memory:" opens an empty database in memory.
    enum class Open { Create, Existing, ReadOnly };

    // Opens the SQLite file at path as the main database. Busy tables are waited for a few
    // seconds before "table is locked" is raised.
    explicit Connection(const QString& path, Open mode = Open::Create);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }

    // Runs SQL without results (one or more statements, nothing bound).
    void exec(const QString& sql);
    qint64 changes() const;
    qint64 lastInsertRowid() const;
    bool inTransaction() const;
    void setBusyTimeout(int milliseconds);

    // Where in the SQL text (in characters) the last failure was found; -1 when the engine
    // does not say. Requires: sql is the text of the statement that failed.
    qsizetype lastErrorOffset(const QString& sql) const;
    // Builds the program's error for the last failure of this connection.
    [[noreturn]] void fail(int code, const QString& context = {}) const;
    // The engine's extended result code and own text of the last failure raised by this
    // connection, for callers that tell a busy table or a damaged file from other failures.
    int lastFailureCode() const { return lastFailureCode_; }
    const QString& lastFailureText() const { return lastFailureText_; }

    // Runs SQL like exec(), but returns false instead of raising when a table is busy or locked.
    bool tryExec(const QString& sql);

    // The pages of the main database, as one image (SQLite's serialization).
    QByteArray pages() const;
    // Replaces the main database by a read-only copy of an image pages() made.
    void openPages(const QByteArray& image);

  private:
    sqlite3* db_ = nullptr;
    mutable int lastFailureCode_ = 0;
    mutable QString lastFailureText_;
};

// A transaction on one connection outside the table store (a file being built): the destructor
// rolls back unless commit() ran. Work on a Database's tables takes db::Transaction instead.
class ConnectionTransaction {
  public:
    explicit ConnectionTransaction(Connection& connection);
    ~ConnectionTransaction();
    ConnectionTransaction(const ConnectionTransaction&) = delete;
    ConnectionTransaction& operator=(const ConnectionTransaction&) = delete;

    void commit();

  private:
    Connection& connection_;
    bool done_ = false;
};

// Calls callback(context) every `steps` virtual-machine steps of the connection's statements
// while it lives; a non-zero return interrupts the statement.
class ProgressHandler {
  public:
    ProgressHandler(Connection& connection, int steps, int (*callback)(void*), void* context);
    ~ProgressHandler();
    ProgressHandler(const ProgressHandler&) = delete;
    ProgressHandler& operator=(const ProgressHandler&) = delete;

  private:
    Connection& connection_;
};

class Statement {
  public:
    Statement(Connection& connection, const QString& sql);
    // A statement on the server: sql uses $1, $2 ...; names are the parameters' names in order.
    Statement(PgConnection& connection, const QString& sql, const QStringList& names = {});
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;

    // Binds by name (":Name", the colon optional) or by 1-based position. A null QVariant binds
    // NULL; qint64/int bind integers, double floats, everything else text.
    void bind(const QString& name, const QVariant& value);
    void bind(int position, const QVariant& value);
    int parameterCount() const;
    QString parameterName(int position) const;  // without the colon

    // Steps once; true when a row is available.
    bool step();
    // Steps to the end of a non-selecting statement; returns the rows it changed.
    qint64 run();
    void reset();
    void clearBindings();

    int columnCount() const;
    QString columnName(int i) const;
    QString columnDeclType(int i) const;  // empty for an expression
    QVariant column(int i) const;         // qint64, double, QString or null
    qint64 columnInt(int i) const;
    bool columnIsNull(int i) const;

    // Binds bytes as they are, without conversion: text in UTF-8 or UTF-16 (native order), or a
    // blob. The bytes are copied.
    enum class Bytes { Utf8, Utf16, Blob };
    void bindBytes(int position, const QByteArray& bytes, Bytes kind);
    // Runs a non-selecting statement; returns 0 when it ran, or the extended result code of a
    // constraint it broke (the statement is reset). Other failures raise.
    int runUnlessConstraint();

    sqlite3_stmt* handle() const { return stmt_; }

  private:
    Connection* connection_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    std::unique_ptr<PgStatement> server_;
};

// The operator's message for an engine failure: the program's Russian words for the result
// code (and for the statement faults the engine reports as plain errors: syntax, a missing
// column or table), the engine's own text after them.
QString readableEngineMessage(int code, const QString& engineText);

// Replaces the contents of the SQLite file at target (created when missing) by those of the file
// at source, page for page, in one transaction of target (SQLite's online backup): a kill or a
// failed write leaves target as it was, and every connection sees the new contents at its next
// read. A target locked by another connection is waited for as long as a busy table is.
void replaceFileContents(const QString& source, const QString& target);

// Copies every page of the attached database `schema` of from into main of to (SQLite's online
// backup). Returns false when either side is busy or locked; other failures raise, with context.
bool copyPages(Connection& to, Connection& from, const QString& schema, const QString& context);

// Quotes an identifier for SQLite ("name" with embedded quotes doubled).
QString quoteIdentifier(const QString& name);

}  // namespace orv::db
