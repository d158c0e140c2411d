#pragma once
// The statements of the unbilled-calls view, in the local SQL dialect: every distinct call of
// DESTTAR that neither pricing pipeline prices, with the reason. The reason is worked out from
// the tables with the pipelines' own conditions, in the order the pipelines apply them: the
// call's category, the subscriber rows of AbTab.DB, "Exist", the evening window and holidays of
// "VECH" and "DAY" subscribers, the tariff dated on or before the call, the tariff of the
// category (city) or of the zone (long distance).

#include <QString>

namespace orv::calls::sql {

// The unbilled calls with their reason (column Reason), ordered by number, date and time.
const QString& QueryUnbilled();
// Their number (column Unbilled), without listing them.
const QString& QueryUnbilledCount();

}  // namespace orv::calls::sql
