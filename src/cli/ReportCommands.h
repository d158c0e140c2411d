#pragma once
// The reports of orvanta-cli.
//
//   invoices [--numbers FROM-TO] [--list FILE.lst] --pdf FILE.pdf
//     The invoices for telecommunication services into a PDF file, with the VAT rate and the
//     issuer's texts of the settings store. --numbers acts as the ticked "По номеру" (either
//     end may be empty; an end of 0 means 9999999), --list as the number-list filter. Prints
//     one line: "Счетов: N, страниц: M, файл FILE". An empty selection writes no file, says
//     "Нет счетов для печати; файл не записан" and exits 0. A query that cannot open (a missing
//     table) ends with the engine's message, exit 1.
//   printout all|city|mg|oldmg|debts|payments [view options] --pdf FILE.pdf
//     The printout of the window contents of that view (its title, its stored fields as
//     columns, page numbers) into a PDF file, with the view options of "view" (--list also
//     filters debts). Prints "Страниц: M, файл FILE".

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

int runInvoices(CliContext& context, const QStringList& args);
int runPrintout(CliContext& context, const QStringList& args);

}  // namespace orv::cli
