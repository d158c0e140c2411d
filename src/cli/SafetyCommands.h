#pragma once
// The commands of orvanta-cli that keep data from being lost, over the folder of alias
// OrvantaStandard.
//
//   backups
//     The snapshots of the tables the debt run changes, oldest first, one line each, fields
//     separated by a tab: the snapshot's name, the date of the run that took it (DD.MM.YYYY),
//     why it was taken, the row counts ("DESTTAR=1000 DolgTb=50 ..."), the size of its files in
//     bytes. No snapshots: no lines.
//   restore SNAPSHOT
//     Puts the tables of the snapshot back, after a snapshot of the present state. One line:
//       "Таблицы восстановлены из копии NAME; прежнее состояние сохранено в копии NEW"
//     Refused (no such snapshot, damaged files, a table locked by another program, a snapshot
//     that cannot be written): the message on stderr, exit 1, no table changed.
//   journal [--numbers FROM-TO] [--dates DD.MM.YYYY-DD.MM.YYYY]
//     The payment journal as CSV in the order of entry: number, category, date, time, amount
//     due, amount paid, entered by (the grid's headings). An empty upper number is 9999999, an
//     empty date an open end.
//   debt-run --dry-run
//     The debt run on copies of the tables; nothing in the folder changes. Its summary line
//       "Пробный расчет долга на DD.MM.YYYY: месяцев M, абонентов A, в архив OldMG C, удалено
//        звонков R; таблицы не изменены"
//     a blank line, the debt view the run would leave as CSV (as `debts`), a blank line, and the
//     calls it would delete from DESTTAR as CSV. Refused as the run would be: exit 1.
//
// Bad arguments raise Error(Usage).

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

int runBackups(CliContext& context, const QStringList& args);
int runRestore(CliContext& context, const QStringList& args);
int runJournal(CliContext& context, const QStringList& args);
int runDebtDryRun(CliContext& context);

}  // namespace orv::cli
