#pragma once
// The table editor's whole-table commands of orvanta-cli.

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

// copy-table [ALIAS:]TABLE [ALIAS:]TABLE [--replace]: the table with its fields and indexes
// copied into a table of the same or another alias; an existing target only with --replace.
int runCopyTable(CliContext& context, const QStringList& args);
// copy-alias FROM TO: every table of alias FROM copied into alias TO (a folder or a server),
// all or nothing, with the row count of each table.
int runCopyAlias(CliContext& context, const QStringList& args);
// clear-table TABLE: every record of a table of OrvantaStandard deleted.
int runClearTable(CliContext& context, const QStringList& args);

}  // namespace orv::cli
