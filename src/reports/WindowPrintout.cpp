#include "reports/WindowPrintout.h"

#include "reports/ReportRenderer.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>
#include <exception>

namespace orv::reports {
namespace {

constexpr double kMmPerUnit = 25.4 / 96;
constexpr double kHeaderHeight = 10.6;
constexpr double kLineHeight = 5.0;
constexpr double kColumnPitch = 75 * kMmPerUnit;  // the narrowest column, as designed
constexpr double kColumnGap = 2.0;                // mm between a column's text and the next
constexpr double kTypeSize = 10;
constexpr double kSmallestType = 6;
constexpr qint64 kMeasuredRows = 500;
constexpr double kPortraitWidth = 210;
constexpr double kPortraitHeight = 297;
constexpr double kTitleLeft = 82.5;
constexpr double kPageNumberLeft = 88.9;

// Width in millimetres of text printed in font.
double textWidth(const QString& text, const ReportFont& font) {
    static const QImage fine = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(720 / 0.0254));
        image.setDotsPerMeterY(qRound(720 / 0.0254));
        return image;
    }();
    const QFontMetricsF metrics(ReportRenderer::qtFont(font), &fine);
    return metrics.horizontalAdvance(text) / 720 * 25.4;
}

ReportFont font(const char* family, double size, bool bold = false, bool underline = false) {
    ReportFont f;
    f.family = QString::fromLatin1(family);
    f.pointSize = size;
    f.bold = bold;
    f.underline = underline;
    return f;
}

ReportBand band(ReportBand::Type type, const char* name, double height, ReportFont bandFont) {
    ReportBand b;
    b.type = type;
    b.name = QString::fromLatin1(name);
    b.height = height;
    b.font = std::move(bandFont);
    return b;
}

}  // namespace

double WindowPrintout::columnLeft(int i) { return (10 + 75 * (i % kColumnsPerLine)) * kMmPerUnit; }

// Each column as wide as its title and its widest value (of the first rows) at the design type,
// never narrower than the designed pitch.
QList<double> WindowPrintout::columnWidths(const QList<db::FieldDef>& fields) const {
    const ReportFont titleFont = layout_.band(ReportBand::Type::ColumnHeader)->font;
    const ReportFont valueFont = layout_.band(ReportBand::Type::Detail)->font;
    const qint64 rows = std::min(data_->rowCount(), kMeasuredRows);
    QList<double> widths;
    for (const db::FieldDef& field : fields) {
        double widest = textWidth(field.name, titleFont);
        for (qint64 row = 0; row < rows; ++row)
            widest = std::max(widest, textWidth(data_->text(row, field.name), valueFont));
        widths.append(std::max(kColumnPitch, widest + kColumnGap));
    }
    return widths;
}

// The page and type the columns need: portrait when they fit its width, else landscape, with
// smaller type (down to kSmallestType) when even that is too narrow. Returns the scale of the
// type against the design.
double WindowPrintout::choosePage(double columnsWidth) {
    layout_.pageWidth = kPortraitWidth;
    layout_.pageHeight = kPortraitHeight;
    double scale = 1;
    if (columnsWidth > layout_.bandWidth()) {
        std::swap(layout_.pageWidth, layout_.pageHeight);
        scale = std::clamp(layout_.bandWidth() / columnsWidth, kSmallestType / kTypeSize, 1.0);
    }
    for (ReportBand::Type type : {ReportBand::Type::ColumnHeader, ReportBand::Type::Detail})
        layout_.band(type)->font.pointSize = kTypeSize * scale;
    // The title and the page number keep their places against the middle of the page.
    const double shift = (layout_.pageWidth - kPortraitWidth) / 2;
    layout_.band(ReportBand::Type::PageHeader)->elements.first().left = kTitleLeft + shift;
    layout_.band(ReportBand::Type::PageFooter)->elements.first().left = kPageNumberLeft + shift;
    return scale;
}

WindowPrintout::WindowPrintout() {
    layout_.font = font("Arial", 10);
    layout_.printIfEmpty = true;
    ReportBand header = band(ReportBand::Type::PageHeader, "PageHeaderBand1", 10.6, layout_.font);
    ReportElement title =
        label(82.5, 2.1, QStringLiteral("ReportLabel1"), font("Times New Roman", 14, true));
    title.name = QStringLiteral("ReportLabel1");
    header.elements.append(title);
    ReportBand footer = band(ReportBand::Type::PageFooter, "PageFooterBand1", 6.3, layout_.font);
    ReportElement number = pageNumber(88.9, 2.1, font("Times New Roman", 10));
    number.name = QStringLiteral("ReportPageNumber1");
    footer.elements.append(number);
    layout_.bands = {
        header,
        band(ReportBand::Type::ColumnHeader, "ColumnHeaderBand1", kHeaderHeight,
             font("Times New Roman", 10, true, true)),
        band(ReportBand::Type::Detail, "DetailBand1", kLineHeight, font("Times New Roman", 10)),
        footer,
    };
}

QString WindowPrintout::title() const {
    return layout_.band(ReportBand::Type::PageHeader)->elements.first().text;
}

void WindowPrintout::PrepareReport(const db::Query* dataSet, const QString& name,
                                   const QList<core::ViewColumn>& columns, const QLocale& locale) {
    ReportBand& titles = *layout_.band(ReportBand::Type::ColumnHeader);
    ReportBand& detail = *layout_.band(ReportBand::Type::Detail);
    while (!titles.elements.isEmpty()) titles.elements.removeLast();
    while (!detail.elements.isEmpty()) detail.elements.removeLast();
    titles.height = kHeaderHeight;
    detail.height = kLineHeight;
    choosePage(0);
    if (!dataSet) return;
    try {
        data_ = std::make_unique<QueryData>(*dataSet, columns, locale);
        layout_.band(ReportBand::Type::PageHeader)->elements.first().text = name;
        const QList<db::FieldDef> fields =
            dataSet->isOpen() ? dataSet->dataFields() : QList<db::FieldDef>();
        QList<double> widths = columnWidths(fields);
        double total = 0;
        for (double w : widths) total += w;
        const double scale = choosePage(total);
        // Columns left to right; one that would pass the band's edge starts the next line.
        const double first = columnLeft(0);
        double left = first;
        int line = 0;
        for (int i = 0; i < fields.size(); ++i) {
            const double width = widths[i] * scale;
            if (left > first && left + width - kColumnGap > layout_.bandWidth()) {
                left = first;
                ++line;
            }
            const double top = line * kLineHeight * scale;
            titles.elements.append(label(left, top, fields[i].name));
            detail.elements.append(dataText(left, top, fields[i].name));
            left += width;
        }
        if (line > 0) {
            titles.height = kHeaderHeight + line * kLineHeight * scale;
            detail.height = (line + 1) * kLineHeight * scale;
        }
    } catch (const std::exception&) {
        // A data set that cannot be read prints what was prepared.
    }
}

int writePrintoutPdf(const db::Query& dataSet, const QString& name,
                     const QList<core::ViewColumn>& columns, const QString& path,
                     const QLocale& locale) {
    WindowPrintout printout;
    printout.PrepareReport(&dataSet, name, columns, locale);
    return writePdf(printout.layout(), printout.data(), path, name);
}

}  // namespace orv::reports
