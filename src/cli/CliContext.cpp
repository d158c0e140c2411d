#include "cli/CliContext.h"

#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Database.h"

namespace orv::cli {

CliContext::CliContext(db::Aliases& aliases, QTextStream& out, QTextStream& err)
    : aliases_(aliases), out_(out), err_(err) {}

CliContext::~CliContext() = default;

db::Database& CliContext::standard() {
    if (!standard_)
        standard_ = db::Database::openAlias(aliases_, QLatin1String(db::kStandardAlias),
                                            QStringLiteral("TarifStandard"));
    return *standard_;
}

db::Database& CliContext::everyday() {
    if (!everyday_)
        everyday_ = db::Database::openAlias(aliases_, QLatin1String(db::kEverydayAlias),
                                            QStringLiteral("TarifEveryday"));
    return *everyday_;
}

void usageError(const QString& text) { raise(Error::Kind::Usage, text); }

}  // namespace orv::cli
