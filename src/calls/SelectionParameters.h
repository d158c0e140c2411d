#pragma once
// The parameter routine of the listing views, QueryCityGroup1BeforeOpen: the selection panel's
// check states and texts turned into the eight parameters of QueryAll, QueryCity, QueryMG and
// QueryOldMG. It runs right before one of those statements is opened.
//
// An unticked box gives the open range. A ticked date box with a date that does not convert
// falls back on 01.01.1990 (from) or 01.01.2100 (to), each end on its own, without a message. A
// ticked time box with a time that does not convert raises Error(Conversion) with the message
// the operator sees, and the statement must not be opened. Numbers never fail: the digits at the
// start of the text count, an end of 0 means 9999999.

#include "core/Selection.h"

#include <QDate>
#include <QString>
#include <QTime>

namespace orv::db {
class Query;
}

namespace orv::calls {

inline constexpr qint64 kLastNumber = 9999999;

struct ViewParameters {
    qint64 numberFrom = 0;
    qint64 numberTo = kLastNumber;
    QDate dateFrom{1990, 1, 1};
    QDate dateTo{2100, 1, 1};
    // A call qualifies when its time lies in either window, bounds included.
    QTime timeFrom{0, 0};
    QTime timeTo{23, 59, 59};
    QTime timeFrom1{0, 0};
    QTime timeTo1{23, 59, 59};

    bool operator==(const ViewParameters&) const = default;
};

// The eight parameters from the panel; throws Error(Conversion) for a ticked time box whose
// texts are no times. A time range whose end is earlier than its start crosses midnight: from
// the start to 23:59:59 and from 00:00:00 to the end.
ViewParameters QueryCityGroup1BeforeOpen(const core::SelectionPanel& panel);

// Sets NumberFrom, NumberTo, DateFrom, DateTo, TimeFrom, TimeTo, TimeFrom1 and TimeTo1.
void bindViewParameters(db::Query& query, const ViewParameters& parameters);

// The number formed by the decimal digits at the start of the text after leading blanks, 0 when
// there are none ("1234   " gives 1234, "  12a" gives 12). Digits beyond the 18th are ignored.
qint64 leadingNumber(const QString& text);

}  // namespace orv::calls
