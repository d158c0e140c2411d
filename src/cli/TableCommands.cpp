#include "cli/TableCommands.h"

#include "cli/Options.h"
#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Database.h"
#include "db/TableStore.h"
#include "utils/AliasCopy.h"
#include "utils/TableExport.h"

#include <memory>

namespace orv::cli {
namespace {

const QString kCopyUsage = QStringLiteral("copy-table [ALIAS:]TABLE [ALIAS:]TABLE [--replace]");

struct TableArg {
    QString alias;
    QString table;
};

// "OrvantaEveryday:Tarif1" or "Tarif1" (OrvantaStandard).
TableArg tableArg(const QString& text) {
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0) return {QLatin1String(db::kStandardAlias), text};
    if (colon == 0 || colon == text.size() - 1) usageError(kCopyUsage);
    return {text.left(colon), text.mid(colon + 1)};
}

}  // namespace

int runCopyTable(CliContext& context, const QStringList& args) {
    Options options(args, kCopyUsage);
    const bool replace = options.takeFlag(QStringLiteral("--replace"));
    const QStringList& names = options.rest();
    if (names.size() != 2 || names[0].startsWith(QLatin1String("--")) ||
        names[1].startsWith(QLatin1String("--")))
        usageError(kCopyUsage);
    const TableArg source = tableArg(names[0]);
    const TableArg target = tableArg(names[1]);
    db::Database from(source.alias, context.aliases().path(source.alias));
    db::Database to(target.alias, context.aliases().path(target.alias));
    utils::existingTable(from, source.table);
    if (!replace && utils::targetExists(to, target.table))
        raise(Error::Kind::Refused,
              QStringLiteral("Таблица %1 уже существует; чтобы заменить её, добавьте --replace")
                  .arg(utils::newTableName(target.table)));
    const qint64 copied = utils::copyTable(from, source.table, to, target.table);
    context.out() << QStringLiteral("Скопировано записей: %1\n").arg(copied);
    return 0;
}

int runCopyAlias(CliContext& context, const QStringList& args) {
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) ||
        args[1].startsWith(QLatin1String("--")))
        usageError(QStringLiteral("copy-alias FROM TO"));
    const db::Aliases::Alias& from = context.aliases().alias(args[0]);
    const db::Aliases::Alias& to = context.aliases().alias(args[1]);
    if (from.name.compare(to.name, Qt::CaseInsensitive) == 0 || from.path == to.path)
        raise(Error::Kind::Refused,
              QStringLiteral("Псевдоним %1 нельзя скопировать в самого себя").arg(from.name));
    const auto source = db::openTableStore(context.aliases(), from.name);
    const auto target = db::openTableStore(context.aliases(), to.name);
    const auto counts = utils::copyAlias(*source, *target);
    qint64 total = 0;
    for (const auto& [table, rows] : counts) {
        context.out() << QStringLiteral("%1: %2\n").arg(table).arg(rows);
        total += rows;
    }
    context.out()
        << QStringLiteral("Скопировано таблиц: %1, записей: %2\n").arg(counts.size()).arg(total);
    return 0;
}

int runClearTable(CliContext& context, const QStringList& args) {
    if (args.size() != 1) usageError(QStringLiteral("clear-table TABLE"));
    const QString name = utils::existingTable(context.standard(), args.first());
    utils::clearTable(context.standard(), name);
    context.out() << QStringLiteral("Таблица %1 очищена\n").arg(name);
    return 0;
}

}  // namespace orv::cli
