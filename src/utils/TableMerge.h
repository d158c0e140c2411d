#pragma once
// The merge of two or more tables of the everyday database into one new table of it, by one
// union statement: QueryUnion reads SELECT * FROM each chosen file, joined by UNION (rows equal
// in every column appear once), and its whole result is copied into the table named after the
// first and the last chosen file, which the copy creates or replaces.
//
// Files are named by their bare file names: one chosen outside the everyday folder is looked
// for there. A missing table, tables whose columns do not match and a failed copy raise the
// engine's error (orv::Error); the target is then not written. The TableMerge owns QueryUnion,
// which stays open until the next merge.

#include "db/Query.h"

#include <QString>
#include <QStringList>

namespace orv::db {
class Database;
}

namespace orv::utils {

// The statement lines for the files in the given order: "SELECT * FROM a.db", "UNION", ...
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
