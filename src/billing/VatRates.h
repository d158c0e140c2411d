#pragma once
// The VAT rates by date: NdsRates.db of OrvantaStandard, one row per rate with the first day it
// applies from. A service is charged at the rate in force on the first day of the month it is
// delivered in. The table is created with the rates of the law when first needed (18 % from
// 01.01.2004, 20 % from 01.01.2019, 22 % from 01.01.2026); the operator adds or replaces rows.
//
// Errors are orv::Error: Error(Conversion) for a percent outside 0..100 (nothing stored),
// Error(Refused) kNoVatRate for a month before the first row.

#include <QDate>
#include <QList>
#include <QString>

namespace orv::db {
class Database;
}

namespace orv::billing {

struct VatRate {
    QDate from;
    double percent = 0;
};

// The rates of the law, the seed of a new table.
const QList<VatRate>& statutoryVatRates();

// Creates NdsRates.db with the statutory rates when it is missing. Requires: no transaction open.
void ensureVatRates(db::Database& db);

class VatRates {
  public:
    explicit VatRates(QList<VatRate> rates);
    // Reads the table (creating it when missing). Requires: no transaction open.
    static VatRates read(db::Database& db);

    // The percent in force on date; Error(Refused) when no row applies yet.
    double percentOn(const QDate& date) const;
    // In start-date order.
    const QList<VatRate>& rates() const { return rates_; }

  private:
    QList<VatRate> rates_;
};

// Adds the rate from that date, or replaces the one that starts on it.
void setVatRate(db::Database& db, const QDate& from, double percent);

// "22" for 22 %, "18,5" with the locale's separator for a fraction.
QString vatPercentText(double percent);

}  // namespace orv::billing
