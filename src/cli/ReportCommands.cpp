#include "cli/ReportCommands.h"

#include "billing/DebtViews.h"
#include "calls/ListingViews.h"
#include "cli/Csv.h"
#include "cli/ViewCommands.h"
#include "core/Error.h"
#include "core/Selection.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "reports/InvoiceReport.h"
#include "reports/WindowPrintout.h"

#include <QSaveFile>

namespace orv::cli {
namespace {

const QString kInvoicesUsage = QStringLiteral(
    "Использование: orvanta-cli invoices [--numbers С-ПО] [--list ФАЙЛ.lst] "
    "[--pdf ФАЙЛ.pdf] [--csv ФАЙЛ.csv] (хотя бы один из файлов)");
const QString kPrintoutUsage = QStringLiteral(
    "Использование: orvanta-cli printout all|city|mg|oldmg|debts|payments [--numbers С-ПО] "
    "[--dates ДД.ММ.ГГГГ-ДД.ММ.ГГГГ] [--times ЧЧ:ММ-ЧЧ:ММ] [--list ФАЙЛ.lst] --pdf ФАЙЛ.pdf");

// Takes "OPTION FILE" out of the options; empty when it is not there, a usage error when it is
// given twice or without a file.
QString takeFile(QStringList& options, const QString& option, const QString& usage) {
    QString path;
    for (qsizetype i = 0; i < options.size(); i += 2) {
        if (options[i] != option) continue;
        if (i + 1 >= options.size())
            usageError(QStringLiteral("Нет значения для %1\n").arg(option) + usage);
        if (!path.isEmpty()) usageError(QStringLiteral("%1 задан дважды\n").arg(option) + usage);
        path = options[i + 1];
        options.remove(i, 2);
        i -= 2;
    }
    return path;
}

// Takes "--pdf FILE" out of the options; a usage error when it is missing.
QString takePdf(QStringList& options, const QString& usage) {
    const QString path = takeFile(options, QStringLiteral("--pdf"), usage);
    if (path.isEmpty()) usageError(QStringLiteral("Не задан файл --pdf\n") + usage);
    return path;
}

QString csvAmount(billing::Money amount) { return amount.toKopeckString(); }

// The printed lines of every invoice, one row each, written beside the file and then put in
// its place.
void writeInvoiceCsv(const reports::InvoiceReport& report, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        raise(Error::Kind::Engine,
              QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
    QTextStream out(&file);
    out << csvLine({QStringLiteral("АбНомер"), QStringLiteral("Признак"), QStringLiteral("Дата"),
                    QStringLiteral("ДолгНа"), QStringLiteral("Оплачено"), QStringLiteral("АбПлата"),
                    QStringLiteral("Почасовая"), QStringLiteral("Междугородние"),
                    QStringLiteral("Пеня"), QStringLiteral("НДС"), QStringLiteral("СтавкаНДС"),
                    QStringLiteral("Начислено"), QStringLiteral("КОплате")});
    for (qint64 r = 0; r < report.invoiceCount(); ++r) {
        const reports::Invoice& invoice = report.invoice(r);
        const reports::InvoiceLines& l = invoice.lines;
        out << csvLine({QString::number(invoice.number), csvField(invoice.category),
                        core::dateText(invoice.yearMonth), csvAmount(l.carried), csvAmount(l.paid),
                        csvAmount(l.fee), csvAmount(l.city), csvAmount(l.mg), csvAmount(l.penalty),
                        csvAmount(l.vat), core::floatToText(l.vatPercent, QLocale::c()),
                        csvAmount(l.charged), csvAmount(l.due)});
    }
    out.flush();
    if (!file.commit())
        raise(Error::Kind::Engine,
              QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
}

}  // namespace

int runInvoices(CliContext& context, const QStringList& args) {
    QStringList options = args;
    const QString pdf = takeFile(options, QStringLiteral("--pdf"), kInvoicesUsage);
    const QString csv = takeFile(options, QStringLiteral("--csv"), kInvoicesUsage);
    if (pdf.isEmpty() && csv.isEmpty())
        usageError(QStringLiteral("Не задан ни файл --pdf, ни файл --csv\n") + kInvoicesUsage);
    for (qsizetype i = 0; i < options.size(); i += 2)
        if (options[i] != QLatin1String("--numbers") && options[i] != QLatin1String("--list"))
            usageError(QStringLiteral("Неизвестный параметр %1\n").arg(options[i]) +
                       kInvoicesUsage);
    const ViewOptions parsed = parseViewOptions(options, kInvoicesUsage);
    const std::optional<db::RecordFilter> filter = readListOption(context, parsed, true);

    const core::SettingsStore store;
    const reports::IssuerTexts issuer = reports::readIssuerTexts(store);
    reports::InvoiceReport report(context.standard());
    if (filter) {
        report.setListFilter(*filter);
        report.setListFiltered(true);
    }
    report.open(parsed.panel, issuer);
    if (report.invoiceCount() == 0) {
        context.out() << QStringLiteral("Нет счетов для печати; файл не записан\n");
        return 0;
    }
    if (!pdf.isEmpty()) {
        const int pages = reports::writeInvoicePages(report, issuer, pdf);
        context.out() << QStringLiteral("Счетов: %1, страниц: %2, файл %3\n")
                             .arg(report.invoiceCount())
                             .arg(pages)
                             .arg(pdf);
    }
    if (!csv.isEmpty()) {
        writeInvoiceCsv(report, csv);
        context.out()
            << QStringLiteral("Счетов: %1, файл %2\n").arg(report.invoiceCount()).arg(csv);
    }
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
