#pragma once
// The journal of debt runs, DolgJournal.db: one row per committed run, written in the run's own
// transaction. It tells the invoice which payments of the payment journal came before a run
// and which after it (LastPane: the last payment journalled when the run took its locks), and
// at which VAT rate the run charged its last month.
//
// A run undone by restoring a snapshot keeps its row; readers take the latest run that reckoned
// up to the date the debt rows hold, so they see the run whose results are in the books.

#include <QDate>
#include <QList>
#include <QTime>
#include <optional>

namespace orv::db {
class Database;
}

namespace orv::billing {

struct RunRecord {
    QDate yearMonth;      // the reckoning date written into DolgTb.db
    QDate lastYearMonth;  // the previous month start
    QDate date;           // when the run committed
    QTime time;
    int months = 0;
    double ndsPercent = 0;  // the rate of its last month; 0 when VAT was not charged
    qint64 lastPane = 0;    // the last payment journalled before it (its rowid), 0 for none
};

// Creates DolgJournal.db and PaneJournal.db when missing. Requires: no transaction open.
void ensureDebtJournal(db::Database& db);
// The rowid of the last payment committed to the journal, 0 for none, read through a connection
// of its own. Inside the run's transaction, which holds DolgTb.db's write lock, it is the last
// payment in the debts the run reads: a payment commits its journal line with its debt change.
// On a server it is the number of entries in the snapshot of the run's transaction.
qint64 lastJournalledPayment(db::Database& db);
// Requires: inside a transaction that holds DolgJournal.
void appendDebtJournal(db::Database& db, const RunRecord& record);

// Every run in the order they committed; empty when the journal does not exist.
QList<RunRecord> readDebtJournal(db::Database& db);
// The latest run that reckoned up to yearMonth.
std::optional<RunRecord> lastRunTo(const QList<RunRecord>& runs, const QDate& yearMonth);

}  // namespace orv::billing
