#include "cli/ListOption.h"

#include "utils/NumberLists.h"

namespace orv::cli {

std::optional<db::RecordFilter> readListOption(CliContext& context, const QString& path) {
    std::optional<db::RecordFilter> filter = utils::readListFilter(path);
    if (!filter)
        context.err() << QStringLiteral("Список %1 пуст: отбор по списку не применён\n").arg(path);
    return filter;
}

}  // namespace orv::cli
