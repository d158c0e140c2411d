#pragma once
// The merge of two or more tables of the everyday database into one new table of it, by one
// union statement: QueryUnion reads SELECT * FROM each chosen file, joined by UNION (rows equal
// in every column appear once), and its whole result is copied into the table named after the
// first and the last chosen file, which the copy creates or replaces.
//
// Files are named by their bare file names: one chosen outside the everyday folder is looked
// for there. Each name reaches the statement only as a quoted table name, after it was found
// among the tables of the folder; a name with a quote, a missing table and a merged name that
// is no valid table name are refused before anything runs. Tables whose columns do not match
// and a failed copy (a full disk) raise the engine's error (orv::Error); the target is then
// left as it was, and a new one is not created at all. On a server alias the tables are the
// server's, and the merged table is replaced and filled in one transaction of the server.
// The TableMerge owns QueryUnion, which stays open until the next merge.

#include "db/Query.h"

#include <QString>
#include <QStringList>

namespace orv::db {
class Database;
}

namespace orv::utils {

// The statement lines for the files in the given order: SELECT * FROM "a.db", UNION, ...
// Refuses a file name holding a quote.
QStringList unionStatementLines(const QStringList& files);
// The merged table's name: the list names of the first and the last file, joined.
QString mergedTableName(const QStringList& files);

class TableMerge {
  public:
    explicit TableMerge(db::Database& everyday);

    struct Result {
        QString table;
        qint64 rows = 0;
    };
    // Requires: at least two files (Error(Refused) otherwise).
    Result merge(const QStringList& files);

    db::Query& queryUnion() { return QueryUnion; }

  private:
    db::Query QueryUnion;
};

}  // namespace orv::utils
