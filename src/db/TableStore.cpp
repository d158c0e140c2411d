#include "db/TableStore.h"

#include "db/Aliases.h"
#include "db/Database.h"
#include "db/FolderStore.h"
#include "db/ServerStore.h"

namespace orv::db {

std::unique_ptr<TableStore> openTableStore(const Aliases& aliases, const QString& alias) {
    const Aliases::Alias& a = aliases.alias(alias);
    if (a.isServer()) return std::make_unique<ServerStore>(a.server());
    return std::make_unique<FolderStore>(Database::openAlias(aliases, a.name));
}

}  // namespace orv::db
