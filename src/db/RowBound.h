#pragma once
// The rows of one table as they stood at one moment, for work that reads a table another
// program keeps appending to (the calls of DESTTAR, which the collector writes at any time) and
// later changes what it read. While the bound lives, this connection's statements read only the
// rows up to the table's highest rowid when the bound was set, and its deletes and updates leave
// every later row alone; rows appended meanwhile stay for the next piece of work. The table stays
// attached while bound.
//
// On a server the bound is the snapshot of the caller's transaction (REPEATABLE READ), which
// already reads and changes only the rows it saw; the table is named as it is and lastRowid() is 0.
//
// Requires: the table is not bound already. Errors are orv::Error.

#include <QString>
#include <QStringList>

namespace orv::db {

class Database;

class RowBound {
  public:
    RowBound(Database& db, const QString& table);
    ~RowBound();
    RowBound(const RowBound&) = delete;
    RowBound& operator=(const RowBound&) = delete;

    // The highest rowid read (0 for an empty table).
    qint64 lastRowid() const { return lastRowid_; }
    // SQL text naming the bounded rows in a statement of the connection.
    const QString& source() const { return source_; }

  private:
    Database& db_;
    QString canonical_;
    QString source_;
    QStringList dropStatements_;
    qint64 lastRowid_ = 0;
};

}  // namespace orv::db
