#pragma once
// Payments from a bank statement, over the folder of alias OrvantaStandard; the operator's
// settlement account is the one of the issuer texts in the settings store.
//
//   import-payments FILE [--dry-run]
//     Reads the statement (1CClientBankExchange 1.02 or 1.03, Windows or DOS encoding) and
//     posts its matched documents as payments, all or none; keeps the unmatched ones. Output:
//       "Загружена выписка FILE" and the summary line (billing::planSummary), then one line per
//       document not posted: "Повтор: № N от DD.MM.YYYY, сумма S: reason" or "Не разнесен: ...".
//     With --dry-run nothing is written; the summary says "к проведению" and every matched
//     document is listed as "К проведению: № N от D, сумма S: номер P, признак C".
//     A bad file: "Строка N: ..." on stderr, exit 1, nothing written.
//   unmatched-payments [--xlsx FILE]
//     The unmatched documents kept, as CSV with the window's titles (Код first).
//   pay-unmatched ID NUMBER CATEGORY
//     Posts the unmatched document ID to the account chosen; the line of `pay` on success.

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

int runImportPayments(CliContext& context, const QStringList& args);
int runUnmatchedPayments(CliContext& context, const QStringList& args);
int runPayUnmatched(CliContext& context, const QStringList& args);

}  // namespace orv::cli
