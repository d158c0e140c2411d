#pragma once
// The server half of a Database (Database.h): the tables of a schema on a PostgreSQL server,
// with the same jobs the table files have there (names, declarations, creating and replacing
// tables, preparing statements of the local dialect). A table is referred to by its server name
// in every statement, so no attachments, temporary copies or row bounds are needed; the result
// of a selecting statement kept for browsing is a temporary table of the session numbered by
// its column orv_row.

#include "db/FieldType.h"
#include "db/ServerStore.h"
#include "db/Sqlite.h"

#include <functional>

namespace orv::db {

class DialectStatement;

class ServerBackend {
  public:
    explicit ServerBackend(const ServerAddress& address);

    PgConnection& connection() { return store_.connection(); }
    QString description() const { return store_.description(); }

    QStringList tableNames() { return store_.tableNames(); }
    bool tableExists(const QString& name);
    QString canonicalName(const QString& name);
    TableDef tableDef(const QString& name) { return store_.tableDef(name); }

    void createTable(const TableDef& def);
    // Inside the caller's transaction.
    qint64 replaceTable(const TableDef& def, const DialectStatement& select,
                        const std::function<void(Statement&)>& bind);
    void dropTable(const QString& name);
    void addIndex(const QString& table, const IndexDef& index);

    // The statement as the server runs it; with an insertTarget a selecting statement inserts
    // its rows into that table, or, when newTemporary, becomes a new temporary table numbered
    // by orv_row in the statement's order.
    Statement prepare(const DialectStatement& statement, const QString& insertTarget,
                      bool newTemporary);
    QString rendered(const DialectStatement& statement);
    // Reads of the table (by its lower-case name) come from source while it is set; an empty
    // source ends that.
    void setBound(const QString& key, const QString& source);

    bool inTransaction() const;
    // The table's name in the server's SQL.
    QString tableSql(const QString& name);

  private:
    ServerStore store_;
    QHash<QString, QString> bounds_;
};

}  // namespace orv::db
