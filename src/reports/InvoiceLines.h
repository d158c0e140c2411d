#pragma once
// The lines of one invoice, composed from the books: the debt row of DolgTb.db, the payments of
// the payment journal and the VAT rate the last run charged. Every amount is in whole kopecks
// and the lines add up on the page:
//
//   carried - paid + charged = due, charged = net + vat, net = fee + city + mg + penalty,
//
// where due is the amount due of the debt row (Dolg + NDS) as the debt view shows it now;
// carried is what was due after the previous run; paid is every payment journalled since then;
// charged is the period's charges with their VAT and the penalty. The VAT of the period takes up
// the rounding of its lines, so the VAT column adds up to its total too.
//
// The penalty is what the last run added beyond the period's charges and their VAT; it is known
// only when the run is in the run journal (an older run shows none, its VAT line taking the
// difference instead).

#include "billing/Money.h"

namespace orv::reports {

struct InvoiceBooks {
    double dolg = 0;
    double nds = 0;
    double lastDolg = 0;  // due before the last reckoned month was added
    double abPlata = 0;
    double byTime = 0;
    double mg = 0;
    double vatPercent = 0;  // the rate the last reckoned month was charged at
    bool runKnown = false;  // the last run is in the run journal
    double paidBefore = 0;  // journalled between the previous run and the last one
    double paidAfter = 0;   // journalled since the last run
};

struct InvoiceLines {
    using Money = billing::Money;
    Money carried, paid;
    Money fee, feeVat, city, cityVat, mg, mgVat, penalty, penaltyVat;
    Money net, vat, charged;
    Money due, dueNet, dueVat;  // the total, and it parted at the period's rate
    double vatPercent = 0;
};

InvoiceLines composeInvoice(const InvoiceBooks& books);

}  // namespace orv::reports
