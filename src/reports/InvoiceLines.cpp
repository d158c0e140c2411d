#include "reports/InvoiceLines.h"

#include "billing/Payment.h"

#include <algorithm>
#include <array>

namespace orv::reports {
namespace {

using billing::Money;

Money amount(double value) { return Money::fromDouble(value); }
Money kopecks(double value) { return amount(value).roundedToKopecks(); }

// The rounding left between the VAT total and its lines goes to the largest line.
void allocateVat(InvoiceLines& l) {
    std::array<Money*, 4> lines = {&l.feeVat, &l.cityVat, &l.mgVat, &l.penaltyVat};
    Money sum;
    for (const Money* line : lines) sum = sum + *line;
    Money* largest = *std::max_element(lines.begin(), lines.end(),
                                       [](Money* a, Money* b) { return a->abs() < b->abs(); });
    *largest = *largest + (l.vat - sum);
}

}  // namespace

InvoiceLines composeInvoice(const InvoiceBooks& b) {
    InvoiceLines l;
    const double rate = b.vatPercent;
    l.vatPercent = b.vatPercent;
    l.due = billing::amountDue(b.dolg, b.nds).roundedToKopecks();
    l.paid = kopecks(b.paidBefore + b.paidAfter);
    l.carried = kopecks(b.lastDolg + b.paidBefore);
    l.charged = l.due - l.carried + l.paid;

    l.fee = kopecks(b.abPlata);
    l.city = kopecks(b.byTime);
    l.mg = kopecks(b.mg);
    if (b.runKnown) {
        const Money dueAfterRun = amount(b.dolg) + amount(b.nds) + amount(b.paidAfter);
        const Money charges = amount(b.abPlata) + amount(b.byTime) + amount(b.mg);
        const Money penaltyWithVat =
            dueAfterRun - amount(b.lastDolg) - charges - charges.percent(rate);
        l.penalty = penaltyWithVat.beforePercent(rate).roundedToKopecks();
    }
    l.net = l.fee + l.city + l.mg + l.penalty;
    l.vat = l.charged - l.net;
    l.feeVat = amount(b.abPlata).percent(rate).roundedToKopecks();
    l.cityVat = amount(b.byTime).percent(rate).roundedToKopecks();
    l.mgVat = amount(b.mg).percent(rate).roundedToKopecks();
    l.penaltyVat = l.penalty.percent(rate).roundedToKopecks();
    allocateVat(l);

    l.dueNet = l.due.beforePercent(rate).roundedToKopecks();
    l.dueVat = l.due - l.dueNet;
    return l;
}

}  // namespace orv::reports
