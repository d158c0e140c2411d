#pragma once
// The demo exchange: a realistic small telephone exchange written into the tables of one
// database, for trying the program out and for benchmarks. Subscribers of every category (a few
// not billed, a few numbers with two categories), monthly fees, city and long-distance tariffs
// that change in the middle of the span, the evening window, destination names, holidays and
// calls spread over the months before the current one and the current month up to today.
//
// The data depend only on the options and on today's date: the generator has its own random
// source and integer ranges, so a seed gives the same rows on every machine and library
// version.
//
// fillDemoData writes only into empty tables. When any table it would write already holds
// rows it refuses (Error Refused, naming the table) before anything changes. Otherwise it
// creates the missing tables from their declarations and writes every row in one transaction:
// when that fails, the tables are left empty. Options out of range raise Error(Usage).

#include <QDate>
#include <QList>
#include <QString>

namespace orv::db {
class Database;
struct TableDef;
}  // namespace orv::db

namespace orv::utils {

struct DemoOptions {
    int subscribers = 200;  // distinct subscriber numbers, 1 to kMaxDemoSubscribers
    qint64 calls = 20000;   // 0 to kMaxDemoCalls
    int months = 3;         // whole months before the current one, 0 to kMaxDemoMonths
    quint64 seed = 1;
};

inline constexpr int kMaxDemoSubscribers = 100000;
inline constexpr qint64 kMaxDemoCalls = 10000000;
inline constexpr int kMaxDemoMonths = 60;

struct DemoSummary {
    QString folder;  // or the server's "host/dbname"
    bool onServer = false;
    int numbers = 0;         // distinct subscriber numbers
    int subscriberRows = 0;  // rows of AbTab (a number with two categories has two)
    int closedRows = 0;      // rows with Exist "NO"
    int feeRows = 0;         // ABPLATA, one per month start
    QDate firstFee;
    QDate lastFee;
    int cityTariffRows = 0;   // TARIFCIT
    int trunkTariffRows = 0;  // Tarif1
    QDate tariffChange;       // date of the tariff change; invalid when the span is too short
    int holidays = 0;         // Prazdn rows
    int longDistanceCodes = 0;
    int internationalCodes = 0;
    qint64 cityCalls = 0;
    qint64 longDistanceCalls = 0;
    qint64 internationalCalls = 0;
    qint64 duplicateCalls = 0;  // exact repeats of the call before, as a collector may write them
    QDate firstCallDay;
    QDate lastCallDay;
};

// The tables fillDemoData writes, in the order it writes them.
const QList<db::TableDef>& demoTables();

// Whether every table the demo writes is missing or empty: a new folder, where the demo may be
// offered.
bool demoTablesEmpty(db::Database& database);

// Fills the database with the demo exchange as of today. See the paragraph above for errors.
DemoSummary fillDemoData(db::Database& database, const DemoOptions& options, const QDate& today);

}  // namespace orv::utils
