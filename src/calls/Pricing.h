#pragma once
// The two pricing pipelines. Each rebuilds its result tables from the calls of DESTTAR:
// CityGroup leaves TabCTGr2.db holding one priced row per charged city call (ResCost = Cost x
// Longivity, the TARIFCIT price of the call's category dated on the latest DATA not after the
// call's date), MGGroup leaves TabMGgr2.db holding one priced row per charged long-distance call
// (ResCost = Cost_k x Longivity, the Tarif1.db price of the call's zone with the latest DATA not
// after the call's date). Only calls of "YES" subscribers are priced; "VECH" and "DAY"
// subscribers are charged by the evening window and the holidays.
//
// Errors are orv::Error (a missing VechTm.db, TARIFCIT or Tarif1.db names the table); result
// tables written by earlier steps keep their new contents.

namespace orv::db {
class Database;
}

namespace orv::calls {

void CityGroup(db::Database& db);
void MGGroup(db::Database& db);

}  // namespace orv::calls
