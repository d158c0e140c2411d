#pragma once
// The debt and payment commands of orvanta-cli, over the folder of alias OrvantaStandard.
//
//   debt-run [--dry-run]
//     With --dry-run: a trial that changes nothing (SafetyCommands.h).
//     The monthly debt run as of today (--today honoured), with the settings of the settings
//     store and its VAT values as the program-wide copy. On success one line:
//       "Долг рассчитан на DD.MM.YYYY: месяцев M, абонентов A, в архив OldMG C, удалено звонков R"
//     (the reckoning date, the months reckoned, the AbTab.DB rows stored, the calls appended to
//     OldMG.DB, the calls deleted from DESTTAR). Refused or failed: the run's message on stderr,
//     exit 1, no table changed.
//   debts [--list FILE.lst]
//     The debt view as CSV: the grid's headings in grid order (the amount due, Dolg + NDS, last as
//     "Итого к оплате"), then one line per row; with
//     --list only the rows of the list's numbers (an empty list filters nothing).
//   payments
//     The payment view as CSV, Stay (Остаток) last.
//   pay NUMBER CATEGORY AMOUNT
//     The payment confirmation: NUMBER up to 7 digits, CATEGORY as typed (found without regard
//     to case), AMOUNT with '.' or the locale's decimal separator. On success one line:
//       "Оплата записана: к оплате D, оплачено P, остаток S" (plain numbers with '.').
//     Refused (a bad amount, no debt row: "Не найден", a write that fails): the message on
//     stderr, exit 1, nothing written.
//   vat-rates
//     The VAT rates by start date as CSV: "ДатаНачала,Процент", oldest first.
//   vat-rates set DD.MM.YYYY PERCENT
//     Adds the rate from that date, or replaces the one starting on it (0 to 100, '.' or the
//     locale's separator), then lists the rates as above.
//
// Bad arguments raise Error(Usage).

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

int runDebtRun(CliContext& context, const QStringList& args);
int runDebts(CliContext& context, const QStringList& args);
int runPayments(CliContext& context, const QStringList& args);
int runPay(CliContext& context, const QStringList& args);
int runVatRates(CliContext& context, const QStringList& args);

}  // namespace orv::cli
