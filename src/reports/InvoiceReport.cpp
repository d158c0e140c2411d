#include "reports/InvoiceReport.h"

#include "calls/SelectionParameters.h"
#include "core/Settings.h"
#include "reports/InvoiceFields.h"
#include "reports/ReportRenderer.h"
#include "reports/ReportStatements.h"

namespace orv::reports {
namespace {

using Display = core::ViewColumn::Display;

const QStringList& calculatedFields() {
    static const QStringList names = {
        QStringLiteral("DolgWithNDS"), QStringLiteral("AbPlataNDS"),  QStringLiteral("ByTimeNDS"),
        QStringLiteral("MGNds"),       QStringLiteral("AbPlataFull"), QStringLiteral("ByTimeFull"),
        QStringLiteral("MGFull"),      QStringLiteral("AllNach"),     QStringLiteral("AllNDS"),
        QStringLiteral("AllFull"),     QStringLiteral("AllNLD"),      QStringLiteral("AllNLDNds"),
        QStringLiteral("LDWNds"),      QStringLiteral("Paned")};
    return names;
}

Amount amount(const QVariant& value) {
    if (value.isNull() || !value.isValid()) return std::nullopt;
    return value.toDouble();
}

QVariant stored(const Amount& value) { return value ? QVariant(*value) : QVariant(); }

}  // namespace

const QList<core::ViewColumn>& invoiceColumns() {
    static const QList<core::ViewColumn> columns = [] {
        QList<core::ViewColumn> list;
        for (const char* name : {"AbPlata", "Dolg", "LastDolg", "NDS", "MG", "ByTime"})
            list.append({QString::fromLatin1(name), {}, Display::Money});
        for (const QString& name : calculatedFields()) list.append({name, {}, Display::Money});
        list.append({QStringLiteral("YearMonth"), {}, Display::Date});
        list.append({QStringLiteral("LastYearMonth"), {}, Display::Date});
        return list;
    }();
    return columns;
}

InvoiceReport::InvoiceReport(db::Database& db, const QLocale& locale)
    : query_(db), data_(query_, invoiceColumns(), locale) {
    query_.setSql(sql::QueryReport());
    for (const QString& name : calculatedFields())
        query_.addCalcField(db::FieldDef{name, db::FieldType::Float});
    query_.setCalcHandler([this](db::RecordValues& row) {
        InvoiceInput in;
        in.abPlata = amount(row.value(QStringLiteral("AbPlata")));
        in.byTime = amount(row.value(QStringLiteral("ByTime")));
        in.mg = amount(row.value(QStringLiteral("MG")));
        in.lastDolg = amount(row.value(QStringLiteral("LastDolg")));
        const auto key = qMakePair(row.value(QStringLiteral("AbNumber")).toLongLong(),
                                   row.value(QStringLiteral("Priznak")).toString().toLower());
        if (const auto found = payments_.constFind(key); found != payments_.constEnd()) {
            in.paymentFound = true;
            in.paymentDolg = amount(found->dolg);
            in.paymentPane = amount(found->pane);
        }
        const InvoiceFields f = QueryReportCalcFields(in, ndsPercent_);
        row.setValue(QStringLiteral("AbPlataNDS"), stored(f.AbPlataNDS));
        row.setValue(QStringLiteral("MGNds"), stored(f.MGNds));
        row.setValue(QStringLiteral("ByTimeNDS"), stored(f.ByTimeNDS));
        row.setValue(QStringLiteral("AbPlataFull"), stored(f.AbPlataFull));
        row.setValue(QStringLiteral("MGFull"), stored(f.MGFull));
        row.setValue(QStringLiteral("ByTimeFull"), stored(f.ByTimeFull));
        row.setValue(QStringLiteral("AllNach"), stored(f.AllNach));
        row.setValue(QStringLiteral("AllNDS"), stored(f.AllNDS));
        row.setValue(QStringLiteral("AllFull"), stored(f.AllFull));
        row.setValue(QStringLiteral("LDWNds"), stored(f.LDWNds));
        row.setValue(QStringLiteral("Paned"), stored(f.Paned));
        row.setValue(QStringLiteral("DolgWithNDS"), stored(f.DolgWithNDS));
        row.setValue(QStringLiteral("AllNLD"), stored(f.AllNLD));
        row.setValue(QStringLiteral("AllNLDnds"), stored(f.AllNLDNds));
    });
}

void InvoiceReport::loadPayments() {
    payments_.clear();
    db::Query table(query_.database(),
                    QStringLiteral("SELECT AbNumber, Priznak, Dolg, Pane FROM PaneDate"));
    table.open();
    for (table.first(); !table.eof(); table.next()) {
        const auto key = qMakePair(table.asInteger(QStringLiteral("AbNumber")),
                                   table.asString(QStringLiteral("Priznak")).toLower());
        // A locate finds the first matching row.
        if (!payments_.contains(key))
            payments_.insert(
                key, {table.field(QStringLiteral("Dolg")), table.field(QStringLiteral("Pane"))});
    }
}

void InvoiceReport::QueryReportBeforeOpen(const core::SelectionPanel& panel) {
    qint64 from = 0;
    qint64 to = calls::kLastNumber;
    if (panel.byNumber) {
        from = calls::leadingNumber(panel.numberFrom);
        to = calls::leadingNumber(panel.numberTo);
        if (to == 0) to = calls::kLastNumber;
    }
    query_.setInteger(QStringLiteral("NumberFrom"), from);
    query_.setInteger(QStringLiteral("NumberTo"), to);
}

void InvoiceReport::open(const core::SelectionPanel& panel, double ndsPercent) {
    close();
    ndsPercent_ = ndsPercent;
    loadPayments();
    QueryReportBeforeOpen(panel);
    try {
        query_.open();
    } catch (...) {
        payments_.clear();
        throw;
    }
}

void InvoiceReport::close() {
    query_.close();
    query_.unprepare();
    payments_.clear();
}

QString vatCaption(double ndsPercent, const QLocale& locale) {
    return QStringLiteral("НДС %1%").arg(core::floatToText(ndsPercent, locale));
}

InvoiceRun writeInvoicesPdf(db::Database& db, const core::SelectionPanel& panel,
                            const db::RecordFilter* listFilter, double ndsPercent,
                            const IssuerTexts& issuer, const QString& path,
                            const std::function<bool(int, int)>& progress, const QLocale& locale) {
    InvoiceReport report(db, locale);
    if (listFilter) {
        report.setListFilter(*listFilter);
        report.setListFiltered(true);
    }
    report.open(panel, ndsPercent);
    InvoiceRun run;
    run.invoices = report.invoiceCount();
    if (run.invoices > 0) {
        const ReportLayout layout = invoiceLayout(issuer, ndsPercent, locale);
        run.pages = writePdf(layout, &report.data(), path,
                             QStringLiteral("Счета за услуги электросвязи"), progress);
    }
    report.close();
    return run;
}

}  // namespace orv::reports
