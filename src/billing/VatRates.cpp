#include "billing/VatRates.h"

#include "core/Error.h"
#include "core/Settings.h"
#include "db/Database.h"
#include "db/FieldType.h"
#include "db/Schema.h"
#include "db/Sqlite.h"
#include "db/Transaction.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace orv::billing {
namespace {

const QString kTable = QStringLiteral("NdsRates");
constexpr double kMaxPercent = 100.0;
// The work lock of changing the rates, shared by every seat of a server.
constexpr qint64 kVatRatesLock = qint64(0x4F5256) << 32;

void checkPercent(double percent) {
    if (!std::isfinite(percent) || percent < 0 || percent > kMaxPercent)
        raise(Error::Kind::Conversion,
              QStringLiteral("Ставка НДС должна быть от 0 до 100, задано %1")
                  .arg(vatPercentText(percent)));
}

}  // namespace

const QList<VatRate>& statutoryVatRates() {
    static const QList<VatRate> rates = {
        {QDate(2004, 1, 1), 18.0}, {QDate(2019, 1, 1), 20.0}, {QDate(2026, 1, 1), 22.0}};
    return rates;
}

void ensureVatRates(db::Database& db) {
    if (db.tableExists(kTable)) return;
    db.createTable(db::schema::ndsRates());
    for (const VatRate& rate : statutoryVatRates()) setVatRate(db, rate.from, rate.percent);
}

VatRates::VatRates(QList<VatRate> rates) : rates_(std::move(rates)) {
    std::sort(rates_.begin(), rates_.end(),
              [](const VatRate& a, const VatRate& b) { return a.from < b.from; });
}

VatRates VatRates::read(db::Database& db) {
    ensureVatRates(db);
    QList<VatRate> rates;
    db::Statement read =
        db.statement(QStringLiteral("SELECT Date_from, Percent FROM %1").arg(db.qualified(kTable)));
    while (read.step()) {
        const QDate from = db::fromStorage(read.column(0), db::FieldType::Date).toDate();
        if (from.isValid()) rates.append({from, read.column(1).toDouble()});
    }
    return VatRates(std::move(rates));
}

double VatRates::percentOn(const QDate& date) const {
    const auto after =
        std::upper_bound(rates_.begin(), rates_.end(), date,
                         [](const QDate& d, const VatRate& rate) { return d < rate.from; });
    if (after == rates_.begin())
        raise(Error::Kind::Refused,
              QStringLiteral("Нет ставки НДС на %1: добавьте ее в таблицу ставок НДС")
                  .arg(date.toString(QStringLiteral("dd.MM.yyyy"))));
    return std::prev(after)->percent;
}

void setVatRate(db::Database& db, const QDate& from, double percent) {
    checkPercent(percent);
    if (!from.isValid()) raise(Error::Kind::Conversion, QStringLiteral("Неверная дата ставки НДС"));
    if (!db.tableExists(kTable)) ensureVatRates(db);
    db::Transaction transaction(db, {kTable});
    db.lockWork(kVatRatesLock, QStringLiteral("Ставки НДС уже меняются на другом рабочем месте; "
                                              "повторите позже"));
    const QString table = db.qualified(kTable);
    const QVariant day = db::toStorage(from, db::FieldType::Date);
    db::Statement remove =
        db.statement(QStringLiteral("DELETE FROM %1 WHERE Date_from = ?").arg(table));
    remove.bind(1, day);
    remove.run();
    db::Statement insert = db.statement(
        QStringLiteral("INSERT INTO %1 (Date_from, Percent) VALUES (?, ?)").arg(table));
    insert.bind(1, day);
    insert.bind(2, percent);
    insert.run();
    transaction.commit();
}

QString vatPercentText(double percent) {
    return core::floatToText(percent, QLocale(QLocale::Russian, QLocale::Russia));
}

}  // namespace orv::billing
