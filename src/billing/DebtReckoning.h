#pragma once
// The month-by-month reckoning of one account, as a pure function of plain values: the stored
// debt carried forward with each reckoned month's calls and fee, the optional penalty and the
// VAT. No table is read here; the debt run (DebtRun.cpp) feeds it and stores what it returns.
//
// VAT is charged once: each month adds to the VAT owed only the VAT of what that month adds to
// the debt (calls, fee, penalty), at that month's rate. VAT already owed, or folded into the
// debt by a payment, is never charged again. With one rate and no payment in between this is the
// rate times the whole debt.

#include <QVector>
#include <optional>

namespace orv::billing {

// Month 1 of a run: a debt above the threshold draws a tenth of itself and a fifth of the
// previous reckoning's debt, whatever the penalty percent is.
inline constexpr double kFirstMonthPenaltyRate = 0.1;
inline constexpr double kFirstMonthPreviousDebtRate = 0.2;
inline constexpr double kPenaltyThreshold = 0.01;
// Later months: the percent per day for the days after the 20th, plus the penalty carried from
// two months back, a fifth of the percent times the debt of the month before.
inline constexpr int kPenaltyFreeDays = 20;
inline constexpr double kCarriedPenaltyShare = 0.2;

// The account's DolgTb.db row as the run finds it.
struct StoredDebt {
    double dolg = 0;
    double nds = 0;
    double lastDolg = 0;
    // Its YearMonth is on or after the closing date of the run's first month: that month is
    // already in its debt.
    bool firstMonthReckoned = false;
};

struct MonthCharges {
    int days = 30;          // days of the month, 28 to 31
    double calls = 0;       // the month's call charge
    double fee = 0;         // the month's subscription fee
    double vatPercent = 0;  // the rate in force in the month
};

struct ReckoningRules {
    bool penalty = false;
    double penaltyPercent = 0;  // per day of delay
    bool useNds = true;         // whether the run charges VAT at all
};

struct Reckoning {
    double debt = 0;       // Dolg after the last month, without the VAT owed
    double nds = 0;        // the VAT owed after the last month
    double dueBefore = 0;  // debt and VAT owed before the last month was added: LastDolg
};

// Requires: months is not empty.
Reckoning reckonAccount(const std::optional<StoredDebt>& stored,
                        const QVector<MonthCharges>& months, const ReckoningRules& rules);

}  // namespace orv::billing
