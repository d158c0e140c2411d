#pragma once
// Draws a ReportLayout bound to a ReportData, page by page, on any QPainter: the preview's
// page images, a QPrinter and a QPdfWriter all go through drawPage(), so the three outputs are
// the same drawing. Every page holds the page header at the top, the column header under it, as
// many detail bands as fit, one per row in order, and the page footer at the bottom margin; the
// bands have fixed heights, so the pages are known without drawing them and any page can be
// drawn on its own.
//
// Coordinates are millimetres from the paper's top-left corner, turned into device units with
// the painter's device resolution; fonts are sized in points on that device. The renderer keeps
// references to the layout and the data: both must outlive it and not change while it draws.

#include "reports/ReportData.h"
#include "reports/ReportLayout.h"

#include <QFont>
#include <QHash>
#include <QPair>
#include <QString>
#include <functional>

class QPainter;
class QRectF;
class QPagedPaintDevice;

namespace orv::reports {

class ReportRenderer {
  public:
    // data may be nullptr: a report bound to nothing, printed as an empty data set.
    ReportRenderer(const ReportLayout& layout, const ReportData* data);

    qint64 rowCount() const;
    // Detail bands that fit on a page (at least one).
    qint64 rowsPerPage() const;
    // 0 for an empty data set unless the layout prints when empty.
    int pageCount() const;
    // First row of a page and the rows it holds.
    qint64 firstRow(int page) const { return page * rowsPerPage(); }
    qint64 rowsOn(int page) const;

    // Draws page (counted from 0) on a painter whose origin is the paper's top-left corner.
    void drawPage(QPainter& painter, int page) const;

    // Called after each page drawn with the pages done and the total; returning false stops.
    using Progress = std::function<bool(int done, int total)>;
    // Draws every page on the device, starting a new page between them; returns the pages
    // drawn. The device must be set to the layout's paper with no margins of its own.
    int render(QPagedPaintDevice& device, const Progress& progress = {}) const;

    static QFont qtFont(const ReportFont& font);

  private:
    struct DeviceFont {
        QFont font;
        double ascent;
    };
    void drawBand(QPainter& painter, const ReportBand& band, double top, qint64 row,
                  int page) const;
    QString textOf(const ReportElement& element, qint64 row, int page) const;
    void drawBoxedText(QPainter& painter, const DeviceFont& font, const QString& text, double x,
                       double y, double width, bool alignRight) const;
    static void drawQrCode(QPainter& painter, const QString& payload, const QRectF& box);
    // The Qt font and its ascent on the painter's device, made once per font and resolution.
    const DeviceFont& deviceFont(const ReportFont& font, const QPainter& painter) const;

    const ReportLayout& layout_;
    const ReportData* data_;
    mutable QHash<QPair<const ReportFont*, int>, DeviceFont> fonts_;
};

// Writes the report into a PDF file of A4 pages; returns the pages written. A report without
// pages writes no file and returns 0. Throws
// Error(Engine) "Не удалось записать файл <path>" when the file cannot be written; a stopped
// run leaves what it wrote so far.
int writePdf(const ReportLayout& layout, const ReportData* data, const QString& path,
             const QString& title, const ReportRenderer::Progress& progress = {});

}  // namespace orv::reports
