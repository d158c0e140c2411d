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

std::optional<QString> takeXlsx(Options& options) {
    return options.take(QStringLiteral("--xlsx"), [&options](const QString& path) {
        if (!utils::isXlsxPath(path))
            options.refuse(QStringLiteral("--xlsx: имя файла должно оканчиваться на .xlsx"));
    });
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
