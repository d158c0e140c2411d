#include "reports/WindowPrintout.h"

#include "reports/ReportRenderer.h"

#include <exception>

namespace orv::reports {
namespace {

constexpr double kMmPerUnit = 25.4 / 96;
constexpr double kHeaderHeight = 10.6;
constexpr double kLineHeight = 5.0;

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
    if (!dataSet) return;
    try {
        data_ = std::make_unique<QueryData>(*dataSet, columns, locale);
        layout_.band(ReportBand::Type::PageHeader)->elements.first().text = name;
        const QList<db::FieldDef> fields =
            dataSet->isOpen() ? dataSet->dataFields() : QList<db::FieldDef>();
        for (int i = 0; i < fields.size(); ++i) {
            const double top = (i / kColumnsPerLine) * kLineHeight;
            titles.elements.append(label(columnLeft(i), top, fields[i].name));
            detail.elements.append(dataText(columnLeft(i), top, fields[i].name));
        }
        const int lines = (int(fields.size()) + kColumnsPerLine - 1) / kColumnsPerLine;
        if (lines > 1) {
            titles.height = kHeaderHeight + (lines - 1) * kLineHeight;
            detail.height = lines * kLineHeight;
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
