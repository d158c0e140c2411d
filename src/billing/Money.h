#pragma once
// A currency amount in fixed point with four decimal places, for the arithmetic of payments, the
// payment view and the invoice. The tables hold money as floats; an amount read from a table
// becomes a Money through fromDouble(), which rounds to the nearest 0.0001 (halves away from
// zero), and all sums and differences are then exact. toDouble() gives the float to store.
//
// parse() reads an amount as an operator types it, with '.' or the locale's decimal separator;
// it throws Error(Conversion) for a text that is no amount or lies outside the range of the
// type (about +-922 trillion). Formatting always takes the locale as an argument.

#include <QLocale>
#include <QString>
#include <compare>
#include <cstdint>

namespace orv::billing {

class Money {
  public:
    static constexpr qint64 kScale = 10000;  // units per whole currency unit

    constexpr Money() = default;
    static constexpr Money fromUnits(qint64 units) { return Money(units); }
    // Rounds to the nearest 0.0001; throws Error(Conversion) for a value that is not finite or
    // lies outside the range.
    static Money fromDouble(double value);
    // Either '.' or ',' (or the locale's separator) parts the decimals; otherwise
    // Error(Conversion) "'<text>' не денежная сумма".
    static Money parse(const QString& text, const QLocale& locale);

    constexpr qint64 units() const { return units_; }
    double toDouble() const { return double(units_) / double(kScale); }

    // Rounded to whole kopecks (hundredths), halves away from zero.
    Money roundedToKopecks() const;
    // The given percent of the amount ("VAT of a line"), rounded to 0.0001.
    Money percent(double rate) const;
    // The amount that with the given percent added makes this one ("net of VAT"), rounded to
    // 0.0001.
    Money beforePercent(double rate) const;
    // Whole kopecks, for a payment order; requires: rounded to kopecks.
    constexpr qint64 kopecks() const { return units_ / (kScale / 100); }
    // Russian format with two decimals whatever the machine's locale: "2 046,34" (the group
    // separator a no-break space), "-50,40".
    QString toRussianString() const;
    // Two decimals with '.', no group separators: "2046.34", for CSV.
    QString toKopeckString() const;

    // Currency format of the locale (its symbol, its usual two decimals).
    QString toCurrencyString(const QLocale& locale) const;
    // The exact value with '.' and no trailing zeros ("-50.4", "200"), for CSV and messages.
    QString toPlainString() const;

    constexpr Money operator+(Money other) const { return Money(units_ + other.units_); }
    constexpr Money operator-(Money other) const { return Money(units_ - other.units_); }
    constexpr Money operator-() const { return Money(-units_); }
    constexpr Money abs() const { return Money(units_ < 0 ? -units_ : units_); }
    constexpr auto operator<=>(const Money&) const = default;

  private:
    constexpr explicit Money(qint64 units) : units_(units) {}
    qint64 units_ = 0;
};

}  // namespace orv::billing
