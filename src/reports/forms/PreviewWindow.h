#pragma once
// The modal preview of a report: one page at a time, drawn when it is shown (never all pages
// first), with page navigation, zoom and the page count, and the buttons "Печать" (the system's
// print dialog, then the printer) and "Сохранить в PDF". The pages on screen, on paper and in
// the PDF are drawn by the same ReportRenderer.
//
// Keys: PgUp/PgDn the previous and next page, Ctrl+Home/Ctrl+End the first and last, Ctrl+P
// prints, Esc closes. Printing and saving show a progress window that can stop them; an error is
// shown in the standard error box and the preview stays open.

#include "reports/ReportRenderer.h"

#include <QDialog>
#include <QImage>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;

namespace orv::reports {

class ReportPreview : public QDialog {
    Q_OBJECT

  public:
    // The layout and data must outlive the window and stay unchanged while it is open.
    ReportPreview(const ReportLayout& layout, const ReportData* data, const QString& title,
                  QWidget* parent = nullptr);

    int pageCount() const { return renderer_.pageCount(); }
    int currentPage() const { return page_; }  // from 0
    int zoom() const { return zoom_; }         // percent
    void showPage(int page);
    void setZoom(int percent);
    // The page as it is drawn at the zoom, for tests and the screenshots.
    QImage pageImage(int page) const;
    int pagesDrawn() const { return pagesDrawn_; }

    void print();
    void saveAsPdf();
    // Writes the whole report into a PDF file with the progress window; used by saveAsPdf.
    void saveAsPdf(const QString& path);
    // How "Сохранить в PDF" writes the file instead of drawing the pages here (the invoices run
    // on a worker with a connection of their own); an orv::Error it throws is shown.
    using PdfWriter = std::function<void(const QString& path)>;
    void setPdfWriter(PdfWriter writer) { pdfWriter_ = std::move(writer); }

  private:
    void refresh();
    double dotsPerInch() const;

    ReportRenderer renderer_;
    const ReportLayout& layout_;
    const ReportData* data_;
    QString title_;
    PdfWriter pdfWriter_;
    int page_ = 0;
    int zoom_ = 100;
    int pagesDrawn_ = 0;

    QScrollArea* scroll_;
    QLabel* pageView_;
    QSpinBox* pageBox_;
    QLabel* countLabel_;
    QComboBox* zoomBox_;
    QPushButton* first_;
    QPushButton* previous_;
    QPushButton* next_;
    QPushButton* last_;
    QPushButton* print_;
    QPushButton* save_;
    QPushButton* close_;
};

}  // namespace orv::reports
