#include "billing/DebtJournal.h"

#include "billing/PaymentJournal.h"
#include "db/Database.h"
#include "db/FieldType.h"
#include "db/Schema.h"
#include "db/Sqlite.h"

namespace orv::billing {
namespace {

const QString kTable = QStringLiteral("DolgJournal");

QVariant stored(const QDate& date) { return db::toStorage(date, db::FieldType::Date); }
QDate dateOf(const QVariant& value) { return db::fromStorage(value, db::FieldType::Date).toDate(); }

}  // namespace

void ensureDebtJournal(db::Database& db) {
    ensurePaymentJournal(db);
    if (!db.tableExists(kTable)) db.createTable(db::schema::dolgJournal());
}

qint64 lastJournalledPayment(db::Database& db) {
    // A journal entry is numbered by its row in the table file; on a server by its place in the
    // stored order, so the last is the number of entries, read in the run's own snapshot.
    if (db.isServer()) {
        db::Statement read = db.statement(
            QStringLiteral("SELECT count(*) FROM %1").arg(db.qualified(kPaymentJournal)));
        read.step();
        return read.columnInt(0);
    }
    db::Database own(db.name(), db.folder());
    db::Statement read(own.connection(), QStringLiteral("SELECT coalesce(max(rowid), 0) FROM %1")
                                             .arg(own.qualified(kPaymentJournal)));
    read.step();
    return read.columnInt(0);
}

void appendDebtJournal(db::Database& db, const RunRecord& record) {
    db::Statement insert =
        db.statement(QStringLiteral("INSERT INTO %1 (YearMonth, LastYearMonth, Date_of_run, "
                                    "Time_of_run, Months, NdsPercent, LastPane) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?)")
                         .arg(db.qualified(kTable)));
    insert.bind(1, stored(record.yearMonth));
    insert.bind(2, stored(record.lastYearMonth));
    insert.bind(3, stored(record.date));
    insert.bind(4, db::toStorage(record.time, db::FieldType::Time));
    insert.bind(5, record.months);
    insert.bind(6, record.ndsPercent);
    insert.bind(7, record.lastPane);
    insert.run();
}

QList<RunRecord> readDebtJournal(db::Database& db) {
    QList<RunRecord> runs;
    if (!db.tableExists(kTable)) return runs;
    db::Statement read =
        db.statement(QStringLiteral("SELECT YearMonth, LastYearMonth, Date_of_run, Time_of_run, "
                                    "Months, NdsPercent, LastPane FROM %1 ORDER BY %2")
                         .arg(db.qualified(kTable), db.rowIdentity()));
    while (read.step()) {
        RunRecord r;
        r.yearMonth = dateOf(read.column(0));
        r.lastYearMonth = dateOf(read.column(1));
        r.date = dateOf(read.column(2));
        r.time = db::fromStorage(read.column(3), db::FieldType::Time).toTime();
        r.months = int(read.columnInt(4));
        r.ndsPercent = read.column(5).toDouble();
        r.lastPane = read.columnInt(6);
        runs.append(r);
    }
    return runs;
}

std::optional<RunRecord> lastRunTo(const QList<RunRecord>& runs, const QDate& yearMonth) {
    for (auto it = runs.crbegin(); it != runs.crend(); ++it)
        if (it->yearMonth == yearMonth) return *it;
    return std::nullopt;
}

}  // namespace orv::billing
