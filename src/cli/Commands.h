#pragma once
// The commands of orvanta-cli. Each receives the words after its name and returns the exit
// code; errors are thrown as orv::Error and mapped to exit codes by main().

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

// init: creates the missing start-up tables in the folder of OrvantaStandard.
int runInit(CliContext& context, const QStringList& args);
// tables [ALIAS]: the tables of an alias, one name per line.
int runTables(CliContext& context, const QStringList& args);
// sql "TEXT" [--param NAME=VALUE]...: one statement of the local dialect.
int runSql(CliContext& context, const QStringList& args);
// export TABLE FILE.csv: every row of a table as CSV.
int runExport(CliContext& context, const QStringList& args);
// import-calls FILE.csv [--again]: appends calls to DESTTAR.
int runImportCalls(CliContext& context, const QStringList& args);

}  // namespace orv::cli
