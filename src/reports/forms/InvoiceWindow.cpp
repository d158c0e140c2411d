#include "reports/forms/InvoiceWindow.h"

#include "reports/forms/PreviewWindow.h"
#include "ui/LongWork.h"
#include "ui/WaitCursor.h"

#include <QProgressDialog>
#include <optional>

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
    const core::SelectionPanel panel = window_.selection();
    IssuerTexts issuer;
    ReportLayout layout;
    {
        const ui::WaitCursor wait;
        issuer = readIssuerTexts(window_.settingsStore());
        layout = invoiceLayout(issuer);
        report_.open(panel, issuer);
    }
    ReportPreview preview(layout, &report_.data(), QStringLiteral("Счета за услуги электросвязи"),
                          window_.widget());
    preview.setPdfWriter([&](const QString& path) { writePdf(preview, panel, issuer, path); });
    preview.exec();
}

void TForm4::writePdf(QWidget& parent, const core::SelectionPanel& panel, const IssuerTexts& issuer,
                      const QString& path) {
    std::optional<db::RecordFilter> filter;
    if (report_.QueryReport().isFiltered()) filter = report_.QueryReport().filter();
    QProgressDialog progress(QStringLiteral("Запись счетов в PDF…"), QString(), 0, 100, &parent);
    progress.setWindowTitle(QStringLiteral("Печать"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    ui::LongWork::run(
        window_,
        [&](db::Database& own, ui::LongWork::Progress& report) {
            const auto pageDone = [&report](int done, int total) {
                report.report(done * 100 / total,
                              QStringLiteral("Страница %1 из %2").arg(done).arg(total));
                return true;
            };
            writeInvoicesPdf(own, panel, filter ? &*filter : nullptr, issuer, path, pageDone);
        },
        [&progress](int percent, const QString& text) {
            progress.setLabelText(text);
            progress.setValue(percent);
        });
}

}  // namespace orv::reports
