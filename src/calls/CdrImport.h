#pragma once
// Import of an exchange's call detail records into DESTTAR: an Asterisk cdr_csv file
// (Master.csv: no header, 16 columns, optionally uniqueid and userfield, then peeraccount,
// linkedid and sequence) or a FreeSWITCH mod_cdr_csv file of the default template (15 quoted
// columns). The dial plan turns the numbers into the call's columns.
//
// Only answered calls with billsec above 0 become calls: Longivity is billsec in minutes, a
// started minute counted whole; date and time are those of the answer stamp. One call written
// as several rows (the same uniqueid or uuid) is taken once, and so is a row without an id
// written twice. A call from a number that is not a subscriber, or to a number no rule of the
// dial plan takes, is counted and skipped. Calls already in DESTTAR are skipped (again:
// appended anyway), and so are calls dated before the last reckoning, which the debt run could
// no longer take.
//
// All or nothing: a malformed line (quotes, column count, a stamp or a number that does not
// read) or an impossible record (billsec above duration or above a day; start, answer and end
// out of order) raises Error(Refused) with its line number and DESTTAR is left as it was.

#include <QIODevice>
#include <QString>
#include <functional>

namespace orv::db {
class Database;
}

namespace orv::calls {

class DialPlan;

enum class CdrFormat { Asterisk, FreeSwitch };

struct CdrSummary {
    qint64 lines = 0;  // records read
    qint64 imported = 0;
    qint64 minutes = 0;  // Longivity of the imported calls
    qint64 unanswered = 0;
    qint64 zeroLength = 0;
    qint64 notSubscriber = 0;
    qint64 notInPlan = 0;   // dialled number that no rule takes
    qint64 duplicates = 0;  // further rows of one call, calls already in DESTTAR
    qint64 reckoned = 0;    // dated before the last reckoning
};

// Called now and then with the share of the file read, 0..100.
using CdrProgress = std::function<void(int percent)>;

CdrSummary importCdr(db::Database& db, QIODevice& file, CdrFormat format, const DialPlan& plan,
                     bool again, const CdrProgress& progress = {});

// The summary for the operator, one line.
QString cdrSummaryText(const CdrSummary& summary);

}  // namespace orv::calls
