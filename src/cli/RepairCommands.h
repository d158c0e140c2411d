#pragma once
// The table verify, rebuild and merge commands of orvanta-cli.

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

// verify TABLE|FILE.db: the status number and the message line; exit 0 for statuses 0 and 1.
int runVerify(CliContext& context, const QStringList& args);
// rebuild TABLE|FILE.db: rows kept, rows to KEYVIOL.DB, rows to PROBLEM.DB, the message line.
int runRebuild(CliContext& context, const QStringList& args);
// merge FILE.db FILE.db...: the union of the files into the everyday database; the table
// written and its rows.
int runMerge(CliContext& context, const QStringList& args);

}  // namespace orv::cli
