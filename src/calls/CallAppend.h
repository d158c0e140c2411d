#pragma once
// The all-or-nothing append of calls to DESTTAR shared by the importers: rows are first staged
// in a temporary table of the connection shaped like DESTTAR, then moved into DESTTAR in one
// transaction, so that a refused file changes nothing. The staging table is dropped when the
// object goes, on every path. On a server alias the same statements run in the server's
// session; the append holds the work lock of call loading, so a second seat loading at that
// moment is refused and the program of collection, which only inserts, never waits.
//
// Errors are orv::Error with the engine's message.

#include "db/Sqlite.h"

#include <QDate>
#include <QVariantList>
#include <functional>
#include <memory>
#include <optional>

namespace orv::db {
class Database;
class Transaction;
}  // namespace orv::db

namespace orv::calls {

class CallStaging {
  public:
    explicit CallStaging(db::Database& db);
    ~CallStaging();
    CallStaging(const CallStaging&) = delete;
    CallStaging& operator=(const CallStaging&) = delete;

    // Stages one call: the nine values in DESTTAR's column order, as stored (ISO date and time).
    void add(const QVariantList& row);
    qint64 staged() const { return staged_; }

    // Drops the staged calls dated before the day; returns how many.
    qint64 removeDatedBefore(const QDate& day);

    struct Appended {
        qint64 rows = 0;
        qint64 minutes = 0;  // their Longivity
    };
    // Appends the staged rows to DESTTAR in one transaction: all of them, or (freshOnly) only
    // those not in DESTTAR yet. allThere, when given, is called inside that transaction when
    // every staged row is in DESTTAR already; it refuses by throwing.
    Appended append(bool freshOnly, const std::function<void()>& allThere = {});

  private:
    void flush();
    // Whether every staged row is already in DESTTAR (NULLs compare equal).
    bool allPresent();
    qint64 removePresent();

    db::Database& db_;
    QString destination_;
    QString staging_;
    std::optional<db::Statement> insert_;
    std::unique_ptr<db::Transaction> batch_;
    qint64 staged_ = 0;
};

}  // namespace orv::calls
