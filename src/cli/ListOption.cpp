#include "cli/ListOption.h"

#include "utils/NumberLists.h"

#include <QFileInfo>

namespace orv::cli {
namespace {

// The list file as typed, or the one of its folder whose name differs only in letter case.
QString listFileNoCase(const QString& path) {
    if (QFileInfo::exists(path)) return path;
    const QFileInfo typed(path);
    return utils::findFileNoCase(typed.path(), typed.fileName());
}

}  // namespace

std::optional<db::RecordFilter> readListOption(CliContext& context, const QString& path) {
    std::optional<db::RecordFilter> filter = utils::readListFilter(listFileNoCase(path));
    if (!filter)
        context.err() << QStringLiteral("Список %1 пуст: отбор по списку не применён\n").arg(path);
    return filter;
}

}  // namespace orv::cli
