#pragma once
// The all-or-nothing append of calls to DESTTAR shared by the importers: rows are first staged
// in a temporary table of the connection shaped like DESTTAR, then moved into DESTTAR in one
// transaction, so that a refused file changes nothing. The staging table is dropped when the
// object goes, on every path.
//
// Errors are orv::Error with the engine's message.

#include "db/Sqlite.h"

#include <QDate>
#include <QVariantList>
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

    // Whether every staged row is already in DESTTAR (NULLs compare equal).
    bool allPresent();
    // Drops the staged calls dated before the day; returns how many.
    qint64 removeDatedBefore(const QDate& day);

    struct Appended {
        qint64 rows = 0;
        qint64 minutes = 0;  // their Longivity
    };
    // Appends the staged rows to DESTTAR in one transaction: all of them, or (freshOnly) only
    // those not in DESTTAR yet.
    Appended append(bool freshOnly);

  private:
    void flush();

    db::Database& db_;
    QString destination_;
    std::optional<db::Statement> insert_;
    std::unique_ptr<db::Transaction> batch_;
    qint64 staged_ = 0;
};

}  // namespace orv::calls
