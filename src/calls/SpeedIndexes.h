#pragma once
// Indexes that only make the call views and the pipelines faster: DESTTAR's CallOrder index of
// the schema (the listing order over every column), and on the tariffs the ones that serve both
// the date step (latest DATA not after a day) and the price step (the row of a date and a
// category or zone) from the index alone: TARIFCIT (DATA, PRIZNAK, COST), Tarif1.db (TRF, DATA,
// Cost_k). A table that lacks one gets it the first time a view or a pipeline reads it, so that
// tables made before the index was declared, or by another program, are read as fast.
//
// Never fails: a table that is missing is left to the statement that reads it to report, and a
// table that cannot take an index (a read-only file, one locked by another program) is read
// without it, with the same rows.

#include "db/FieldType.h"

namespace orv::db {
class Database;
}

namespace orv::calls {

// Adds the index unless the table has one whose leading fields are the index's fields.
void ensureIndex(db::Database& db, const QString& table, const db::IndexDef& wanted);
void ensureCallIndex(db::Database& db);
void ensureCityTariffIndex(db::Database& db);
void ensureTrunkTariffIndex(db::Database& db);

}  // namespace orv::calls
