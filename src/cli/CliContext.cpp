#include "cli/CliContext.h"

#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Database.h"

namespace orv::cli {

CliContext::CliContext(db::Aliases& aliases, QTextStream& out, QTextStream& err, bool serverWork)
    : aliases_(aliases), out_(out), err_(err), serverWork_(serverWork) {}

CliContext::~CliContext() = default;

std::unique_ptr<db::Database> CliContext::open(const QString& alias, const QString& name) const {
    if (!serverWork_) db::Database::requireFolder(alias, aliases_.path(alias));
    return db::Database::openAlias(aliases_, alias, name);
}

db::Database& CliContext::standard() {
    if (!standard_)
        standard_ = open(QLatin1String(db::kStandardAlias), QStringLiteral("TarifStandard"));
    return *standard_;
}

db::Database& CliContext::everyday() {
    if (!everyday_)
        everyday_ = open(QLatin1String(db::kEverydayAlias), QStringLiteral("TarifEveryday"));
    return *everyday_;
}

void usageError(const QString& text) { raise(Error::Kind::Usage, text); }

}  // namespace orv::cli
