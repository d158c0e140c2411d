#pragma once
// The archive of reckoned calls: the debt run moves every call it retires from DESTTAR into
// Archive/Calls.db of the data folder, one table per month of the calls' dates
// ("DESTTAR_2026_03"), each call with the category and tariff it was priced at and its cost, or,
// when no tariff priced it, the reason; with the run that moved it and its rowid in DESTTAR.
//
// The run's final transaction already holds as many files as SQLite attaches, so the run moves
// its calls in two steps: inside its transaction into a queue table of the connection's main
// file (always part of a transaction), and after its commit from the queue into the archive's
// month tables, in a transaction of its own. Every reader of the archive, and the next run,
// first finishes a move that was cut short. A call is so always in exactly one of DESTTAR, the
// queue and the archive.
//
// A call charged under several categories of its number (a number with several accounts) has a
// row for each category, priced at it; it is still one call: counted once, listed once and put
// back into DESTTAR once, told apart by RunId and CallRowid.
//
// Months are kept "Архив", "Хранить месяцев" of the settings store (36 when not set); older
// months are dropped only by dropArchiveBefore, which the commands call after the operator
// confirms. A restore of the tables from before a run takes that run's calls back into DESTTAR
// (returnArchivedCalls), so the run's snapshot needs no copy of DESTTAR.
//
// Errors are orv::Error with the engine's message; refusals carry the operator's message.

#include <QDate>
#include <QList>
#include <QString>

namespace orv::db {
class Database;
class RowBound;
}  // namespace orv::db
namespace orv::core {
class SettingsStore;
}

namespace orv::billing {

struct ArchiveMonth {
    QDate month;       // first day
    qint64 calls = 0;  // distinct calls
    qint64 bytes = 0;  // pages of the month's table and its indexes
};

QString archiveFolder(const db::Database& db);
QString archiveFilePath(const db::Database& db);
// "DESTTAR_YYYY_MM" of the month of date.
QString archiveTableName(const QDate& date);
int archiveMonthsToKeep(const core::SettingsStore& store);
// The first month kept on today: months before it are beyond the keeping time.
QDate firstKeptMonth(const core::SettingsStore& store, const QDate& today);

// The archive file attached to the database's connection for as long as it lives, created when
// missing, with the queued calls moved into it; it must be constructed outside a transaction.
class ArchiveAttachment {
  public:
    explicit ArchiveAttachment(db::Database& db);
    ~ArchiveAttachment();
    ArchiveAttachment(const ArchiveAttachment&) = delete;
    ArchiveAttachment& operator=(const ArchiveAttachment&) = delete;

    const QString& schema() const { return schema_; }
    // "schema"."DESTTAR_YYYY_MM"
    QString table(const QDate& month) const;
    bool holdsMonth(const QDate& month) const;

  private:
    db::Database& db_;
    QString schema_;
};

// Why the unbilled calls of DESTTAR are not priced, kept in a temporary table of the connection
// for retireCalls; returns their number. Run before the run's bound and transaction (it reads the
// tariff tables).
qint64 noteUnbilledReasons(db::Database& db);
// Indexes the priced tables of the pipelines by call so that retireCalls finds each call's
// price. Outside a transaction, after the pipelines.
void indexPricedCalls(db::Database& db);

// Inside the run's transaction: copies the bounded calls dated before cutOff into the queue with
// their prices and reasons, marked with runId. The caller deletes them from DESTTAR in the same
// transaction. Returns the number of calls queued (each once, whatever its categories).
qint64 queueRetiredCalls(db::Database& db, const db::RowBound& calls, const QDate& cutOff,
                         const QString& runId);
// Outside a transaction: moves the queued calls, if any, into the archive.
void finishArchiveMove(db::Database& db);

// Inside a transaction that includes DESTTAR: moves every call archived by runs from runId on
// back into DESTTAR (with its rowid when that is free; on a server as new rows, in the order the
// calls were stored). Returns the number of calls moved.
qint64 returnArchivedCalls(db::Database& db, const ArchiveAttachment& archive,
                           const QString& runId);
// Inside a transaction: removes the archived calls of runs from runId on (their rows are back in
// DESTTAR by other means).
void forgetArchivedCalls(db::Database& db, const ArchiveAttachment& archive, const QString& runId);

// The archived months, oldest first; none when there is no archive.
QList<ArchiveMonth> listArchive(db::Database& db);
// Drops every archived month before month; returns the months dropped.
QList<QDate> dropArchiveBefore(db::Database& db, const QDate& month);
// The question the drop commands ask first: "Удалить архив разговоров до MM.YYYY?".
QString dropQuestion(const QDate& month);

}  // namespace orv::billing
