#include "calls/SelectionParameters.h"

#include "core/Error.h"
#include "db/Query.h"

namespace orv::calls {
namespace {

constexpr int kMaxDigits = 18;  // so that the number fits in 64 bits

QDate dateOr(const QString& text, const QDate& fallback) {
    try {
        return core::dateFromText(text);
    } catch (const Error&) {
        return fallback;
    }
}

}  // namespace

qint64 leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    qint64 value = 0;
    for (int digits = 0; i < text.size() && digits < kMaxDigits; ++i, ++digits) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

ViewParameters QueryCityGroup1BeforeOpen(const core::SelectionPanel& panel) {
    ViewParameters p;
    if (panel.byDate) {
        p.dateFrom = dateOr(panel.dateFrom, p.dateFrom);
        p.dateTo = dateOr(panel.dateTo, p.dateTo);
    }
    if (panel.byTime) {
        const QTime from = core::timeFromText(panel.timeFrom);
        const QTime to = core::timeFromText(panel.timeTo);
        p.timeFrom = from;
        p.timeTo1 = to;
        if (to >= from) {
            p.timeTo = to;
            p.timeFrom1 = from;
        }
    }
    if (panel.byNumber) {
        p.numberFrom = leadingNumber(panel.numberFrom);
        p.numberTo = leadingNumber(panel.numberTo);
        if (p.numberTo == 0) p.numberTo = kLastNumber;
    }
    return p;
}

void bindViewParameters(db::Query& query, const ViewParameters& p) {
    query.setInteger(QStringLiteral("NumberFrom"), p.numberFrom);
    query.setInteger(QStringLiteral("NumberTo"), p.numberTo);
    query.setDate(QStringLiteral("DateFrom"), p.dateFrom);
    query.setDate(QStringLiteral("DateTo"), p.dateTo);
    query.setTime(QStringLiteral("TimeFrom"), p.timeFrom);
    query.setTime(QStringLiteral("TimeTo"), p.timeTo);
    query.setTime(QStringLiteral("TimeFrom1"), p.timeFrom1);
    query.setTime(QStringLiteral("TimeTo1"), p.timeTo1);
}

}  // namespace orv::calls
