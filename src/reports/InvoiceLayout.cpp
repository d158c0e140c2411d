// The invoice band: the invoice proper on the left, the tear-off counterfoil on the right of the
// divider, every position in millimetres from the band's top-left corner.

#include "reports/InvoiceReport.h"

namespace orv::reports {
namespace {

ReportFont arial(double size, bool bold = false, bool italic = false, bool underline = false) {
    ReportFont font;
    font.pointSize = size;
    font.bold = bold;
    font.italic = italic;
    font.underline = underline;
    return font;
}

QString field(const char* name) { return QString::fromLatin1(name); }

void addLines(ReportBand& band) {
    band.elements.append(horizontalLine(2.1, 6.3, 186.5));
    band.elements.append(verticalLine(146.1, 2.1, 76.5));
    band.elements.append(horizontalLine(2.1, 19.1, 144.2));
    band.elements.append(horizontalLine(2.1, 29.6, 93.4));
    band.elements.append(verticalLine(95.2, 29.6, 40.5));
    band.elements.append(horizontalLine(2.1, 46.6, 93.4));
}

void addChargesRow(ReportBand& band, double top, const QString& caption, const char* charged,
                   const char* vat, const char* full, std::optional<ReportFont> font = {}) {
    band.elements.append(label(2.1, top, caption, font));
    band.elements.append(dataText(46.6, top, field(charged), font));
    band.elements.append(dataText(63.5, top, field(vat), font));
    band.elements.append(dataText(80.4, top, field(full), font));
}

void addInvoice(ReportBand& band, const IssuerTexts& issuer, const QString& vat) {
    const ReportFont bold8 = arial(8, true);
    band.elements.append(label(2.1, 2.1, issuer.centreName, arial(10, true, true)));
    band.elements.append(dataText(2.1, 8.5, field("Adress"), arial(9)));
    band.elements.append(label(108.0, 8.5, QStringLiteral("хранить 3 года")));
    band.elements.append(label(2.1, 14.8, QStringLiteral("ДОМ."), arial(9)));
    band.elements.append(dataText(10.6, 12.7, field("House"), arial(16, true)));
    band.elements.append(label(27.5, 14.8, QStringLiteral("КВ."), arial(9)));
    band.elements.append(dataText(33.9, 12.7, field("Appartm"), arial(16, true)));
    band.elements.append(dataText(59.3, 14.8, field("FIO"), arial(10, true)));
    band.elements.append(label(105.8, 14.8, QStringLiteral("ТЕЛЕФОН"), arial(9)));
    band.elements.append(dataText(122.8, 14.8, field("AbNumber"), arial(12, true)));
    band.elements.append(dataText(2.1, 21.2, field("YearMonth"), arial(9, true)));
    band.elements.append(label(46.6, 21.2, QStringLiteral("СЧЕТ ЗА УСЛУГИ ЭЛЕКРОСВЯЗИ"), arial(9)));

    band.elements.append(label(2.1, 25.4, QStringLiteral("Вид услуги"), bold8));
    band.elements.append(label(46.6, 25.4, QStringLiteral("Начислено"), bold8));
    band.elements.append(label(63.5, 25.4, vat, bold8));
    band.elements.append(label(80.4, 25.4, QStringLiteral("Всего"), bold8));
    addChargesRow(band, 31.8, QStringLiteral("Абон. плата"), "AbPlata", "AbPlataNDS",
                  "AbPlataFull");
    addChargesRow(band, 36.0, QStringLiteral("Почасовая оплата"), "ByTime", "ByTimeNDS",
                  "ByTimeFull");
    addChargesRow(band, 40.2, QStringLiteral("Междугородние разговоры"), "MG", "MGNds", "MGFull");
    addChargesRow(band, 48.7, QStringLiteral("Всего начислено"), "AllNach", "AllNDS", "AllFull",
                  bold8);

    band.elements.append(label(99.5, 31.8, QStringLiteral("Долг на")));
    band.elements.append(dataText(112.2, 31.8, field("LastYearMonth"), arial(9)));
    band.elements.append(dataText(133.3, 31.8, field("LDWNds")));
    band.elements.append(label(99.5, 36.0, QStringLiteral("Оплачено")));
    band.elements.append(dataText(133.3, 36.0, field("Paned")));
    band.elements.append(label(99.5, 42.3, QStringLiteral("Общая сумма без НДС")));
    band.elements.append(dataText(133.3, 42.3, field("AllNLD")));
    band.elements.append(label(99.5, 46.6, vat));
    band.elements.append(dataText(133.3, 46.6, field("AllNLDNds")));
    band.elements.append(label(99.5, 52.9, QStringLiteral("СУММА К ОПЛАТЕ"), bold8));
    band.elements.append(dataText(112.2, 59.3, field("DolgWithNDS"), arial(14, true)));

    band.elements.append(
        label(2.1, 72.0,
              QStringLiteral("Сервисный центр предлагает оплачивать счета до 20-го числа текущего "
                             "месяцав отделениях ")));
    band.elements.append(
        label(2.1, 76.2, QStringLiteral("электросвязи. Телефон для справок ") + issuer.telephone));
}

void addCounterfoil(ReportBand& band, const IssuerTexts& issuer, const QString& vat) {
    band.elements.append(
        label(150.3, 2.1, QStringLiteral("СЕРВИСНЫЙ ЦЕНТР"), arial(10, true, true)));
    band.elements.append(label(150.3, 10.6, issuer.postalCity));
    band.elements.append(label(150.3, 14.8, issuer.street));
    band.elements.append(label(150.3, 21.2, QStringLiteral("Р/с")));
    band.elements.append(label(158.8, 21.2, issuer.account, arial(10, true)));
    band.elements.append(label(150.3, 25.4, issuer.bank, arial(10)));
    band.elements.append(label(150.3, 29.6, QStringLiteral("МФО"), arial(10)));
    band.elements.append(label(160.9, 29.6, issuer.bankCode, arial(10, true)));
    band.elements.append(label(148.2, 38.1, QStringLiteral("СЧЕТ ЗА УСЛУГИ ЭЛЕКРОСВЯЗИ"),
                               arial(7, false, false, true)));
    band.elements.append(dataText(150.3, 42.3, field("YearMonth"), arial(9)));
    band.elements.append(label(150.3, 46.6, QStringLiteral("ТЕЛЕФОН"), arial(9)));
    band.elements.append(dataText(167.2, 46.6, field("AbNumber"), arial(12, true)));
    band.elements.append(label(150.3, 52.9, QStringLiteral("Сумма без НДС")));
    band.elements.append(dataText(173.6, 52.9, field("AllNLD")));
    band.elements.append(label(150.3, 57.1, vat));
    band.elements.append(dataText(173.6, 57.1, field("AllNLDNds")));
    band.elements.append(label(150.3, 61.4, QStringLiteral("СУММА К ОПЛАТЕ"), arial(8, true)));
    band.elements.append(dataText(154.5, 65.6, field("DolgWithNDS"), arial(14, true)));
}

}  // namespace

ReportLayout invoiceLayout(const IssuerTexts& issuer, double ndsPercent, const QLocale& locale) {
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
    const QString vat = vatCaption(ndsPercent, locale);
    addLines(band);
    addInvoice(band, issuer, vat);
    addCounterfoil(band, issuer, vat);
    layout.bands.append(band);
    return layout;
}

}  // namespace orv::reports
