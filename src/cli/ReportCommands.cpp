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

// Takes "--pdf FILE" out of the options; a usage error when it is missing.
QString takePdf(Options& options) {
    const QString path = options.take(QStringLiteral("--pdf")).value_or(QString());
    if (path.isEmpty()) options.refuse(QStringLiteral("Не задан файл --pdf"));
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
    Options options(args, kInvoicesUsage);
    const QString pdf = options.take(QStringLiteral("--pdf")).value_or(QString());
    const QString csv = options.take(QStringLiteral("--csv")).value_or(QString());
    if (pdf.isEmpty() && csv.isEmpty())
        options.refuse(QStringLiteral("Не задан ни файл --pdf, ни файл --csv"));
    const ViewOptions parsed = readViewOptions(
        options, {QStringLiteral("--numbers"), QStringLiteral("--list")}, Options::Others::Names);
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
    Options options(args.mid(1), kPrintoutUsage);
    const QString path = takePdf(options);
    const ViewOptions parsed = readViewOptions(options);

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
