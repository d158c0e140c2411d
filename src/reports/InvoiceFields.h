#pragma once
// The calculated fields of the invoice query for one row (QueryReportCalcFields): VAT on the
// fee, the time-charged calls and the long-distance calls, the totals, the debt brought forward
// with VAT, the last payment and the sum due with and without VAT. p is the VAT rate in percent,
// k = p / 100 + 1; double arithmetic, nothing rounded but the payment remainder (four places).
//
// An empty amount (std::nullopt) makes every field computed from it empty. The payment counts
// only when its row was found and both its Dolg and its Pane hold a value.

#include <optional>

namespace orv::reports {

using Amount = std::optional<double>;

struct InvoiceInput {
    Amount abPlata;
    Amount byTime;
    Amount mg;
    Amount lastDolg;
    bool paymentFound = false;
    Amount paymentDolg;  // Dolg of the PaneDate row
    Amount paymentPane;  // Pane of the PaneDate row
};

struct InvoiceFields {
    Amount AbPlataNDS, MGNds, ByTimeNDS;
    Amount AbPlataFull, MGFull, ByTimeFull;
    Amount AllNach, AllNDS, AllFull;
    Amount LDWNds;
    Amount Paned;
    Amount DolgWithNDS;
    Amount AllNLD, AllNLDNds;
};

InvoiceFields QueryReportCalcFields(const InvoiceInput& input, double ndsPercent);

}  // namespace orv::reports
