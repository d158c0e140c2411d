#pragma once
// TForm4, the invoice report's window: it holds the report (QueryReport, its calculated fields
// and the invoice layout) for the program's whole run and is never shown itself; the main
// window's BitBtnReportClick opens the report and shows it in the preview.

#include "reports/InvoiceReport.h"
#include "ui/MainWindowHost.h"

#include <QObject>

namespace orv::reports {

class TForm4 : public QObject {
    Q_OBJECT

  public:
    explicit TForm4(ui::MainWindowHost& window);

    InvoiceReport& report() { return report_; }

    // The journals read, QueryReport opened on the selection panel's number range and its
    // invoices composed from the books, the preview shown until the user closes it, then the report
    // closed; the layout takes the issuer's texts from the settings store as they are now. An empty
    // selection opens the preview with no pages. "Сохранить в PDF" runs as long work.
    void BitBtnReportClick();

  private:
    // "Сохранить в PDF" of the preview: the same invoices drawn again on a worker thread with a
    // connection of its own, with a progress window, while the windows keep painting.
    void writePdf(QWidget& parent, const core::SelectionPanel& panel, const IssuerTexts& issuer,
                  const QString& path);

    ui::MainWindowHost& window_;
    InvoiceReport report_;
};

}  // namespace orv::reports
