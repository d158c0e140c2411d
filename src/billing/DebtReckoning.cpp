#include "billing/DebtReckoning.h"

namespace orv::billing {
namespace {

// The debt after month 1, from the stored row.
double firstMonth(const std::optional<StoredDebt>& stored, double charges,
                  const ReckoningRules& rules) {
    if (!stored) return charges;
    if (stored->firstMonthReckoned) return stored->dolg;
    if (rules.penalty && stored->dolg > kPenaltyThreshold)
        return stored->dolg * (1 + kFirstMonthPenaltyRate) + charges +
               stored->lastDolg * kFirstMonthPreviousDebtRate;
    return stored->dolg + charges;
}

}  // namespace

Reckoning reckonAccount(const std::optional<StoredDebt>& stored,
                        const QVector<MonthCharges>& months, const ReckoningRules& rules) {
    Reckoning r;
    double debt = stored ? stored->dolg : 0.0;
    double nds = stored ? stored->nds : 0.0;
    double carriedPenalty = 0;  // K
    const double p = rules.penaltyPercent;
    for (qsizetype i = 0; i < months.size(); ++i) {
        const MonthCharges& month = months[i];
        const double charges = month.calls + month.fee;
        const double before = debt;
        r.dueBefore = before + nds;
        if (i == 0) {
            debt = firstMonth(stored, charges, rules);
        } else if (rules.penalty) {
            const double next = kCarriedPenaltyShare * p * debt;
            debt =
                (month.days - kPenaltyFreeDays) * p / 100 * debt + debt + carriedPenalty + charges;
            carriedPenalty = next;
        } else {
            debt += charges;
        }
        if (rules.useNds) nds += month.vatPercent / 100 * (debt - before);
    }
    r.debt = debt;
    r.nds = nds;
    return r;
}

}  // namespace orv::billing
