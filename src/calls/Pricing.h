#pragma once
// The two pricing pipelines. Each rebuilds its result tables from the calls of DESTTAR:
// CityGroup leaves TabCTGr2.db holding one priced row per charged city call (ResCost = Cost x
// Longivity, the TARIFCIT price of the call's category dated on the latest DATA not after the
// call's date), MGGroup leaves TabMGgr2.db holding one priced row per charged long-distance call
// (ResCost = Cost_k x Longivity, the Tarif1.db price of the call's zone with the latest DATA not
// after the call's date). Only calls of "YES" subscribers are priced; "VECH" and "DAY"
// subscribers are charged by the evening window and the holidays.
//
// Each step copies one statement's result into its result table (TabCTPr, TabCTGr1.db,
// TabCTGr2.db; TabMGPr, TabMGgr1.db, TabMGgr2.db), replacing the table. The date steps run the
// equivalent statements QueryCityGroupMaxLatest and QueryMGGroupMaxLatest, which give the rows
// and column types of QueryCityGroupMax and QueryMGGroupMax without their calls x tariff join.
// The steps add the indexes of SpeedIndexes.h to DESTTAR and the tariff tables when missing.
// Result tables are declared without value checks (their rows come from checked columns).
//
// Errors are orv::Error (a missing VechTm.db, TARIFCIT or Tarif1.db names the table); result
// tables written by earlier steps keep their new contents.

#include <QString>

namespace orv::db {
class Database;
}

namespace orv::calls {

void CityGroup(db::Database& db);
void MGGroup(db::Database& db);
// The combined run: CityGroup, MGGroup, then QueryAllGroup1 (the UNION of both priced tables)
// copied into TabAllGr.
void AllGroup(db::Database& db);

// The steps of the pipelines, in the order they run.
enum class PricingStep { CitySelect, CityDate, CityPrice, MGSelect, MGDate, MGPrice, AllUnion };

// Runs one step on its own (the pipelines above run them in order): its statement's result
// copied into its result table. A date step reads the table its select step wrote, as that step
// left it. Returns the number of rows copied.
qint64 runPricingStep(db::Database& db, PricingStep step);
// The local-dialect statement a step runs and the result table it writes.
const QString& pricingStepStatement(PricingStep step);
QString pricingStepTarget(PricingStep step);

}  // namespace orv::calls
