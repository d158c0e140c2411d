#include "cli/RepairCommands.h"

#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Database.h"
#include "repair/RepairActions.h"
#include "utils/TableMerge.h"

#include <QFileInfo>

namespace orv::cli {
namespace {

// A table file named directly, or a table of OrvantaStandard. A server keeps its tables whole
// by itself: there is no file to verify or rebuild.
QString tablePath(CliContext& context, const QString& arg) {
    const QFileInfo file(arg);
    if (file.isFile()) return file.absoluteFilePath();
    const db::Aliases::Alias& standard = context.aliases().alias(QLatin1String(db::kStandardAlias));
    if (standard.isServer())
        raise(Error::Kind::Refused,
              QStringLiteral("Проверка и восстановление выполняются только для таблиц в файлах: "
                             "псевдоним %1 указывает на сервер PostgreSQL (%2), который сам "
                             "отвечает за целостность таблиц")
                  .arg(standard.name, standard.server().display()));
    return context.standard().tableFilePath(arg);
}

}  // namespace

int runVerify(CliContext& context, const QStringList& args) {
    if (args.size() != 1) usageError(QStringLiteral("verify TABLE|FILE.db"));
    const QString path = tablePath(context, args.first());
    repair::TTableUtil util;
    const std::optional<qint32> status = repair::runVerification(util, path);
    if (!status) raise(Error::Kind::Refused, QStringLiteral("Verification unsuccessful."));
    context.out() << *status << '\n' << repair::verificationMessage(status) << '\n';
    return *status == repair::kVerifyNoErrors || *status == repair::kVerifyCompleted ? 0 : 1;
}

int runRebuild(CliContext& context, const QStringList& args) {
    if (args.size() != 1) usageError(QStringLiteral("rebuild TABLE|FILE.db"));
    const QString path = tablePath(context, args.first());
    repair::TTableUtil util;
    QString failure;
    const repair::RebuildEnd end = repair::runRebuild(util, path, &failure);
    repair::RebuildCounts counts;  // zeros when no table was put in place
    repair::TRGetRebuildCounts(util.LibraryHandle, &counts);
    context.out() << QStringLiteral("Сохранено строк: %1\n").arg(counts.kept)
                  << QStringLiteral("В %1: %2\n")
                         .arg(QLatin1String(repair::kKeyViolTable))
                         .arg(counts.keyViolations)
                  << QStringLiteral("В %1: %2\n")
                         .arg(QLatin1String(repair::kProblemTable))
                         .arg(counts.problems);
    if (counts.unreadable > 0)
        context.out() << QStringLiteral("Не прочитано строк: %1\n").arg(counts.unreadable);
    if (!counts.backup.isEmpty())
        context.out() << QStringLiteral("Исходная таблица сохранена в %1\n").arg(counts.backup);
    QString message = repair::rebuildMessage(end);
    if (end == repair::RebuildEnd::DescriptorFailed)
        message = QLatin1String(repair::kDescriptorError);
    context.out() << message << '\n';
    if (end == repair::RebuildEnd::Rebuilt) return 0;
    context.out().flush();
    context.err() << failure << Qt::endl;
    return 1;
}

int runMerge(CliContext& context, const QStringList& args) {
    if (args.size() < 2) usageError(QStringLiteral("merge FILE.db FILE.db..."));
    utils::TableMerge merge(context.everyday());
    const utils::TableMerge::Result result = merge.merge(args);
    context.out() << QStringLiteral("Таблица %1, строк: %2\n").arg(result.table).arg(result.rows);
    return 0;
}

}  // namespace orv::cli
