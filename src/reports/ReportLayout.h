#pragma once
// The layout of a banded report, as plain data: the page (A4 portrait in millimetres with its
// margins), the report's base font and its bands in page order. A band has a fixed height, its
// own font, optional frame lines along its top and bottom edges and its elements: fixed-text
// labels, data texts that print the display text of a named field of the current row,
// horizontal and vertical lines, the page number and QR codes of a field's text. Every position
// is in millimetres from the band's top-left corner; texts are left-justified and as wide as
// they are long, unless given a box: then a text too long for it is drawn smaller so that it
// never crosses the box's right edge, and it may be aligned to that edge.
//
// Layouts are built in code and changed at run time (elements added and removed); ReportRenderer
// draws them.

#include <QList>
#include <QString>
#include <optional>

namespace orv::reports {

struct ReportFont {
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct ReportElement {
    enum class Kind { Label, DataText, HorizontalLine, VerticalLine, PageNumber, QrCode };

    Kind kind = Kind::Label;
    QString name;  // component name, for finding it again
    double left = 0;
    double top = 0;
    double extent = 0;  // width of a horizontal line, height of a vertical one, side of a code
    double width = 0;   // the box of a text, 0 for none
    bool alignRight = false;         // to the box's right edge
    QString text;                    // Label
    QString field;                   // DataText, QrCode: the field whose display text prints
    std::optional<ReportFont> font;  // the band's font when empty
};

struct ReportBand {
    enum class Type { PageHeader, ColumnHeader, Detail, PageFooter };

    Type type = Type::Detail;
    QString name;
    double height = 0;
    ReportFont font;
    bool frameTop = false;
    bool frameBottom = false;
    QList<ReportElement> elements;
};

struct ReportLayout {
    double pageWidth = 210;
    double pageHeight = 297;
    double marginLeft = 10;
    double marginTop = 10;
    double marginRight = 10;
    double marginBottom = 10;
    ReportFont font;
    // Whether pages print when the data set has no rows: the page header, column header and
    // footer on one page. When false an empty data set gives no page at all.
    bool printIfEmpty = false;
    QList<ReportBand> bands;

    // The band of that type, nullptr when the layout has none.
    ReportBand* band(ReportBand::Type type);
    const ReportBand* band(ReportBand::Type type) const;
    double bandWidth() const { return pageWidth - marginLeft - marginRight; }
};

// Shorthands for building layouts.
ReportElement label(double left, double top, const QString& text,
                    std::optional<ReportFont> font = {});
ReportElement dataText(double left, double top, const QString& field,
                       std::optional<ReportFont> font = {});
ReportElement horizontalLine(double left, double top, double width);
ReportElement verticalLine(double left, double top, double height);
// A text in a box from left to left + width.
ReportElement boxed(ReportElement text, double width, bool alignRight = false);
// The QR code of the field's text, a square of side millimetres; nothing for an empty text.
ReportElement qrCode(double left, double top, double side, const QString& field);
ReportElement pageNumber(double left, double top, std::optional<ReportFont> font = {});

}  // namespace orv::reports
