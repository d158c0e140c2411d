#pragma once
// Table contents for the tests of the call views and the pricing pipelines: rows written as SQL
// value lists through the table store, and the rows of a table as a sorted multiset of texts.

#include "TestSupport.h"
#include "db/Query.h"
#include "db/Schema.h"

#include <QStringList>
#include <algorithm>

namespace orv::test {

// Appends rows to a table; each value list is in the table's column order.
inline void addRows(TempDatabase& t, const QString& table, const QStringList& values) {
    for (const QString& v : values)
        db::Query(t.db(), QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, v)).execute();
}

// A call of DESTTAR: number, ISO date, time, duration, category, and for long-distance calls a
// zone and the two codes.
inline QString call(int number, const char* date, const char* time, int minutes, int cat,
                    const QString& trf = QStringLiteral("NULL"),
                    const QString& code = QStringLiteral("NULL"),
                    const QString& foreign = QStringLiteral("NULL"), int dialled = 5550000) {
    return QStringLiteral("%1, '%2', '%3', %4, %5, %6, %7, %8, %9")
        .arg(number)
        .arg(QLatin1String(date), QLatin1String(time))
        .arg(minutes)
        .arg(cat)
        .arg(dialled)
        .arg(code, foreign, trf);
}

// Every row of a table (or of any selecting statement), sorted, as display texts joined by "|".
inline QStringList sortedRows(TempDatabase& t, const QString& tableOrSelect) {
    const QString sql = tableOrSelect.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)
                            ? tableOrSelect
                            : QStringLiteral("SELECT * FROM %1").arg(tableOrSelect);
    db::Query q(t.db(), sql);
    q.open();
    QStringList rows = rowsOf(q);
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Column names and declared types of a table, "Name:TYPE".
inline QStringList columnsOf(TempDatabase& t, const QString& table) {
    QStringList columns;
    for (const db::FieldDef& f : t.db().fields(table))
        columns.append(f.name + QLatin1Char(':') + db::sqlTypeName(f));
    return columns;
}

// Creates every permanent table empty.
inline void createPermanentTables(TempDatabase& t) {
    for (const db::TableDef& def : db::schema::permanentTables()) t.create(def);
}

}  // namespace orv::test
