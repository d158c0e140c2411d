#pragma once
// The commands of orvanta-cli over the call archive of alias OrvantaStandard (Archive/Calls.db
// of its folder).
//
//   archive
//     The archived months, oldest first, one line each, fields separated by a tab: the month
//     (MM.YYYY), its calls, the bytes its table and indexes take. No archive: no lines.
//   archive-drop [MM.YYYY] [--yes]
//     Drops the archived months before the given month (by default the first month kept by
//     the setting "Архив", "Хранить месяцев", 36 when not set). Asks first on standard input
//     "Удалить архив разговоров до MM.YYYY? (да/нет)"; anything but "да" (or no input) leaves
//     the archive as it was: exit 1. --yes answers the question. One line:
//       "Удалено месяцев архива: N"
//   statement --numbers FROM-TO --month MM.YYYY [--csv FILE]
//     The itemized statement of the numbers for an archived month as CSV (to FILE, written
//     beside and renamed when complete, or to standard output): number, date, time, number
//     dialled, destination, minutes, tariff, cost, reason; then the totals per service,
//     "Итого городские" and "Итого междугородние", which are the invoice's lines for that
//     month.
//
// Bad arguments raise Error(Usage).

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

int runArchive(CliContext& context, const QStringList& args);
int runArchiveDrop(CliContext& context, const QStringList& args);
int runStatement(CliContext& context, const QStringList& args);

}  // namespace orv::cli
