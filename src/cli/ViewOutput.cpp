#include "cli/ViewOutput.h"

#include "cli/Csv.h"
#include "db/Query.h"
#include "utils/XlsxExport.h"

namespace orv::cli {
namespace {

void reportWritten(CliContext& context, qint64 rows, const QString& path) {
    context.out() << QStringLiteral("Выгружено записей: %1, файл %2\n").arg(rows).arg(path);
}

}  // namespace

std::optional<QString> takeXlsxOption(QStringList& args, const QString& usage) {
    std::optional<QString> path;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--xlsx")) continue;
        if (i + 1 >= args.size()) usageError(QStringLiteral("Нет значения для --xlsx\n") + usage);
        if (path) usageError(QStringLiteral("--xlsx задан дважды\n") + usage);
        path = args[i + 1];
        if (!utils::isXlsxPath(*path))
            usageError(QStringLiteral("--xlsx: имя файла должно оканчиваться на .xlsx\n") + usage);
        args.remove(i, 2);
        --i;
    }
    return path;
}

void writeViewOutput(CliContext& context, const db::Query& query,
                     const QList<core::ViewColumn>& columns, const std::optional<QString>& xlsx) {
    if (!xlsx) {
        writeViewCsv(context.out(), query, columns);
        return;
    }
    reportWritten(context, utils::writeXlsx(query, columns, *xlsx), *xlsx);
}

void writeQueryOutput(CliContext& context, const db::Query& query,
                      const std::optional<QString>& xlsx) {
    if (!xlsx) {
        writeCsv(context.out(), query);
        return;
    }
    reportWritten(context, utils::writeXlsx(query, *xlsx), *xlsx);
}

}  // namespace orv::cli
