#include "reports/ReportRenderer.h"

#include "core/Error.h"
#include "reports/PaymentQr.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

namespace orv::reports {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kLineWidth = 0.25;    // mm, a hairline that prints on every device
constexpr double kSmallestPoints = 4;  // a boxed text shrinks no further

// Millimetres to device units.
class Scale {
  public:
    explicit Scale(const QPainter& painter)
        : perMm_(painter.device()->logicalDpiX() / kMmPerInch) {}
    double operator()(double mm) const { return mm * perMm_; }

  private:
    double perMm_;
};

double fixedHeight(const ReportLayout& layout) {
    double height = 0;
    for (const ReportBand& band : layout.bands)
        if (band.type != ReportBand::Type::Detail) height += band.height;
    return height;
}

}  // namespace

ReportRenderer::ReportRenderer(const ReportLayout& layout, const ReportData* data)
    : layout_(layout), data_(data) {}

qint64 ReportRenderer::rowCount() const { return data_ ? data_->rowCount() : 0; }

qint64 ReportRenderer::rowsPerPage() const {
    const ReportBand* detail = layout_.band(ReportBand::Type::Detail);
    if (!detail || detail->height <= 0) return 1;
    const double room =
        layout_.pageHeight - layout_.marginTop - layout_.marginBottom - fixedHeight(layout_);
    // A hair of tolerance: three bands of 81.2 mm fit 277 mm however the sum rounds.
    return std::max<qint64>(1, qint64(std::floor(room / detail->height + 1e-9)));
}

int ReportRenderer::pageCount() const {
    const qint64 rows = rowCount();
    if (rows == 0) return layout_.printIfEmpty ? 1 : 0;
    return int((rows + rowsPerPage() - 1) / rowsPerPage());
}

qint64 ReportRenderer::rowsOn(int page) const {
    return std::clamp<qint64>(rowCount() - firstRow(page), 0, rowsPerPage());
}

QFont ReportRenderer::qtFont(const ReportFont& font) {
    QFont f(font.family);
    f.setPointSizeF(font.pointSize);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setKerning(false);
    return f;
}

const ReportRenderer::DeviceFont& ReportRenderer::deviceFont(const ReportFont& font,
                                                             const QPainter& painter) const {
    // The layout does not change while the renderer draws, so a font is known by its address.
    const auto key = qMakePair(&font, painter.device()->logicalDpiY());
    auto found = fonts_.find(key);
    if (found == fonts_.end()) {
        const QFont qt = qtFont(font);
        found = fonts_.insert(key, {qt, QFontMetricsF(qt, painter.device()).ascent()});
    }
    return *found;
}

QString ReportRenderer::textOf(const ReportElement& element, qint64 row, int page) const {
    switch (element.kind) {
        case ReportElement::Kind::Label:
            return element.text;
        case ReportElement::Kind::DataText:
        case ReportElement::Kind::QrCode:
            return data_ && row >= 0 ? data_->text(row, element.field) : QString();
        case ReportElement::Kind::PageNumber:
            return QString::number(page + 1);
        case ReportElement::Kind::HorizontalLine:
        case ReportElement::Kind::VerticalLine:
            break;
    }
    return {};
}

void ReportRenderer::drawBand(QPainter& painter, const ReportBand& band, double top, qint64 row,
                              int page) const {
    const Scale mm(painter);
    const double left = layout_.marginLeft;
    const double width = layout_.bandWidth();
    painter.setPen(QPen(Qt::black, mm(kLineWidth)));
    if (band.frameTop)
        painter.drawLine(QPointF(mm(left), mm(top)), QPointF(mm(left + width), mm(top)));
    if (band.frameBottom) {
        const double bottom = top + band.height;
        painter.drawLine(QPointF(mm(left), mm(bottom)), QPointF(mm(left + width), mm(bottom)));
    }
    for (const ReportElement& e : band.elements) {
        const double x = left + e.left;
        const double y = top + e.top;
        if (e.kind == ReportElement::Kind::HorizontalLine) {
            painter.drawLine(QPointF(mm(x), mm(y)), QPointF(mm(x + e.extent), mm(y)));
            continue;
        }
        if (e.kind == ReportElement::Kind::VerticalLine) {
            painter.drawLine(QPointF(mm(x), mm(y)), QPointF(mm(x), mm(y + e.extent)));
            continue;
        }
        const QString text = textOf(e, row, page);
        if (text.isEmpty()) continue;
        if (e.kind == ReportElement::Kind::QrCode) {
            drawQrCode(painter, text, QRectF(mm(x), mm(y), mm(e.extent), mm(e.extent)));
            continue;
        }
        const DeviceFont& font = deviceFont(e.font ? *e.font : band.font, painter);
        if (e.width <= 0) {
            painter.setFont(font.font);
            painter.drawText(QPointF(mm(x), mm(y) + font.ascent), text);
            continue;
        }
        drawBoxedText(painter, font, text, mm(x), mm(y), mm(e.width), e.alignRight);
    }
}

void ReportRenderer::drawBoxedText(QPainter& painter, const DeviceFont& font, const QString& text,
                                   double x, double y, double width, bool alignRight) const {
    double advance = QFontMetricsF(font.font, painter.device()).horizontalAdvance(text);
    QFont shrunk = font.font;
    if (advance > width) {
        shrunk.setPointSizeF(std::max(kSmallestPoints, font.font.pointSizeF() * width / advance));
        advance = QFontMetricsF(shrunk, painter.device()).horizontalAdvance(text);
    }
    painter.setFont(shrunk);
    const double left = alignRight ? x + std::max(0.0, width - advance) : x;
    // Taller text keeps its baseline where the full-size text has it.
    painter.drawText(QPointF(left, y + font.ascent), text);
}

void ReportRenderer::drawQrCode(QPainter& painter, const QString& payload, const QRectF& box) {
    const QImage code = qrCodeImage(payload);
    if (code.isNull()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Sharp modules: no JPEG in a PDF.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(box, code);
    painter.restore();
}

void ReportRenderer::drawPage(QPainter& painter, int page) const {
    double top = layout_.marginTop;
    const auto fixedBand = [&](ReportBand::Type type) {
        if (const ReportBand* band = layout_.band(type)) {
            drawBand(painter, *band, top, -1, page);
            top += band->height;
        }
    };
    fixedBand(ReportBand::Type::PageHeader);
    fixedBand(ReportBand::Type::ColumnHeader);
    if (const ReportBand* detail = layout_.band(ReportBand::Type::Detail)) {
        const qint64 first = firstRow(page);
        const qint64 count = rowsOn(page);
        for (qint64 i = 0; i < count; ++i) {
            drawBand(painter, *detail, top, first + i, page);
            top += detail->height;
        }
    }
    if (const ReportBand* footer = layout_.band(ReportBand::Type::PageFooter))
        drawBand(painter, *footer, layout_.pageHeight - layout_.marginBottom - footer->height, -1,
                 page);
}

int ReportRenderer::render(QPagedPaintDevice& device, const Progress& progress) const {
    const int pages = pageCount();
    if (pages == 0) return 0;
    QPainter painter;
    if (!painter.begin(&device))
        raise(Error::Kind::Engine, QStringLiteral("Не удалось начать печать отчёта"));
    int done = 0;
    for (int page = 0; page < pages; ++page) {
        if (page > 0) device.newPage();
        drawPage(painter, page);
        ++done;
        if (progress && !progress(done, pages)) break;
    }
    painter.end();
    return done;
}

int writePdf(const ReportLayout& layout, const ReportData* data, const QString& path,
             const QString& title, const ReportRenderer::Progress& progress) {
    const ReportRenderer renderer(layout, data);
    if (renderer.pageCount() == 0) return 0;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        raise(Error::Kind::Engine,
              QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
    QPdfWriter writer(&file);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Orvanta"));
    writer.setResolution(600);
    writer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(layout.pageWidth, layout.pageHeight), QPageSize::Millimeter),
                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    return renderer.render(writer, progress);
}

}  // namespace orv::reports
