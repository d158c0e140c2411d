#include "app/ProgramData.h"

#include "db/Database.h"

namespace orv::app {
namespace {

// The windows work with table files only: an alias on a server is refused before it is opened.
std::unique_ptr<db::Database> openFolderAlias(const db::Aliases& aliases, const QString& alias,
                                              const QString& name) {
    db::Database::requireFolder(alias, aliases.path(alias));
    return db::Database::openAlias(aliases, alias, name);
}

}  // namespace

ProgramData::ProgramData(const db::Aliases& aliases)
    : aliases_(aliases),
      standard_(openFolderAlias(aliases_, QLatin1String(db::kStandardAlias),
                                QStringLiteral("TarifStandard"))),
      everyday_(openFolderAlias(aliases_, QLatin1String(db::kEverydayAlias),
                                QStringLiteral("TarifEveryday"))) {}

ProgramData::~ProgramData() = default;

}  // namespace orv::app
