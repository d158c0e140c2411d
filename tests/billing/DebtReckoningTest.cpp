// The month-by-month reckoning of one account as plain values: the worked example, VAT charged
// once after a payment folded it into the debt, a catch-up across a change of rate, VAT off, the
// penalty in the first and later months, a credit, and a month already in the debt.

#include "billing/DebtReckoning.h"

#include <gtest/gtest.h>

using namespace orv::billing;

namespace {

struct Case {
    const char* what;
    std::optional<StoredDebt> stored;
    QVector<MonthCharges> months;
    ReckoningRules rules;
    double debt, nds, dueBefore;
};

TEST(DebtReckoning, CarriesTheDebtAndChargesVatOnceAtEachMonthsRate) {
    const ReckoningRules vat{false, 0, true};
    const ReckoningRules penalty{true, 1.0, true};
    const Case cases[] = {
        {"worked example: 100.00 + 20.00 owed, calls 42.00, fee 25.00",
         StoredDebt{100.00, 20.00, 0, false},
         {{31, 42.00, 25.00, 20}},
         vat,
         167.00,
         33.40,
         120.00},
        // The payment left 377.88 with its VAT folded in; only the month's 198.99 draws VAT.
        {"after a partial payment",
         StoredDebt{377.88, 0, 0, false},
         {{30, 173.99, 25.00, 20}},
         vat,
         576.87,
         39.798,
         377.88},
        {"overpaid: a credit carried, its VAT never refunded twice",
         StoredDebt{-36.00, 0, 0, false},
         {{30, 42.00, 25.00, 20}},
         vat,
         31.00,
         13.40,
         -36.00},
        {"catch-up over December 2025 at 20 % and January 2026 at 22 %",
         std::nullopt,
         {{31, 10.00, 90.00, 20}, {31, 5.00, 95.00, 22}},
         vat,
         200.00,
         42.00,
         120.00},
        {"VAT off: the VAT owed stays owed, none added",
         StoredDebt{100.00, 20.00, 0, false},
         {{31, 42.00, 25.00, 20}},
         {false, 0, false},
         167.00,
         20.00,
         120.00},
        {"penalty in month 1: 100 x 1.1 + 50 x 0.2, VAT on the penalty",
         StoredDebt{100.00, 0, 50.00, false},
         {{28, 0, 0, 20}},
         penalty,
         120.00,
         4.00,
         100.00},
        {"no penalty on a debt of exactly 0.01",
         StoredDebt{0.01, 0, 50.00, false},
         {{31, 0, 0, 20}},
         penalty,
         0.01,
         0,
         0.01},
        {"penalty in a 31-day month 2",
         std::nullopt,
         {{30, 100.00, 0, 20}, {31, 0, 0, 20}},
         penalty,
         111.00,
         22.20,
         120.00},
        {"penalty in a 28-day month 2",
         std::nullopt,
         {{31, 100.00, 0, 20}, {28, 0, 0, 20}},
         penalty,
         108.00,
         21.60,
         120.00},
        {"month 1 already in the debt adds nothing",
         StoredDebt{80.00, 16.00, 0, true},
         {{31, 42.00, 25.00, 20}},
         vat,
         80.00,
         16.00,
         96.00},
    };
    for (const Case& c : cases) {
        const Reckoning r = reckonAccount(c.stored, c.months, c.rules);
        EXPECT_NEAR(r.debt, c.debt, 1e-9) << c.what;
        EXPECT_NEAR(r.nds, c.nds, 1e-9) << c.what;
        EXPECT_NEAR(r.dueBefore, c.dueBefore, 1e-9) << c.what;
    }
}

TEST(DebtReckoning, PenaltyCarriedFromTwoMonthsBack) {
    // January 100; February 8 % of it after the 20th, K 0; March 11 % of 108, plus K = 0.2 x 1 x
    // 100 from January.
    const Reckoning r = reckonAccount(
        std::nullopt, {{31, 100.00, 0, 0}, {28, 0, 0, 0}, {31, 0, 0, 0}}, {true, 1.0, true});
    EXPECT_NEAR(r.debt, 108.00 * 1.11 + kCarriedPenaltyShare * 1.0 * 100.00, 1e-9);
    EXPECT_DOUBLE_EQ(r.nds, 0);
}

}  // namespace
