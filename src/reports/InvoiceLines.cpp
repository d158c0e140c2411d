#include "reports/InvoiceLines.h"

#include "billing/Payment.h"

#include <algorithm>
#include <array>

namespace orv::reports {
namespace {

using billing::Money;

Money kopecks(double value) { return Money::fromDouble(value).roundedToKopecks(); }

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
    const double rate = b.vatPercent / 100;
    l.vatPercent = b.vatPercent;
    l.due = billing::amountDue(b.dolg, b.nds).roundedToKopecks();
    l.paid = kopecks(b.paidBefore + b.paidAfter);
    l.carried = kopecks(b.lastDolg + b.paidBefore);
    l.charged = l.due - l.carried + l.paid;

    l.fee = kopecks(b.abPlata);
    l.city = kopecks(b.byTime);
    l.mg = kopecks(b.mg);
    if (b.runKnown) {
        const double dueAfterRun = b.dolg + b.nds + b.paidAfter;
        const double penaltyWithVat =
            dueAfterRun - b.lastDolg - (b.abPlata + b.byTime + b.mg) * (1 + rate);
        l.penalty = kopecks(penaltyWithVat / (1 + rate));
    }
    l.net = l.fee + l.city + l.mg + l.penalty;
    l.vat = l.charged - l.net;
    l.feeVat = kopecks(b.abPlata * rate);
    l.cityVat = kopecks(b.byTime * rate);
    l.mgVat = kopecks(b.mg * rate);
    l.penaltyVat = kopecks(l.penalty.toDouble() * rate);
    allocateVat(l);

    l.dueNet = kopecks(l.due.toDouble() / (1 + rate));
    l.dueVat = l.due - l.dueNet;
    return l;
}

}  // namespace orv::reports
