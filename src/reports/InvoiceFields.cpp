#include "reports/InvoiceFields.h"

#include <cmath>

namespace orv::reports {
namespace {

// Arithmetic on amounts that may be empty: an empty operand gives an empty result.
Amount operator+(Amount a, Amount b) {
    if (!a || !b) return std::nullopt;
    return *a + *b;
}
Amount operator-(Amount a, Amount b) {
    if (!a || !b) return std::nullopt;
    return *a - *b;
}
Amount times(Amount a, double factor) {
    if (!a) return std::nullopt;
    return *a * factor;
}
Amount over(Amount a, double divisor) {
    if (!a) return std::nullopt;
    return *a / divisor;
}

double roundTo4(double value) { return std::round(value * 10000.0) / 10000.0; }

}  // namespace

InvoiceFields QueryReportCalcFields(const InvoiceInput& in, double p) {
    const double k = p / 100 + 1;
    InvoiceFields f;
    f.AbPlataNDS = over(times(in.abPlata, p), 100);
    f.MGNds = over(times(in.mg, p), 100);
    f.ByTimeNDS = over(times(in.byTime, p), 100);
    f.AbPlataFull = in.abPlata + f.AbPlataNDS;
    f.MGFull = in.mg + f.MGNds;
    f.ByTimeFull = in.byTime + f.ByTimeNDS;
    f.AllNach = in.abPlata + in.byTime + in.mg;
    f.AllNDS = f.AbPlataNDS + f.ByTimeNDS + f.MGNds;
    f.AllFull = f.AbPlataFull + f.ByTimeFull + f.MGFull;
    f.LDWNds = times(in.lastDolg, k);
    if (in.paymentFound && in.paymentDolg && in.paymentPane) {
        const double r = roundTo4(*in.paymentDolg - *in.paymentPane);
        f.Paned = in.paymentPane;
        f.DolgWithNDS = r > 0 ? Amount(r) + f.AllFull - f.Paned : Amount(0.0);
    } else {
        f.DolgWithNDS = times(in.lastDolg, k) + f.AllFull;
        f.Paned = 0.0;
    }
    f.AllNLD = over(f.DolgWithNDS, k);
    f.AllNLDNds = f.DolgWithNDS - f.AllNLD;
    return f;
}

}  // namespace orv::reports
