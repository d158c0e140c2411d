// The four-decimal currency type: rounding from the tables' floats, reading amounts as typed in
// two locales, and the plain and currency texts.

#include "billing/Money.h"
#include "core/Error.h"

#include <gtest/gtest.h>
#include <limits>

using orv::Error;
using orv::billing::Money;

TEST(Money, RoundsFloatsToTheNearestTenThousandth) {
    struct Case {
        double value;
        qint64 units;
    } cases[] = {{200.40, 2004000},
                 {0.1 + 0.2, 3000},
                 {100.00049, 1000005},
                 {-50.40, -504000},
                 {33.400000000000006, 334000},
                 {0.00004, 0},
                 {-0.00005, -1},
                 {1e12, 10000000000000000}};
    for (const Case& c : cases) EXPECT_EQ(Money::fromDouble(c.value).units(), c.units) << c.value;
    EXPECT_THROW(Money::fromDouble(std::numeric_limits<double>::infinity()), Error);
    EXPECT_THROW(Money::fromDouble(1e300), Error);
}

TEST(Money, ParsesAmountsWithEitherDecimalSeparator) {
    constexpr qint64 kRefused = std::numeric_limits<qint64>::min();
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QLocale c = QLocale::c();
    struct Case {
        const char* text;
        const QLocale& locale;
        qint64 units;  // kRefused: refused
    } cases[] = {
        {"150", c, 1500000},
        {"150.5", c, 1505000},
        {"150,5", russian, 1505000},
        {"150.5", russian, 1505000},
        {" 0,0001 ", russian, 1},
        {"1.23456", c, 12346},
        {"-3", c, -30000},
        {"+3", c, 30000},
        {".5", c, 5000},
        {"", c, kRefused},
        {"abc", c, kRefused},
        {"150,5", c, 1505000},
        {"1,5,0", c, kRefused},
        {"1 000", russian, kRefused},
        {"1.2.3", c, kRefused},
        {"12a", c, kRefused},
        {"-", c, kRefused},
        {"99999999999999999999", c, kRefused},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.text);
        if (t.units == kRefused) {
            EXPECT_THROW(Money::parse(QString::fromUtf8(t.text), t.locale), Error);
        } else {
            EXPECT_EQ(Money::parse(QString::fromUtf8(t.text), t.locale).units(), t.units);
        }
    }
}

TEST(Money, ExactArithmeticAndTexts) {
    const Money due = Money::fromDouble(167.00) + Money::fromDouble(33.40);
    EXPECT_EQ(due, Money::fromUnits(2004000));
    EXPECT_EQ((due - Money::fromDouble(150)).toPlainString(), QStringLiteral("50.4"));
    EXPECT_EQ((Money::fromDouble(150) - due).toPlainString(), QStringLiteral("-50.4"));
    EXPECT_EQ(Money::fromUnits(1).toPlainString(), QStringLiteral("0.0001"));
    EXPECT_EQ(Money().toPlainString(), QStringLiteral("0"));
    EXPECT_DOUBLE_EQ((due - Money::fromDouble(150)).toDouble(), 50.4);
    EXPECT_EQ(due.toCurrencyString(QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("$200.40"));
    EXPECT_TRUE(due.toCurrencyString(QLocale(QLocale::Russian, QLocale::Russia))
                    .startsWith(QStringLiteral("200,40")));
}

// VAT of a line and the net of an amount with VAT: exact to 0.0001, halves away from zero, also
// for credits; parting an amount and adding the VAT back gives the amount.
TEST(Money, PercentAndAmountBeforePercent) {
    EXPECT_EQ(Money::fromDouble(67.00).percent(20), Money::fromDouble(13.40));
    EXPECT_EQ(Money::fromDouble(0.025).percent(20).roundedToKopecks(), Money::fromDouble(0.01));
    EXPECT_EQ(Money::fromUnits(5).percent(10), Money::fromUnits(1));
    EXPECT_EQ(Money::fromUnits(-5).percent(10), Money::fromUnits(-1));
    EXPECT_EQ(Money::fromDouble(164.40).beforePercent(20), Money::fromDouble(137.00));
    EXPECT_EQ(Money::fromDouble(-12.00).beforePercent(20), Money::fromDouble(-10.00));
    EXPECT_EQ(Money::fromDouble(62.35).beforePercent(22).roundedToKopecks(),
              Money::fromDouble(51.11));
    EXPECT_EQ(Money::fromDouble(100).beforePercent(0), Money::fromDouble(100));
    const Money net = Money::fromDouble(1234.56);
    EXPECT_EQ((net + net.percent(18)).beforePercent(18), net);
}
