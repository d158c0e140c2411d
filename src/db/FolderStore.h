#pragma once
// The TableStore of a folder of table files, over a Database of that folder. New tables are
// built in a scratch folder beside the alias's tables and moved in when all are complete, so a
// failure (or a kill) before the move leaves the folder as it was.

#include "db/TableStore.h"

namespace orv::db {

class Database;

class FolderStore : public TableStore {
  public:
    explicit FolderStore(std::unique_ptr<Database> database);
    ~FolderStore() override;

    QString description() const override;
    QStringList tableNames() override;
    TableDef tableDef(const QString& name) override;
    void readRows(const QString& name,
                  const std::function<void(const QVariantList&)>& row) override;
    void load(const QStringList& names, const std::function<void(Loader&)>& load) override;

  private:
    std::unique_ptr<Database> db_;
};

}  // namespace orv::db
