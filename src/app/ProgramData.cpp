#include "app/ProgramData.h"

#include "db/Database.h"

namespace orv::app {

// An alias may name a folder of table files or a database on a server; the windows whose work
// needs table files refuse it when their command runs.
ProgramData::ProgramData(const db::Aliases& aliases)
    : aliases_(aliases),
      standard_(db::Database::openAlias(aliases_, QLatin1String(db::kStandardAlias),
                                        QStringLiteral("TarifStandard"))),
      everyday_(db::Database::openAlias(aliases_, QLatin1String(db::kEverydayAlias),
                                        QStringLiteral("TarifEveryday"))) {}

ProgramData::~ProgramData() = default;

}  // namespace orv::app
