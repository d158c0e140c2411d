#pragma once
// The table fills of orvanta-cli, over the folder of alias OrvantaStandard.
//
//   fill-subscribers FROM TO [--category ALL] [--exist YES]
//     The subscriber fill of AbTab and PaneDate for the numbers FROM..TO (up to 7 digits each)
//     with that tag and presence. On success two lines, the rows added to each table:
//       "AbTab: N"
//       "PaneDate: M"
//     A zero number: "Неправильный ввод данных", exit 1. A row a table refuses stops the fill
//     at that number (the rows before it stay): the message names the number, exit 1.
//   fill-weekends YEAR
//     The Saturdays and Sundays of YEAR (up to 4 digits) into Prazdn: the dates added, one a
//     line as DD.MM.YYYY, nothing on a repeat. Year 0: "Invalid argument to date encode", exit 1.
//
// Bad arguments raise Error(Usage).

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

int runFillSubscribers(CliContext& context, const QStringList& args);
int runFillWeekends(CliContext& context, const QStringList& args);

}  // namespace orv::cli
