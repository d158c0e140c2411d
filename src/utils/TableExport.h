#pragma once
// What the table editor does to whole tables, for the window and for orvanta-cli: clearing a
// table, copying a table with its field and index definitions into a table of any alias, and
// copying an open result into a new table without indexes.
//
// A table name typed or picked by the operator reaches SQL only as a quoted identifier, and
// only after it was found among the tables of the alias (existingTable) or checked as the name
// of a new table (newTableName): a name such as "AbTab; DELETE FROM DolgTb" is refused with a
// message and changes nothing. The copies replace an existing target table; whether to replace
// one is the caller's question to ask (targetExists). A copy is built beside the target and put
// in place only when complete: an error, a full disk or a kill leaves the target as it was, and
// no empty target behind. Errors are orv::Error.

#include <QString>

namespace orv::db {
class Database;
class Query;
}  // namespace orv::db

namespace orv::utils {

// The table's name as stored; refuses an empty name or one that is no table of the database.
QString existingTable(db::Database& database, const QString& typed);
// The name of a table to create ("Итоги", "AbCopy.db" -> "AbCopy"): letters, digits and "_",
// beginning with a letter or "_", at most 64 characters, an optional ".db" extension.
QString newTableName(const QString& typed);
// A file of that name that holds no table (an empty one) does not count.
bool targetExists(db::Database& database, const QString& typed);

// Deletes every record of an existing table.
void clearTable(db::Database& database, const QString& typed);

enum class Indexes { Copy, Omit };

// Creates (or replaces) target in the folder of `to` with the fields of source, and its indexes
// unless omitted, and copies every record, field by field in order, in one statement: the
// target ends up with all of them or none. Refuses to copy a table onto itself. Returns the
// records copied.
qint64 copyTable(db::Database& from, const QString& source, db::Database& to, const QString& target,
                 Indexes indexes = Indexes::Copy);

// Creates (or replaces) target in the folder of `to` with the fields of the open result and no
// indexes, and copies every visible row of the result into it, all or none. Returns the rows.
qint64 exportResult(db::Query& result, db::Database& to, const QString& target);

}  // namespace orv::utils
