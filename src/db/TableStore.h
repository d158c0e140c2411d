#pragma once
// The tables of an alias seen whole, whichever engine holds them: a folder of table files
// (FolderStore) or a schema on a PostgreSQL server (ServerStore). Listing, declarations, reading
// every row and loading new tables all or nothing are the same calls on both, so that work over
// a whole alias (copying it from one engine to the other) does not know which one it runs on.
// Values travel as the program's values (FieldType.h). Errors are orv::Error.

#include "db/FieldType.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace orv::db {

class Aliases;

class TableStore {
  public:
    virtual ~TableStore() = default;

    // For messages: "папка ..." or "сервер host/dbname".
    virtual QString description() const = 0;
    // Table names, sorted without regard to case, as the program spells them.
    virtual QStringList tableNames() = 0;
    // Columns and indexes of a table.
    virtual TableDef tableDef(const QString& name) = 0;
    // Calls row with every row of the table, its values in the order of tableDef's fields.
    virtual void readRows(const QString& name,
                          const std::function<void(const QVariantList&)>& row) = 0;

    // Receives the new tables during load(): each created table, then its rows.
    class Loader {
      public:
        virtual ~Loader() = default;
        virtual void createTable(const TableDef& def) = 0;
        // A row of the table created last, values in the order of its fields.
        virtual void append(const QVariantList& values) = 0;
    };
    // Creates tables and their rows as load() gives them: when load returns, they all appear
    // at once; when it throws, none does and the store is as it was. The store must hold no
    // table of a name that is loaded (refused before anything is written).
    virtual void load(const QStringList& names, const std::function<void(Loader&)>& load) = 0;
};

// The store of an alias: its folder (which must exist) or its server database.
std::unique_ptr<TableStore> openTableStore(const Aliases& aliases, const QString& alias);

}  // namespace orv::db
