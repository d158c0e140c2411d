#include "cli/ReportCommands.h"

#include "billing/DebtViews.h"
#include "calls/ListingViews.h"
#include "cli/ViewCommands.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "reports/InvoiceReport.h"
#include "reports/WindowPrintout.h"

namespace orv::cli {
namespace {

const QString kInvoicesUsage = QStringLiteral(
    "Использование: orvanta-cli invoices [--numbers С-ПО] [--list ФАЙЛ.lst] --pdf ФАЙЛ.pdf");
const QString kPrintoutUsage = QStringLiteral(
    "Использование: orvanta-cli printout all|city|mg|oldmg|debts|payments [--numbers С-ПО] "
    "[--dates ДД.ММ.ГГГГ-ДД.ММ.ГГГГ] [--times ЧЧ:ММ-ЧЧ:ММ] [--list ФАЙЛ.lst] --pdf ФАЙЛ.pdf");

// Takes "--pdf FILE" out of the options, wherever it stands; a usage error when it is missing
// or given twice.
QString takePdf(QStringList& options, const QString& usage) {
    QString path;
    for (qsizetype i = 0; i < options.size();) {
        if (options[i] != QLatin1String("--pdf")) {
            ++i;
            continue;
        }
        if (i + 1 >= options.size()) usageError(QStringLiteral("Нет значения для --pdf\n") + usage);
        if (!path.isEmpty()) usageError(QStringLiteral("--pdf задан дважды\n") + usage);
        path = options[i + 1];
        options.remove(i, 2);
    }
    if (path.isEmpty()) usageError(QStringLiteral("Не задан файл --pdf\n") + usage);
    return path;
}

}  // namespace

int runInvoices(CliContext& context, const QStringList& args) {
    QStringList options = args;
    const QString path = takePdf(options, kInvoicesUsage);
    for (qsizetype i = 0; i < options.size(); i += 2)
        if (options[i] != QLatin1String("--numbers") && options[i] != QLatin1String("--list"))
            usageError(QStringLiteral("Неизвестный параметр %1\n").arg(options[i]) +
                       kInvoicesUsage);
    const ViewOptions parsed = parseViewOptions(options, kInvoicesUsage);
    const std::optional<db::RecordFilter> filter = readListOption(context, parsed, true);

    const core::SettingsStore store;
    const double ndsPercent = core::readVat(store).ndsPercent;
    const reports::InvoiceRun run =
        reports::writeInvoicesPdf(context.standard(), parsed.panel, filter ? &*filter : nullptr,
                                  ndsPercent, reports::readIssuerTexts(store), path);
    if (run.invoices == 0) {
        context.out() << QStringLiteral("Нет счетов для печати; файл не записан\n");
        return 0;
    }
    context.out() << QStringLiteral("Счетов: %1, страниц: %2, файл %3\n")
                         .arg(run.invoices)
                         .arg(run.pages)
                         .arg(path);
    return 0;
}

int runPrintout(CliContext& context, const QStringList& args) {
    if (args.isEmpty()) usageError(kPrintoutUsage);
    const QString view = args.first();
    QStringList options = args.mid(1);
    const QString path = takePdf(options, kPrintoutUsage);
    const ViewOptions parsed = parseViewOptions(options, kPrintoutUsage);

    const auto print = [&](const db::Query& query, const QList<core::ViewColumn>& columns) {
        const int pages = reports::writePrintoutPdf(query, query.name(), columns, path);
        context.out() << QStringLiteral("Страниц: %1, файл %2\n").arg(pages).arg(path);
        return 0;
    };
    const std::optional<calls::Listing> listing =
        view == QLatin1String("all")     ? std::optional(calls::Listing::All)
        : view == QLatin1String("city")  ? std::optional(calls::Listing::City)
        : view == QLatin1String("mg")    ? std::optional(calls::Listing::LongDistance)
        : view == QLatin1String("oldmg") ? std::optional(calls::Listing::OldLongDistance)
                                         : std::nullopt;
    if (listing) {
        const calls::ListingInfo& info = calls::listingInfo(*listing);
        calls::ListingViews views(context.standard());
        if (const auto filter = readListOption(context, parsed, info.listFiltered)) {
            views.setListFilter(*filter);
            views.setListFiltered(true);
        }
        return print(views.open(*listing, parsed.panel), info.columns);
    }
    billing::DebtViews debts(context.standard());
    if (view == QLatin1String("debts")) {
        if (const auto filter = readListOption(context, parsed, true)) {
            debts.setListFilter(*filter);
            debts.setListFiltered(true);
        }
        return print(debts.openDolg(), billing::debtViewColumns());
    }
    if (view == QLatin1String("payments")) {
        readListOption(context, parsed, false);
        return print(debts.openShowPane(), billing::paymentViewColumns());
    }
    usageError(QStringLiteral("Неизвестный вид '%1'\n").arg(view) + kPrintoutUsage);
}

}  // namespace orv::cli
