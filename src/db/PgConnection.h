#pragma once
// The libpq side of our RAII layer, the server counterpart of Sqlite.h. A PgConnection owns
// its PGconn, a PgStatement one statement's results, a PgTransaction its transaction (rolled
// back unless commit() ran), a PgAdvisoryLock one session-level advisory lock. Values are
// always bound as parameters ($1, $2 ... or by the names given), never spliced into text.
//
// Failures throw PgError, an orv::Error of kind Engine carrying the server's SQLSTATE, with
// the program's Russian words for the common faults and the server's own text after them.
// Everything a killed program held (a transaction, an advisory lock) ends with its session on
// the server; nothing is left behind in a table.

#include "core/Error.h"
#include "db/ServerAddress.h"

#include <QStringList>
#include <QVariant>
#include <type_traits>

struct pg_conn;
struct pg_result;

namespace orv::db {

class PgError : public Error {
  public:
    PgError(const QString& message, const QString& sqlState)
        : Error(Kind::Engine, message), sqlState_(sqlState) {}
    const QString& sqlState() const { return sqlState_; }
    // A serialization failure or a deadlock: the transaction may simply be run again.
    bool retryable() const;

  private:
    QString sqlState_;
};

class PgConnection {
  public:
    // Connects (password from ~/.pgpass or PGPASSWORD) and makes the address's schema the one
    // unqualified names resolve in. Refused with the server's reason when it cannot connect.
    explicit PgConnection(const ServerAddress& address);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    pg_conn* handle() const { return conn_; }
    const ServerAddress& address() const { return address_; }

    // Runs SQL without parameters or results (one or more statements).
    void exec(const QString& sql);
    // Runs one statement with positional parameters; returns the rows it changed.
    qint64 execute(const QString& sql, const QVariantList& values = {});
    // The first column of the first row of a selecting statement; null when no row.
    QVariant scalar(const QString& sql, const QVariantList& values = {});

    // Throws the error the result carries, when it is one. Takes ownership of result.
    void check(pg_result* result, const QString& context = {});
    [[noreturn]] void failWith(pg_result* result, const QString& context) const;

  private:
    pg_conn* conn_ = nullptr;
    ServerAddress address_;
};

// One statement, its rows fetched one at a time as step() asks for them.
class PgStatement {
  public:
    // sql uses $1, $2 ...; names, when given, are the parameters' names in that order, for
    // bind by name (case-insensitive).
    PgStatement(PgConnection& connection, const QString& sql, const QStringList& names = {});
    ~PgStatement();
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    void bind(int position, const QVariant& value);  // 1-based
    void bind(const QString& name, const QVariant& value);

    // Sends the statement at the first call; true while a row is available.
    bool step();
    // Runs to the end; returns the rows changed.
    qint64 run();
    // Ends the current run, keeping the bound values, so that the next step() runs it again.
    void reset();

    int parameterCount() const { return int(names_.size()); }
    QString parameterName(int position) const { return names_.value(position - 1); }

    // The columns of the current row, or before the first step of the statement's description.
    int columnCount() const;
    QString columnName(int i) const;
    // The type of a column taken straight from a table, as the table files declare it
    // ("INTEGER", "VARCHAR(20)" ...); empty for an expression.
    QString columnDeclType(int i) const;
    // qint64, double, QString, QDate, QTime, QDateTime or null, by the column's server type.
    QVariant column(int i) const;

  private:
    void send();
    void drain() noexcept;
    const pg_result* shape() const;

    PgConnection* connection_;
    QString sql_;
    QStringList names_;
    QList<QVariant> values_;
    pg_result* row_ = nullptr;
    mutable pg_result* description_ = nullptr;
    bool sent_ = false;
    bool done_ = false;
    qint64 changes_ = 0;
};

class PgTransaction {
  public:
    enum class Isolation { ReadCommitted, RepeatableRead, Serializable };
    explicit PgTransaction(PgConnection& connection,
                           Isolation isolation = Isolation::ReadCommitted);
    ~PgTransaction();
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;
    void commit();

  private:
    PgConnection& connection_;
    bool done_ = false;
};

// How withRetries ends a transaction whose work went through: committed, or rolled back (a
// trial whose changes are only looked at).
enum class Ending { Commit, RollBack };

// Runs work in a transaction of that isolation and commits it (or rolls it back), running it
// again (a few times) when the server gives it up for a serialization failure or a deadlock.
template <typename Work>
auto withRetries(PgConnection& connection, PgTransaction::Isolation isolation, Work work,
                 Ending ending = Ending::Commit) {
    constexpr int kAttempts = 5;
    for (int attempt = 1;; ++attempt) {
        try {
            PgTransaction transaction(connection, isolation);
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                if (ending == Ending::Commit) transaction.commit();
                return;
            } else {
                auto result = work();
                if (ending == Ending::Commit) transaction.commit();
                return result;
            }
        } catch (const PgError& e) {
            if (!e.retryable() || attempt == kAttempts) throw;
        }
    }
}

// A session-level advisory lock, taken at once or refused with the given message; released in
// the destructor, and by the server when the session ends (a killed program holds nothing).
class PgAdvisoryLock {
  public:
    PgAdvisoryLock(PgConnection& connection, qint64 key, const QString& refusal);
    ~PgAdvisoryLock();
    PgAdvisoryLock(const PgAdvisoryLock&) = delete;
    PgAdvisoryLock& operator=(const PgAdvisoryLock&) = delete;

  private:
    PgConnection& connection_;
    qint64 key_;
};

// The text form in which the server receives a value (dates ISO, times HH:MM:SS).
QByteArray pgParameterText(const QVariant& value);

// Quotes an identifier for the server ("name" with embedded quotes doubled).
QString pgQuoteIdentifier(const QString& name);

}  // namespace orv::db
