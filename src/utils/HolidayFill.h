#pragma once
// The days-off fill: every Saturday and Sunday of one calendar year into Prazdn.db, each date
// added only when the table does not hold it yet (so a repeat adds nothing). Public holidays on
// weekdays and working Saturdays are not produced; they are entered by hand.
//
// Errors are orv::Error: a year outside 1..9999 (an empty field reads as 0) is the date error
// "Invalid argument to date encode" and nothing is written; the engine's message for a missing
// or locked table. The dates are added in one transaction.

#include <QDate>
#include <QList>

namespace orv::db {
class Database;
}

namespace orv::utils {

// Returns the dates added, in calendar order.
QList<QDate> fillWeekends(db::Database& db, int year);

}  // namespace orv::utils
