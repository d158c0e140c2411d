#include "utils/HolidayFill.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/FieldType.h"
#include "db/Transaction.h"

#include <QSet>

namespace orv::utils {
namespace {

const QString kPrazdn = QStringLiteral("Prazdn.db");
// The work lock of filling the holidays, shared by every seat of a server.
constexpr qint64 kHolidayFillLock = qint64(0x4F5248) << 32;

QSet<QDate> datesOf(db::Database& db) {
    QSet<QDate> dates;
    db::Statement scan =
        db.statement(QStringLiteral("SELECT PRAZDN_DAY FROM %1").arg(db.qualified(kPrazdn)));
    while (scan.step()) {
        const QDate day = db::fromStorage(scan.column(0), db::FieldType::Date).toDate();
        if (day.isValid()) dates.insert(day);
    }
    return dates;
}

}  // namespace

QList<QDate> fillWeekends(db::Database& db, int year) {
    const QString table = db.canonicalName(kPrazdn);
    db::Transaction transaction(db, {table});
    db.lockWork(kHolidayFillLock, QStringLiteral("Праздники уже заполняются на другом рабочем "
                                                 "месте; повторите позже"));
    if (year < 1 || year > 9999)
        raise(Error::Kind::Conversion, QStringLiteral("Invalid argument to date encode"));
    QSet<QDate> present = datesOf(db);
    db::Statement insert = db.statement(
        QStringLiteral("INSERT INTO %1 (PRAZDN_DAY) VALUES (?)").arg(db.qualified(table)));
    QList<QDate> added;
    for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1)) {
        if (d.dayOfWeek() < Qt::Saturday || present.contains(d)) continue;
        insert.bind(1, db::toStorage(d, db::FieldType::Date));
        insert.run();
        insert.reset();
        present.insert(d);
        added.append(d);
    }
    transaction.commit();
    return added;
}

}  // namespace orv::utils
