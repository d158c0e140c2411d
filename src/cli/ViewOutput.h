#pragma once
// Where a view command writes its rows: CSV on standard output, or with "--xlsx FILE" a
// workbook (utils/XlsxExport.h), after which one line "Выгружено записей: N, файл FILE".

#include "cli/CliContext.h"
#include "cli/Options.h"
#include "core/ViewColumn.h"

#include <QStringList>
#include <optional>

namespace orv::db {
class Query;
}

namespace orv::cli {

// Takes "--xlsx FILE" out of the options; a usage error when its value is missing, is given
// twice or does not end in ".xlsx".
std::optional<QString> takeXlsx(Options& options);

// The rows of an open view, its columns titled as in the window.
void writeViewOutput(CliContext& context, const db::Query& query,
                     const QList<core::ViewColumn>& columns, const std::optional<QString>& xlsx);
// Every field of an open result, titled by its name.
void writeQueryOutput(CliContext& context, const db::Query& query,
                      const std::optional<QString>& xlsx);

}  // namespace orv::cli
