// The invoice band: the invoice proper on the left, the tear-off counterfoil on the right of the
// divider, every position in millimetres from the band's top-left corner. Amounts sit in boxes
// that end short of the next ruled line, so a long amount is drawn smaller, never across it.

#include "reports/InvoiceReport.h"

namespace orv::reports {
namespace {

constexpr double kDivider = 146.1;
constexpr double kBandRight = 189.6;
constexpr double kInvoiceRight = kDivider - 0.8;
constexpr double kTableRule = 95.2;
constexpr double kQrSide = 27.0;

ReportFont arial(double size, bool bold = false, bool italic = false, bool underline = false) {
    ReportFont font;
    font.pointSize = size;
    font.bold = bold;
    font.italic = italic;
    font.underline = underline;
    return font;
}

QString field(const char* name) { return QString::fromLatin1(name); }

// A text from left to right.
ReportElement fitted(ReportElement text, double right) {
    const double width = right - text.left;
    return boxed(std::move(text), width);
}

// An amount right-aligned in the box from left to right.
ReportElement amount(double left, double right, double top, const char* name,
                     std::optional<ReportFont> font = {}) {
    return boxed(dataText(left, top, field(name), std::move(font)), right - left, true);
}

void addLines(ReportBand& band) {
    band.elements.append(horizontalLine(2.1, 6.3, 186.5));
    band.elements.append(verticalLine(kDivider, 2.1, 76.5));
    band.elements.append(horizontalLine(2.1, 19.1, 144.2));
    band.elements.append(horizontalLine(2.1, 29.6, 93.4));
    band.elements.append(verticalLine(kTableRule, 29.6, 40.5));
    band.elements.append(horizontalLine(2.1, 46.6, 93.4));
}

void addChargesRow(ReportBand& band, double top, const ReportElement& caption, const char* charged,
                   const char* vat, const char* full, std::optional<ReportFont> font = {}) {
    band.elements.append(caption);
    band.elements.append(amount(46.6, 62.6, top, charged, font));
    band.elements.append(amount(63.5, 79.5, top, vat, font));
    band.elements.append(amount(80.4, kTableRule - 0.8, top, full, font));
}

void addHeading(ReportBand& band, const IssuerTexts& issuer) {
    band.elements.append(
        fitted(label(2.1, 2.1, issuer.centreName, arial(10, true, true)), kInvoiceRight));
    band.elements.append(fitted(dataText(2.1, 8.5, field("Adress"), arial(9)), 107.0));
    band.elements.append(label(108.0, 8.5, QStringLiteral("хранить 3 года")));
    band.elements.append(label(2.1, 14.8, QStringLiteral("ДОМ."), arial(9)));
    band.elements.append(fitted(dataText(10.6, 12.7, field("House"), arial(16, true)), 27.0));
    band.elements.append(label(27.5, 14.8, QStringLiteral("КВ."), arial(9)));
    band.elements.append(fitted(dataText(33.9, 12.7, field("Appartm"), arial(16, true)), 58.8));
    band.elements.append(fitted(dataText(59.3, 14.8, field("FIO"), arial(10, true)), 105.3));
    band.elements.append(label(105.8, 14.8, QStringLiteral("ТЕЛЕФОН"), arial(9)));
    band.elements.append(
        fitted(dataText(122.8, 14.8, field("AbNumber"), arial(12, true)), kInvoiceRight));
    band.elements.append(dataText(2.1, 21.2, field("YearMonth"), arial(9, true)));
    band.elements.append(
        label(46.6, 21.2, QStringLiteral("СЧЕТ ЗА УСЛУГИ ЭЛЕКТРОСВЯЗИ"), arial(9)));
}

void addCharges(ReportBand& band) {
    const ReportFont bold8 = arial(8, true);
    band.elements.append(label(2.1, 25.4, QStringLiteral("Вид услуги"), bold8));
    band.elements.append(label(46.6, 25.4, QStringLiteral("Начислено"), bold8));
    band.elements.append(dataText(63.5, 25.4, field("VatCaption"), bold8));
    band.elements.append(label(80.4, 25.4, QStringLiteral("Всего"), bold8));
    addChargesRow(band, 31.8, label(2.1, 31.8, QStringLiteral("Абон. плата")), "AbPlata",
                  "AbPlataNDS", "AbPlataFull");
    addChargesRow(band, 36.0, label(2.1, 36.0, QStringLiteral("Почасовая оплата")), "ByTime",
                  "ByTimeNDS", "ByTimeFull");
    addChargesRow(band, 40.2, label(2.1, 40.2, QStringLiteral("Междугородние разговоры")), "MG",
                  "MGNds", "MGFull");
    // The penalty's row prints only when there is a penalty, in a smaller type to fit above
    // the rule.
    addChargesRow(band, 43.4, dataText(2.1, 43.4, field("PenyCaption"), arial(7)), "Peny",
                  "PenyNDS", "PenyFull", arial(7));
    addChargesRow(band, 48.7, label(2.1, 48.7, QStringLiteral("Всего начислено"), bold8), "AllNach",
                  "AllNDS", "AllFull", bold8);
}

// The account of the period: carried - paid + charged = due.
void addAccount(ReportBand& band) {
    constexpr double from = 130.0;
    band.elements.append(label(99.5, 31.8, QStringLiteral("Долг на")));
    band.elements.append(dataText(111.2, 31.6, field("LastYearMonth"), arial(8)));
    band.elements.append(amount(from, kInvoiceRight, 31.8, "LDWNds"));
    band.elements.append(label(99.5, 35.6, QStringLiteral("Оплачено")));
    band.elements.append(amount(from, kInvoiceRight, 35.6, "Paned"));
    band.elements.append(label(99.5, 39.4, QStringLiteral("Начислено")));
    band.elements.append(amount(from, kInvoiceRight, 39.4, "AllFull"));
    band.elements.append(label(99.5, 43.2, QStringLiteral("Общая сумма без НДС")));
    band.elements.append(amount(from, kInvoiceRight, 43.2, "AllNLD"));
    band.elements.append(dataText(99.5, 47.0, field("VatCaption")));
    band.elements.append(amount(from, kInvoiceRight, 47.0, "AllNLDNds"));
    band.elements.append(label(99.5, 52.9, QStringLiteral("СУММА К ОПЛАТЕ"), arial(8, true)));
    band.elements.append(
        fitted(dataText(112.2, 59.3, field("DolgWithNDS"), arial(14, true)), kInvoiceRight));
}

void addFooter(ReportBand& band, const IssuerTexts& issuer) {
    band.elements.append(
        fitted(label(2.1, 72.0,
                     QStringLiteral("Сервисный центр предлагает оплачивать счета до 20-го числа "
                                    "текущего месяца в отделениях")),
               kInvoiceRight));
    band.elements.append(fitted(
        label(2.1, 76.2, QStringLiteral("электросвязи. Телефон для справок ") + issuer.telephone),
        kInvoiceRight));
}

void addCounterfoil(ReportBand& band, const IssuerTexts& issuer) {
    constexpr double left = 150.3;
    const ReportFont small = arial(7);
    const auto line = [&](double top, const QString& text, std::optional<ReportFont> font) {
        band.elements.append(fitted(label(left, top, text, std::move(font)), kBandRight));
    };
    line(2.1, QStringLiteral("СЕРВИСНЫЙ ЦЕНТР"), arial(10, true, true));
    line(7.4, issuer.postalCity, small);
    line(10.4, issuer.street, small);
    line(13.4, QStringLiteral("ИНН %1  КПП %2").arg(issuer.inn, issuer.kpp), small);
    band.elements.append(label(left, 16.6, QStringLiteral("Р/с"), small));
    band.elements.append(fitted(label(155.6, 16.4, issuer.account, arial(8, true)), kBandRight));
    line(19.8, issuer.bank, small);
    band.elements.append(label(left, 23.0, QStringLiteral("БИК"), small));
    band.elements.append(fitted(label(156.4, 22.8, issuer.bankCode, arial(8, true)), kBandRight));
    band.elements.append(label(left, 26.2, QStringLiteral("К/с"), small));
    band.elements.append(
        fitted(label(155.6, 26.0, issuer.correspondentAccount, arial(8, true)), kBandRight));
    band.elements.append(fitted(label(148.2, 30.4, QStringLiteral("СЧЕТ ЗА УСЛУГИ ЭЛЕКТРОСВЯЗИ"),
                                      arial(7, false, false, true)),
                                kBandRight));
    band.elements.append(dataText(left, 33.8, field("YearMonth"), arial(8)));
    band.elements.append(label(left, 37.4, QStringLiteral("ТЕЛЕФОН"), arial(8)));
    band.elements.append(
        fitted(dataText(166.2, 37.0, field("AbNumber"), arial(10, true)), kBandRight));
    band.elements.append(label(left, 41.6, QStringLiteral("СУММА К ОПЛАТЕ"), arial(8, true)));
    band.elements.append(
        fitted(dataText(left, 45.0, field("DolgWithNDS"), arial(12, true)), kBandRight));
    band.elements.append(qrCode(left, 50.8, kQrSide, field("PaymentOrder")));
}

}  // namespace

ReportLayout invoiceLayout(const IssuerTexts& issuer) {
    ReportLayout layout;
    layout.font = arial(10);
    layout.printIfEmpty = false;
    ReportBand band;
    band.type = ReportBand::Type::Detail;
    band.name = QStringLiteral("DetailBand1");
    band.height = 81.2;
    band.font = arial(8);
    band.frameTop = true;
    band.frameBottom = true;
    addLines(band);
    addHeading(band, issuer);
    addCharges(band);
    addAccount(band);
    addFooter(band, issuer);
    addCounterfoil(band, issuer);
    layout.bands.append(band);
    return layout;
}

}  // namespace orv::reports
