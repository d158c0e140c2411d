#pragma once
// The TableStore of a schema on a PostgreSQL server. Each table of the program is a table of
// that schema with the same columns and indexes; the server keeps table, column and index
// names in lower case (unquoted), and the program's spelling is given back from the schema's
// declarations. Reading takes one consistent snapshot (a REPEATABLE READ transaction begun at
// the first read, held while the store lives); new tables are loaded in one transaction.
//
// Statements of the local dialect run here too (prepare), translated for the server by the
// same translator as for the table files.

#include "db/PgConnection.h"
#include "db/TableStore.h"

#include <memory>

namespace orv::db {

class DialectStatement;

class ServerStore : public TableStore {
  public:
    explicit ServerStore(const ServerAddress& address);
    ~ServerStore() override;

    QString description() const override;
    QStringList tableNames() override;
    TableDef tableDef(const QString& name) override;
    void readRows(const QString& name,
                  const std::function<void(const QVariantList&)>& row) override;
    void load(const QStringList& names, const std::function<void(Loader&)>& load) override;

    // A statement of the local dialect for this server, parameters bound by their names.
    std::unique_ptr<PgStatement> prepare(const DialectStatement& statement);

    PgConnection& connection() { return connection_; }

    // The server's name of a program table ("DESTTAR.db" -> desttar).
    static QString serverName(const QString& table);
    // The table's declaration in the server's SQL (CREATE TABLE and its indexes).
    static QStringList createStatements(const TableDef& def);

    // The column that numbers the rows of a table whose rows the operator refers to by number
    // (the codes of kept bank documents), in the order they were added: a row's address on the
    // server changes when the row is updated. The table's declaration leaves the column out and
    // a copy of the table keeps its rows in that order.
    static QString rowNumberColumn() { return QStringLiteral("orv_id"); }
    // Adds that column to a table that has none, numbering its rows in their stored order.
    static QString addRowNumbersSql(const QString& serverTable);

    bool exists(const QString& name);
    // The name of the table as the server stores it, matched without regard to case (a table
    // made by hand may have capitals); refused when there is none.
    QString storedName(const QString& name);

  private:
    PgConnection connection_;
    std::unique_ptr<PgTransaction> snapshot_;
};

}  // namespace orv::db
