#pragma once
// The result-set copy: every row of a selecting query copied into a named table, which the copy
// creates, or replaces when it exists, with the result's columns in order and their types (a
// column from a table keeps its type; a price times a duration is float; Max(DATA) is a date).
// The rows go from statement to table inside SQLite, without passing through the program.

#include <QString>

namespace orv::db {

class Query;

// With ValueChecks::Off the target is declared without the CHECK constraints of its column
// types (TableDef::checkValues), so that rows go in without a date or width test each; for
// scratch tables whose rows all come from checked columns, such as the pricing pipelines'.
enum class ValueChecks { On, Off };

// Returns the number of rows copied. The table is replaced in one transaction: an error, a kill
// or a full disk leaves the old table or the new one, never a file without its table.
qint64 batchMove(Query& source, const QString& target, ValueChecks checks = ValueChecks::On);

}  // namespace orv::db
