#include "utils/HolidayFill.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/FieldType.h"
#include "db/Table.h"
#include "db/Transaction.h"

#include <QSet>

namespace orv::utils {
namespace {

const QString kPrazdn = QStringLiteral("Prazdn.db");

QSet<QDate> datesOf(db::Database& db) {
    QSet<QDate> dates;
    db::Statement scan(db.connection(),
                       QStringLiteral("SELECT PRAZDN_DAY FROM %1").arg(db.qualified(kPrazdn)));
    while (scan.step()) {
        const QDate day = QDate::fromString(scan.column(0).toString(), Qt::ISODate);
        if (day.isValid()) dates.insert(day);
    }
    return dates;
}

}  // namespace

QList<QDate> fillWeekends(db::Database& db, int year) {
    db::Transaction transaction(db, {kPrazdn});
    db::Table tablePrazdn(db, kPrazdn);
    tablePrazdn.open();
    if (year < 1 || year > 9999)
        raise(Error::Kind::Conversion, QStringLiteral("Invalid argument to date encode"));
    QSet<QDate> present = datesOf(db);
    QList<QDate> added;
    for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1)) {
        if (d.dayOfWeek() < Qt::Saturday || present.contains(d)) continue;
        tablePrazdn.appendRecord({d});
        present.insert(d);
        added.append(d);
    }
    transaction.commit();
    return added;
}

}  // namespace orv::utils
