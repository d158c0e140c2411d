#include "calls/CallAppend.h"

#include "calls/SpeedIndexes.h"
#include "core/Error.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "db/Transaction.h"

namespace orv::calls {
namespace {

const QString kStaging = QStringLiteral("orv_import");

}  // namespace

CallStaging::CallStaging(db::Database& db)
    : db_(db), destination_(db.qualified(QStringLiteral("DESTTAR"))) {
    db_.connection().exec(
        QStringLiteral(
            "DROP TABLE IF EXISTS temp.%1; CREATE TEMP TABLE %1 AS SELECT * FROM %2 WHERE 0")
            .arg(kStaging, destination_));
}

CallStaging::~CallStaging() {
    insert_.reset();
    batch_.reset();
    try {
        db_.connection().exec(QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(kStaging));
    } catch (const Error&) {
        // Goes with the connection.
    }
}

void CallStaging::add(const QVariantList& row) {
    if (!batch_) {
        batch_ = std::make_unique<db::Transaction>(db_, QStringList());
        if (!insert_)
            insert_.emplace(
                db_.connection(),
                QStringLiteral("INSERT INTO temp.%1 VALUES (?,?,?,?,?,?,?,?,?)").arg(kStaging));
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
    db::Statement fresh(db_.connection(),
                        QStringLiteral("SELECT EXISTS (SELECT * FROM temp.%1 EXCEPT "
                                       "SELECT * FROM %2)")
                            .arg(kStaging, destination_));
    fresh.step();
    return fresh.columnInt(0) == 0;
}

qint64 CallStaging::removeDatedBefore(const QDate& day) {
    flush();
    db::Statement remove(
        db_.connection(),
        QStringLiteral("DELETE FROM temp.%1 WHERE Date_of_call < ?").arg(kStaging));
    remove.bind(1, day.toString(Qt::ISODate));
    remove.run();
    const qint64 removed = db_.connection().changes();
    staged_ -= removed;
    return removed;
}

CallStaging::Appended CallStaging::append(bool freshOnly) {
    flush();
    db::Connection& connection = db_.connection();
    if (freshOnly) {
        ensureCallIndex(db_);
        // Row by row through DESTTAR's index over every column; IS takes NULLs as equal. The
        // staged rows are thinned in place, so that no second copy of them is held.
        QStringList same;
        for (const db::FieldDef& field : db::schema::desttar().fields)
            same.append(QStringLiteral("d.%1 IS s.%1").arg(field.name));
        connection.exec(QStringLiteral("DELETE FROM temp.%1 AS s WHERE EXISTS (SELECT 1 FROM %2 "
                                       "AS d WHERE %3)")
                            .arg(kStaging, destination_, same.join(QStringLiteral(" AND "))));
        staged_ -= connection.changes();
    }
    Appended appended;
    {
        db::Statement totals(connection, QStringLiteral("SELECT count(*), CAST(total(Longivity) "
                                                        "AS INTEGER) FROM temp.%1")
                                             .arg(kStaging));
        totals.step();
        appended.rows = totals.columnInt(0);
        appended.minutes = totals.columnInt(1);
    }
    db::Transaction transaction(db_, {QStringLiteral("DESTTAR")});
    connection.exec(
        QStringLiteral("INSERT INTO %1 SELECT * FROM temp.%2").arg(destination_, kStaging));
    transaction.commit();
    return appended;
}

}  // namespace orv::calls
