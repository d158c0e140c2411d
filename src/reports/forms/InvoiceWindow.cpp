#include "reports/forms/InvoiceWindow.h"

#include "reports/forms/PreviewWindow.h"
#include "ui/WaitCursor.h"

namespace orv::reports {
namespace {

// Closes the report on every way out of the command.
class ReportOpen {
  public:
    explicit ReportOpen(InvoiceReport& report) : report_(report) {}
    ~ReportOpen() { report_.close(); }
    ReportOpen(const ReportOpen&) = delete;
    ReportOpen& operator=(const ReportOpen&) = delete;

  private:
    InvoiceReport& report_;
};

}  // namespace

TForm4::TForm4(ui::MainWindowHost& window)
    : QObject(window.widget()), window_(window), report_(window.tarifStandard()) {
    setObjectName(QStringLiteral("Form4"));
}

void TForm4::BitBtnReportClick() {
    const ReportOpen open(report_);
    const double ndsPercent = window_.vat().ndsPercent;
    ReportLayout layout;
    {
        const ui::WaitCursor wait;
        layout = invoiceLayout(readIssuerTexts(window_.settingsStore()), ndsPercent);
        report_.open(window_.selection(), ndsPercent);
    }
    ReportPreview preview(layout, &report_.data(), QStringLiteral("Счета за услуги электросвязи"),
                          window_.widget());
    preview.exec();
}

}  // namespace orv::reports
