#pragma once
// Temporary copies of the tables a statement reads beyond what can be attached at once. SQLite
// attaches at most ten files per connection: when a statement reads more tables, the ones
// beyond that are copied into temporary tables of the connection first, each through the one
// free slot, before the others are attached; tables it writes, and tables whose reads are bound
// to a view (RowBound, TableSource), are always attached. Copies are made before the statement
// is prepared, so outside a transaction only. Errors are orv::Error.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace orv::db {

class Attachments;
class Connection;
class TableDdl;
class TableFiles;
struct TableRef;

class SurplusCopies {
  public:
    SurplusCopies(Connection& connection, const TableFiles& files, Attachments& attachments,
                  TableDdl& ddl)
        : connection_(connection), files_(files), attachments_(attachments), ddl_(ddl) {}

    // Copies the read tables of refs that do not fit in room attachments; rendered receives the
    // SQL text of each copy under the table's lower-case name as written, temps the copies'
    // names. bounds holds the lower-case canonical names of bound tables.
    void copy(const QList<TableRef>& refs, int room, const QHash<QString, QString>& bounds,
              QHash<QString, QString>& rendered, QStringList& temps);
    void drop(const QString& copy);

  private:
    QString copyOf(const QString& canonical);

    Connection& connection_;
    const TableFiles& files_;
    Attachments& attachments_;
    TableDdl& ddl_;
    int counter_ = 0;
};

}  // namespace orv::db
