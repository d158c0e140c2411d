#pragma once
// The invoice report: the query QueryReport with its parameters from the selection panel's
// number range, its calculated fields (QueryReportCalcFields) fed by the last payments of
// PaneDate.DB, and the layout of the invoice band, three invoices to an A4 page.
//
// open() reads the payments, then opens the query; the payments stay in memory while the query
// is open, so every row fetched can find its payment. The number-list filter is kept by the
// object and survives closing and reopening. The object holds its own statement on the database
// it was given, so it can run on a worker thread with a connection of its own.
//
// Errors are orv::Error with the engine's message (a missing table); a report that fails to
// open stays closed.

#include "core/Selection.h"
#include "db/Query.h"
#include "db/RecordFilter.h"
#include "reports/IssuerTexts.h"
#include "reports/QueryData.h"
#include "reports/ReportLayout.h"

#include <QHash>
#include <QLocale>
#include <QPair>
#include <QVariant>
#include <memory>

namespace orv::reports {

class InvoiceReport {
  public:
    InvoiceReport(db::Database& db, const QLocale& locale = QLocale());
    InvoiceReport(const InvoiceReport&) = delete;
    InvoiceReport& operator=(const InvoiceReport&) = delete;

    db::Query& QueryReport() { return query_; }

    // TableDateOfPane read, NumberFrom and NumberTo set from the panel (QueryReportBeforeOpen),
    // QueryReport opened with the VAT rate of every calculated amount.
    void open(const core::SelectionPanel& panel, double ndsPercent);
    void close();
    bool isOpen() const { return query_.isOpen(); }
    qint64 invoiceCount() const { return query_.isOpen() ? query_.recordCount() : 0; }

    // The rows as the report prints them; valid while the report is open.
    const ReportData& data() const { return data_; }

    void setListFilter(const db::RecordFilter& filter) { query_.setFilter(filter); }
    void setListFiltered(bool on) { query_.setFiltered(on); }

  private:
    struct Payment {
        QVariant dolg;
        QVariant pane;
    };
    void QueryReportBeforeOpen(const core::SelectionPanel& panel);
    void loadPayments();

    db::Query query_;
    QueryData data_;
    QHash<QPair<qint64, QString>, Payment> payments_;  // (AbNumber, lower-case Priznak)
    double ndsPercent_ = 20.0;
};

// The band DetailBand1 of the invoice on an A4 page, with the issuer's texts and the applied
// VAT rate in the captions ("НДС 20%" at 20, "НДС 22%" at 22).
ReportLayout invoiceLayout(const IssuerTexts& issuer, double ndsPercent,
                           const QLocale& locale = QLocale());
// "НДС <rate>%" with the rate in general number format.
QString vatCaption(double ndsPercent, const QLocale& locale = QLocale());

// The money and date columns of QueryReport, for its display texts.
const QList<core::ViewColumn>& invoiceColumns();

struct InvoiceRun {
    qint64 invoices = 0;
    int pages = 0;
};

// The invoices of the panel's number range (and of the list, when a filter is given) into a PDF
// file; no file is written for an empty selection. A worker may call it with a connection of
// its own; progress is called after every page.
InvoiceRun writeInvoicesPdf(db::Database& db, const core::SelectionPanel& panel,
                            const db::RecordFilter* listFilter, double ndsPercent,
                            const IssuerTexts& issuer, const QString& path,
                            const std::function<bool(int, int)>& progress = {},
                            const QLocale& locale = QLocale());

}  // namespace orv::reports
