#include "reports/ReportLayout.h"

namespace orv::reports {

ReportBand* ReportLayout::band(ReportBand::Type type) {
    for (ReportBand& b : bands)
        if (b.type == type) return &b;
    return nullptr;
}

const ReportBand* ReportLayout::band(ReportBand::Type type) const {
    for (const ReportBand& b : bands)
        if (b.type == type) return &b;
    return nullptr;
}

ReportElement label(double left, double top, const QString& text, std::optional<ReportFont> font) {
    ReportElement e;
    e.kind = ReportElement::Kind::Label;
    e.left = left;
    e.top = top;
    e.text = text;
    e.font = std::move(font);
    return e;
}

ReportElement dataText(double left, double top, const QString& field,
                       std::optional<ReportFont> font) {
    ReportElement e;
    e.kind = ReportElement::Kind::DataText;
    e.left = left;
    e.top = top;
    e.field = field;
    e.font = std::move(font);
    return e;
}

ReportElement horizontalLine(double left, double top, double width) {
    ReportElement e;
    e.kind = ReportElement::Kind::HorizontalLine;
    e.left = left;
    e.top = top;
    e.extent = width;
    return e;
}

ReportElement verticalLine(double left, double top, double height) {
    ReportElement e;
    e.kind = ReportElement::Kind::VerticalLine;
    e.left = left;
    e.top = top;
    e.extent = height;
    return e;
}

ReportElement boxed(ReportElement text, double width, bool alignRight) {
    text.width = width;
    text.alignRight = alignRight;
    return text;
}

ReportElement qrCode(double left, double top, double side, const QString& field) {
    ReportElement e;
    e.kind = ReportElement::Kind::QrCode;
    e.left = left;
    e.top = top;
    e.extent = side;
    e.field = field;
    return e;
}

ReportElement pageNumber(double left, double top, std::optional<ReportFont> font) {
    ReportElement e;
    e.kind = ReportElement::Kind::PageNumber;
    e.left = left;
    e.top = top;
    e.font = std::move(font);
    return e;
}

}  // namespace orv::reports
