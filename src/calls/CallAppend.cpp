#include "calls/CallAppend.h"

#include "calls/SpeedIndexes.h"
#include "core/Error.h"
#include "core/TestHooks.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "db/Transaction.h"

namespace orv::calls {
namespace {

const QString kStaging = QStringLiteral("orv_import");
// The work lock of an append to DESTTAR, shared by every seat of a server.
constexpr qint64 kAppendLock = qint64(0x4F5243) << 32;

}  // namespace

CallStaging::CallStaging(db::Database& db)
    : db_(db),
      destination_(db.qualified(QStringLiteral("DESTTAR"))),
      staging_(db.temporaryTable(kStaging)) {
    db_.execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(staging_));
    db_.execute(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT * FROM %2 LIMIT 0")
                    .arg(staging_, destination_));
}

CallStaging::~CallStaging() {
    insert_.reset();
    batch_.reset();
    try {
        db_.execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(staging_));
    } catch (const Error&) {
        // Goes with the connection.
    }
}

void CallStaging::add(const QVariantList& row) {
    if (!batch_) {
        batch_ = std::make_unique<db::Transaction>(db_, QStringList());
        if (!insert_)
            insert_.emplace(db_.statement(
                QStringLiteral("INSERT INTO %1 VALUES (?,?,?,?,?,?,?,?,?)").arg(staging_)));
    }
    for (int i = 0; i < row.size(); ++i) insert_->bind(i + 1, row[i]);
    insert_->run();
    insert_->reset();
    ++staged_;
}

void CallStaging::flush() {
    if (!batch_) return;
    batch_->commit();
    batch_.reset();
}

bool CallStaging::allPresent() {
    flush();
    // Set-wise, in one statement: EXCEPT compares NULLs as equal, where a per-row search with =
    // would miss every call whose Code or CodeForeign is empty.
    db::Statement fresh = db_.statement(
        QStringLiteral("SELECT CASE WHEN EXISTS (SELECT * FROM %1 EXCEPT SELECT * FROM %2) "
                       "THEN 1 ELSE 0 END")
            .arg(staging_, destination_));
    fresh.step();
    return fresh.columnInt(0) == 0;
}

qint64 CallStaging::removeDatedBefore(const QDate& day) {
    flush();
    db::Statement remove =
        db_.statement(QStringLiteral("DELETE FROM %1 WHERE Date_of_call < ?").arg(staging_));
    remove.bind(1, day.toString(Qt::ISODate));
    const qint64 removed = remove.run();
    staged_ -= removed;
    return removed;
}

qint64 CallStaging::removePresent() {
    ensureCallIndex(db_);
    // Row by row through DESTTAR's index: the columns every importer fills compare by =, which
    // both engines look up in the index; the others may be empty, and empty equals empty. The
    // staged rows are thinned in place, so that no second copy of them is held.
    static const QStringList filled = {QStringLiteral("AbNumber"), QStringLiteral("Date_of_call"),
                                       QStringLiteral("Time_of_call"), QStringLiteral("Cat"),
                                       QStringLiteral("Longivity")};
    QStringList same;
    for (const db::FieldDef& field : db::schema::desttar().fields)
        same.append((filled.contains(field.name) ? QStringLiteral("d.%1 = s.%1")
                                                 : QStringLiteral("d.%1 IS NOT DISTINCT FROM s.%1"))
                        .arg(field.name));
    db::Statement remove = db_.statement(
        QStringLiteral("DELETE FROM %1 AS s WHERE EXISTS (SELECT 1 FROM %2 AS d WHERE %3)")
            .arg(staging_, destination_, same.join(QStringLiteral(" AND "))));
    const qint64 removed = remove.run();
    staged_ -= removed;
    return removed;
}

CallStaging::Appended CallStaging::append(bool freshOnly, const std::function<void()>& allThere) {
    flush();
    // One seat at a time decides what is new and appends it, so that two seats loading one file
    // add its calls once; the collector's own inserts are never held up. DESTTAR is read, then
    // written: its write lock is taken first, or a debt run committing meanwhile would meet this
    // append in a deadlock that SQLite reports at once as "database is locked".
    db::Transaction transaction(db_, {QStringLiteral("DESTTAR")}, db::Transaction::Lock::Immediate);
    db_.lockWork(kAppendLock, QStringLiteral("Загрузка разговоров уже выполняется на другом "
                                             "рабочем месте; повторите позже"));
    if (allThere && allPresent()) allThere();
    if (freshOnly) removePresent();
    Appended appended;
    {
        db::Statement totals = db_.statement(
            QStringLiteral("SELECT count(*), CAST(coalesce(sum(Longivity), 0) AS BIGINT) FROM %1")
                .arg(staging_));
        totals.step();
        appended.rows = totals.columnInt(0);
        appended.minutes = totals.columnInt(1);
    }
    db_.statement(QStringLiteral("INSERT INTO %1 SELECT * FROM %2").arg(destination_, staging_))
        .run();
    TEST_pausePoint("append-before-commit");
    transaction.commit();
    return appended;
}

}  // namespace orv::calls
