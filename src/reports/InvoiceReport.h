#pragma once
// The invoice report: the query QueryReport with its parameters from the selection panel's
// number range, and for each of its rows the invoice composed from the books (InvoiceLines.h):
// the debt row, the payment journal split by the runs of the run journal, and the VAT rate the
// last run charged. Three invoices to an A4 page, each with its payment QR code.
//
// open() reads the run journal and the payment journal, opens the query and composes every
// invoice; they stay in memory while the report is open. The number-list filter is kept by the
// object and survives closing and reopening. The object holds its own statement on the database
// it was given, so it can run on a worker thread with a connection of its own.
//
// Errors are orv::Error with the engine's message (a missing table); a report that fails to
// open stays closed.

#include "core/Selection.h"
#include "db/Query.h"
#include "db/RecordFilter.h"
#include "reports/InvoiceLines.h"
#include "reports/IssuerTexts.h"
#include "reports/ReportData.h"
#include "reports/ReportLayout.h"

#include <QDate>
#include <QVector>
#include <functional>

namespace orv::reports {

// One composed invoice.
struct Invoice {
    qint64 number = 0;
    QString category;
    QDate yearMonth;
    QDate lastYearMonth;
    InvoiceLines lines;
    QString paymentOrder;  // the QR code's payload, empty for none
};

class InvoiceReport : private ReportData {
  public:
    explicit InvoiceReport(db::Database& db);
    InvoiceReport(const InvoiceReport&) = delete;
    InvoiceReport& operator=(const InvoiceReport&) = delete;

    db::Query& QueryReport() { return query_; }

    // NumberFrom and NumberTo set from the panel (QueryReportBeforeOpen), QueryReport opened, the
    // invoices composed; the issuer texts go into the payment QR codes.
    void open(const core::SelectionPanel& panel, const IssuerTexts& issuer = {});
    void close();
    bool isOpen() const { return query_.isOpen(); }
    qint64 invoiceCount() const { return invoices_.size(); }
    // Requires: 0 <= row < invoiceCount().
    const Invoice& invoice(qint64 row) const { return invoices_[row]; }

    // The rows as the report prints them; valid while the report is open.
    const ReportData& data() const { return *this; }

    void setListFilter(const db::RecordFilter& filter) { query_.setFilter(filter); }
    void setListFiltered(bool on) { query_.setFiltered(on); }

  private:
    qint64 rowCount() const override { return invoiceCount(); }
    QString text(qint64 row, const QString& field) const override;
    void QueryReportBeforeOpen(const core::SelectionPanel& panel);
    void compose(const IssuerTexts& issuer);

    db::Query query_;
    QVector<Invoice> invoices_;
};

// The band DetailBand1 of the invoice on an A4 page, with the issuer's texts.
ReportLayout invoiceLayout(const IssuerTexts& issuer);
// "НДС 22%": the caption of the VAT at a rate.
QString vatCaption(double ndsPercent);

struct InvoiceRun {
    qint64 invoices = 0;
    int pages = 0;
};

// The pages of an open report into a PDF file; returns the pages written (none, and no file,
// for an empty report). progress is called after every page.
int writeInvoicePages(const InvoiceReport& report, const IssuerTexts& issuer, const QString& path,
                      const std::function<bool(int, int)>& progress = {});

// The invoices of the panel's number range (and of the list, when a filter is given) into a PDF
// file; no file is written for an empty selection. A worker may call it with a connection of
// its own; progress is called after every page.
InvoiceRun writeInvoicesPdf(db::Database& db, const core::SelectionPanel& panel,
                            const db::RecordFilter* listFilter, const IssuerTexts& issuer,
                            const QString& path,
                            const std::function<bool(int, int)>& progress = {});

}  // namespace orv::reports
