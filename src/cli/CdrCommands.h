#pragma once
// The commands of orvanta-cli for the exchange's own records: import-cdr (call detail records
// of Asterisk or FreeSWITCH appended to DESTTAR) and unbilled (the calls no tariff prices).

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

// import-cdr asterisk|freeswitch FILE [--dialplan FILE] [--again]
int runImportCdr(CliContext& context, const QStringList& args);
// unbilled: the unbilled calls as CSV, the reason in the last column.
int runUnbilled(CliContext& context, const QStringList& args);

}  // namespace orv::cli
