#include "reports/CallStatementReport.h"

namespace orv::reports {
namespace {

constexpr double kLineHeight = 5.0;
constexpr double kCostLeft = 134.0;

struct Column {
    const char* field;
    const char* title;
    double left;
    double width;
    bool alignRight;
};

// Across the band's 190 millimetres of an A4 portrait page.
constexpr Column kColumns[] = {
    {"Date", "Дата", 0, 19, false},
    {"Time", "Время", 20, 14, false},
    {"Dialled", "Набранный номер", 35, 30, false},
    {"Destination", "Направление", 66, 37, false},
    {"Minutes", "Минуты", 104, 13, true},
    {"Tariff", "Тариф", 118, 15, true},
    {"Cost", "Стоимость", kCostLeft, 20, true},
    {"Note", "Примечание", 156, 34, false},
};

const QString kHeading = QStringLiteral("Heading");
const QString kCaption = QStringLiteral("Caption");

ReportFont arial(double size, bool bold = false) {
    ReportFont font;
    font.pointSize = size;
    font.bold = bold;
    return font;
}

ReportBand band(ReportBand::Type type, const char* name, double height, const ReportFont& font) {
    ReportBand b;
    b.type = type;
    b.name = QString::fromLatin1(name);
    b.height = height;
    b.font = font;
    return b;
}

ReportBand pageHeader(const billing::CallStatement& statement) {
    ReportBand header = band(ReportBand::Type::PageHeader, "PageHeaderBand1", 24, arial(10));
    header.elements.append(label(0, 1, billing::kStatementTitle, arial(14, true)));
    header.elements.append(label(0, 9, statementNumbersCaption(statement)));
    header.elements.append(label(0, 14, statementMonthCaption(statement)));
    if (statement.numberFrom == statement.numberTo && !statement.numbers.isEmpty() &&
        !statement.numbers.first().subscriber.isEmpty())
        header.elements.append(boxed(
            label(0, 19, QStringLiteral("Абонент ") + statement.numbers.first().subscriber), 190));
    return header;
}

ReportBand columnHeader() {
    ReportBand header =
        band(ReportBand::Type::ColumnHeader, "ColumnHeaderBand1", 6, arial(9, true));
    header.frameTop = true;
    header.frameBottom = true;
    for (const Column& c : kColumns)
        header.elements.append(
            boxed(label(c.left, 1, QString::fromUtf8(c.title)), c.width, c.alignRight));
    return header;
}

ReportBand detail() {
    ReportBand line = band(ReportBand::Type::Detail, "DetailBand1", kLineHeight, arial(9));
    for (const Column& c : kColumns)
        line.elements.append(
            boxed(dataText(c.left, 0.8, QString::fromLatin1(c.field)), c.width, c.alignRight));
    line.elements.append(boxed(dataText(0, 0.8, kHeading, arial(9, true)), 190));
    line.elements.append(boxed(dataText(0, 0.8, kCaption, arial(9, true)), kCostLeft - 1));
    return line;
}

ReportBand pageFooter() {
    ReportBand footer = band(ReportBand::Type::PageFooter, "PageFooterBand1", 6, arial(9));
    footer.elements.append(pageNumber(93, 1));
    return footer;
}

}  // namespace

CallStatementData::CallStatementData(const billing::CallStatement& statement, const QLocale& locale)
    : statement_(statement), locale_(locale) {
    qsizetype call = 0;
    for (qsizetype n = 0; n < statement.numbers.size(); ++n) {
        rows_.append({Row::Kind::Heading, n});
        for (const qsizetype end = call + statement.numbers[n].calls; call < end; ++call)
            rows_.append({Row::Kind::Call, call});
        addTotals(statement.numbers[n].totals, QString());
    }
    if (statement.numbers.size() > 1 &&
        statement.numbers.first().number != statement.numbers.last().number)
        addTotals(statement.totals, QStringLiteral(" по всем номерам"));
}

void CallStatementData::addTotals(const billing::StatementTotals& totals, const QString& suffix) {
    for (const TotalLine& line :
         {TotalLine{QStringLiteral("Итого городские разговоры"), totals.city},
          TotalLine{QStringLiteral("Итого междугородние разговоры"), totals.longDistance}}) {
        rows_.append({Row::Kind::Total, totals_.size()});
        totals_.append({line.caption + suffix, line.amount});
    }
}

QString CallStatementData::text(qint64 row, const QString& field) const {
    const Row& r = rows_[row];
    switch (r.kind) {
        case Row::Kind::Heading: {
            if (field != kHeading) return {};
            const billing::StatementNumber& n = statement_.numbers[r.index];
            const QString number =
                n.category.isEmpty()
                    ? QStringLiteral("Номер %1").arg(n.number)
                    : QStringLiteral("Номер %1, категория %2").arg(n.number).arg(n.category);
            return n.subscriber.isEmpty() ? number : number + QStringLiteral(": ") + n.subscriber;
        }
        case Row::Kind::Call:
            return callText(statement_.calls[r.index], field);
        case Row::Kind::Total:
            if (field == kCaption) return totals_[r.index].caption;
            if (field == QLatin1String("Cost"))
                return locale_.toString(totals_[r.index].amount, 'f', 2);
            return {};
    }
    return {};
}

QString CallStatementData::callText(const billing::StatementCall& c, const QString& field) const {
    if (field == QLatin1String("Date")) return c.date.toString(QStringLiteral("dd.MM.yyyy"));
    if (field == QLatin1String("Time")) return c.time;
    if (field == QLatin1String("Dialled")) return c.dialled;
    if (field == QLatin1String("Destination")) return c.destination;
    if (field == QLatin1String("Minutes")) return QString::number(c.minutes);
    if (field == QLatin1String("Tariff"))
        return c.tariff ? locale_.toString(*c.tariff, 'f', 2) : QString();
    if (field == QLatin1String("Cost"))
        return c.cost ? locale_.toString(*c.cost, 'f', 2) : QString();
    if (field == QLatin1String("Note")) return c.reason;
    return {};
}

QString statementNumbersCaption(const billing::CallStatement& statement) {
    return statement.numberFrom == statement.numberTo
               ? QStringLiteral("Номер %1").arg(statement.numberFrom)
               : QStringLiteral("Номера %1 - %2").arg(statement.numberFrom).arg(statement.numberTo);
}

QString statementMonthCaption(const billing::CallStatement& statement) {
    return QStringLiteral("Месяц ") + statement.month.toString(QStringLiteral("MM.yyyy"));
}

ReportLayout callStatementLayout(const billing::CallStatement& statement) {
    ReportLayout layout;
    layout.font = arial(9);
    layout.printIfEmpty = true;
    layout.bands = {pageHeader(statement), columnHeader(), detail(), pageFooter()};
    return layout;
}

int writeCallStatementPdf(const billing::CallStatement& statement, const QString& path,
                          const ReportRenderer::Progress& progress, const QLocale& locale) {
    const CallStatementData data(statement, locale);
    return writePdf(callStatementLayout(statement), &data, path, billing::kStatementTitle,
                    progress);
}

}  // namespace orv::reports
