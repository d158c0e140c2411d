#include "reports/InvoiceReport.h"

#include "billing/DebtJournal.h"
#include "billing/PaymentJournal.h"
#include "billing/VatRates.h"
#include "calls/SelectionParameters.h"
#include "core/Error.h"
#include "core/Selection.h"
#include "db/Database.h"
#include "db/FieldType.h"
#include "reports/PaymentQr.h"
#include "reports/ReportRenderer.h"
#include "reports/ReportStatements.h"

#include <QHash>

namespace orv::reports {
namespace {

using billing::Money;

double amount(const db::Query& query, qint64 row, const QString& field) {
    const QVariant value = query.value(row, field);
    return value.isNull() ? 0.0 : value.toDouble();
}

// The fields of a composed invoice the layout prints, by name.
enum class Line {
    Carried,
    Paid,
    Fee,
    FeeVat,
    FeeFull,
    City,
    CityVat,
    CityFull,
    Mg,
    MgVat,
    MgFull,
    Penalty,
    PenaltyVat,
    PenaltyFull,
    PenaltyCaption,
    Net,
    Vat,
    Charged,
    Due,
    DueNet,
    DueVat,
    VatCaption,
    PaymentOrder,
    YearMonth,
    LastYearMonth
};

const QHash<QString, Line>& lineFields() {
    static const QHash<QString, Line> fields = {
        {QStringLiteral("LDWNds"), Line::Carried},
        {QStringLiteral("Paned"), Line::Paid},
        {QStringLiteral("AbPlata"), Line::Fee},
        {QStringLiteral("AbPlataNDS"), Line::FeeVat},
        {QStringLiteral("AbPlataFull"), Line::FeeFull},
        {QStringLiteral("ByTime"), Line::City},
        {QStringLiteral("ByTimeNDS"), Line::CityVat},
        {QStringLiteral("ByTimeFull"), Line::CityFull},
        {QStringLiteral("MG"), Line::Mg},
        {QStringLiteral("MGNds"), Line::MgVat},
        {QStringLiteral("MGFull"), Line::MgFull},
        {QStringLiteral("Peny"), Line::Penalty},
        {QStringLiteral("PenyNDS"), Line::PenaltyVat},
        {QStringLiteral("PenyFull"), Line::PenaltyFull},
        {QStringLiteral("PenyCaption"), Line::PenaltyCaption},
        {QStringLiteral("AllNach"), Line::Net},
        {QStringLiteral("AllNDS"), Line::Vat},
        {QStringLiteral("AllFull"), Line::Charged},
        {QStringLiteral("DolgWithNDS"), Line::Due},
        {QStringLiteral("AllNLD"), Line::DueNet},
        {QStringLiteral("AllNLDNds"), Line::DueVat},
        {QStringLiteral("VatCaption"), Line::VatCaption},
        {QStringLiteral("PaymentOrder"), Line::PaymentOrder},
        {QStringLiteral("YearMonth"), Line::YearMonth},
        {QStringLiteral("LastYearMonth"), Line::LastYearMonth},
    };
    return fields;
}

QString lineText(const Invoice& invoice, Line line) {
    const InvoiceLines& l = invoice.lines;
    const bool penalty = l.penalty != Money() || l.penaltyVat != Money();
    switch (line) {
        case Line::Carried:
            return l.carried.toRussianString();
        case Line::Paid:
            return l.paid.toRussianString();
        case Line::Fee:
            return l.fee.toRussianString();
        case Line::FeeVat:
            return l.feeVat.toRussianString();
        case Line::FeeFull:
            return (l.fee + l.feeVat).toRussianString();
        case Line::City:
            return l.city.toRussianString();
        case Line::CityVat:
            return l.cityVat.toRussianString();
        case Line::CityFull:
            return (l.city + l.cityVat).toRussianString();
        case Line::Mg:
            return l.mg.toRussianString();
        case Line::MgVat:
            return l.mgVat.toRussianString();
        case Line::MgFull:
            return (l.mg + l.mgVat).toRussianString();
        case Line::Penalty:
            return penalty ? l.penalty.toRussianString() : QString();
        case Line::PenaltyVat:
            return penalty ? l.penaltyVat.toRussianString() : QString();
        case Line::PenaltyFull:
            return penalty ? (l.penalty + l.penaltyVat).toRussianString() : QString();
        case Line::PenaltyCaption:
            return penalty ? QStringLiteral("Пеня") : QString();
        case Line::Net:
            return l.net.toRussianString();
        case Line::Vat:
            return l.vat.toRussianString();
        case Line::Charged:
            return l.charged.toRussianString();
        case Line::Due:
            return l.due.toRussianString();
        case Line::DueNet:
            return l.dueNet.toRussianString();
        case Line::DueVat:
            return l.dueVat.toRussianString();
        case Line::VatCaption:
            return vatCaption(l.vatPercent);
        case Line::PaymentOrder:
            return invoice.paymentOrder;
        case Line::YearMonth:
            return core::dateText(invoice.yearMonth);
        case Line::LastYearMonth:
            return core::dateText(invoice.lastYearMonth);
    }
    return {};
}

// What the invoice needs to know besides the debt rows, read once per report.
struct Books {
    QList<billing::RunRecord> runs;
    billing::AccountPayments payments;
    billing::VatRates rates;
};

// The rates are only read here: a data folder without its table has the statutory ones.
Books readBooks(db::Database& db) {
    Books books{billing::readDebtJournal(db), billing::readJournalPayments(db),
                billing::VatRates(billing::statutoryVatRates())};
    if (db.tableExists(QStringLiteral("NdsRates"))) books.rates = billing::VatRates::read(db);
    return books;
}

// The rate of the billed month when the run journal does not know the run.
double rateOf(const billing::VatRates& rates, const QDate& month) {
    try {
        return rates.percentOn(month);
    } catch (const Error&) {
        return 0;
    }
}

// The payments split by the last run and the one before it (a run of one month; after a
// catch-up the payments before the run are in the debt it carried).
void splitPayments(const Books& books, const Invoice& invoice, InvoiceBooks& in) {
    const auto last = billing::lastRunTo(books.runs, invoice.yearMonth);
    if (!last) return;
    in.runKnown = true;
    in.vatPercent = last->ndsPercent;
    std::optional<billing::RunRecord> previous;
    if (last->months == 1) previous = billing::lastRunTo(books.runs, invoice.lastYearMonth);
    const auto found =
        books.payments.constFind(billing::paymentAccount(invoice.number, invoice.category));
    if (found == books.payments.constEnd()) return;
    for (const billing::JournalPayment& payment : *found) {
        if (payment.id > last->lastPane)
            in.paidAfter += payment.paid;
        else if (previous && payment.id > previous->lastPane)
            in.paidBefore += payment.paid;
    }
}

}  // namespace

InvoiceReport::InvoiceReport(db::Database& db) : query_(db) { query_.setSql(sql::QueryReport()); }

QString InvoiceReport::text(qint64 row, const QString& field) const {
    const auto line = lineFields().constFind(field);
    if (line != lineFields().constEnd()) return lineText(invoices_[row], *line);
    if (query_.fieldIndex(field) < 0) return {};
    const QVariant value = query_.value(row, field);
    return value.isNull() ? QString() : db::displayText(value);
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

void InvoiceReport::compose(const IssuerTexts& issuer) {
    const Books books = readBooks(query_.database());
    const qint64 rows = query_.recordCount();
    invoices_.reserve(rows);
    for (qint64 r = 0; r < rows; ++r) {
        Invoice invoice;
        invoice.number = query_.value(r, QStringLiteral("AbNumber")).toLongLong();
        invoice.category = query_.value(r, QStringLiteral("Priznak")).toString();
        invoice.yearMonth = query_.value(r, QStringLiteral("YearMonth")).toDate();
        invoice.lastYearMonth = query_.value(r, QStringLiteral("LastYearMonth")).toDate();
        InvoiceBooks in;
        in.dolg = amount(query_, r, QStringLiteral("Dolg"));
        in.nds = amount(query_, r, QStringLiteral("NDS"));
        in.lastDolg = amount(query_, r, QStringLiteral("LastDolg"));
        in.abPlata = amount(query_, r, QStringLiteral("AbPlata"));
        in.byTime = amount(query_, r, QStringLiteral("ByTime"));
        in.mg = amount(query_, r, QStringLiteral("MG"));
        in.vatPercent = rateOf(books.rates, invoice.lastYearMonth);
        splitPayments(books, invoice, in);
        invoice.lines = composeInvoice(in);
        invoice.paymentOrder =
            paymentOrder(issuer, invoice.number, invoice.lines.due, invoice.lastYearMonth);
        invoices_.append(invoice);
    }
}

void InvoiceReport::open(const core::SelectionPanel& panel, const IssuerTexts& issuer) {
    close();
    QueryReportBeforeOpen(panel);
    query_.open();
    try {
        compose(issuer);
    } catch (...) {
        close();
        throw;
    }
}

void InvoiceReport::close() {
    query_.close();
    query_.unprepare();
    invoices_.clear();
}

QString vatCaption(double ndsPercent) {
    return QStringLiteral("НДС %1%").arg(billing::vatPercentText(ndsPercent));
}

int writeInvoicePages(const InvoiceReport& report, const IssuerTexts& issuer, const QString& path,
                      const std::function<bool(int, int)>& progress) {
    if (report.invoiceCount() == 0) return 0;
    const ReportLayout layout = invoiceLayout(issuer);
    return writePdf(layout, &report.data(), path, QStringLiteral("Счета за услуги электросвязи"),
                    progress);
}

InvoiceRun writeInvoicesPdf(db::Database& db, const core::SelectionPanel& panel,
                            const db::RecordFilter* listFilter, const IssuerTexts& issuer,
                            const QString& path, const std::function<bool(int, int)>& progress) {
    InvoiceReport report(db);
    if (listFilter) {
        report.setListFilter(*listFilter);
        report.setListFiltered(true);
    }
    report.open(panel, issuer);
    InvoiceRun run;
    run.invoices = report.invoiceCount();
    run.pages = writeInvoicePages(report, issuer, path, progress);
    report.close();
    return run;
}

}  // namespace orv::reports
