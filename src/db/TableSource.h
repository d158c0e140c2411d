#pragma once
// Another source for the reads of one table: while a TableSource lives, the statements this
// connection prepares read the table from the rows of a SELECT in the engine's SQL (a month of
// the call archive read as DESTTAR), under the table's own name, so that a column written as
// Table.Column still resolves. Writes still go to the table itself. Statements prepared before
// keep what they read.
//
// Requires: the table exists and is not bound (RowBound) or redirected already; the SELECT gives
// the table's columns by their names. Errors are orv::Error.

#include <QString>

namespace orv::db {

class Database;

class TableSource {
  public:
    TableSource(Database& db, const QString& table, const QString& select);
    ~TableSource();
    TableSource(const TableSource&) = delete;
    TableSource& operator=(const TableSource&) = delete;

  private:
    Database& db_;
    QString canonical_;
    QString view_;
};

}  // namespace orv::db
