#pragma once
// Accounts for the report tests: the permanent tables in a fresh folder, helpers to add a
// subscriber with its debt row and a payment, the worked example of the invoice, and the words
// of a PDF with their positions in millimetres as pdftotext -bbox reads them.

#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <optional>

namespace orv::test {

class Accounts {
  public:
    // VAT at 20 % in every month, as in the worked example.
    Accounts() {
        for (const db::TableDef& def : db::schema::permanentTables()) t_.create(def);
        t_.create(db::schema::ndsRates());
        sql(QStringLiteral("INSERT INTO NdsRates VALUES ('2000-01-01', 20)"));
    }
    db::Database& db() { return t_.db(); }
    TempDatabase& temp() { return t_; }
    void sql(const QString& text) { db::Query(t_.db(), text).execute(); }

    static QString amount(std::optional<double> value) {
        return value ? QString::number(*value) : QStringLiteral("NULL");
    }

    // A subscriber and its debt row of April 2026: lastDolg was due after March's run, April
    // added the fee and the calls with 20 % VAT.
    void account(qint64 number, const QString& category, std::optional<double> abPlata,
                 std::optional<double> byTime, std::optional<double> mg,
                 std::optional<double> lastDolg, const QString& exist = QStringLiteral("YES")) {
        sql(QStringLiteral("INSERT INTO AbTab VALUES (%1, '%2', '%3', 'Иванов И.И.', '12', '34', "
                           "'ул. Ленина')")
                .arg(number)
                .arg(category, exist));
        debtRow(number, category, abPlata, byTime, mg, lastDolg);
    }
    void debtRow(qint64 number, const QString& category, std::optional<double> abPlata,
                 std::optional<double> byTime, std::optional<double> mg,
                 std::optional<double> lastDolg) {
        const double charges = abPlata.value_or(0) + byTime.value_or(0) + mg.value_or(0);
        const double carried = lastDolg.value_or(0) / 1.2;
        sql(QStringLiteral("INSERT INTO DolgTb VALUES (%1, '%2', '2026-04-01', '2026-03-01', %7, "
                           "%3, %8, %4, %5, %6)")
                .arg(number)
                .arg(category, amount(lastDolg), amount(mg), amount(byTime), amount(abPlata),
                     amount(carried + charges),
                     amount((lastDolg.value_or(0) - carried) + 0.2 * charges)));
    }
    void payment(qint64 number, const QString& category, std::optional<double> dolg,
                 std::optional<double> pane) {
        sql(QStringLiteral("INSERT INTO PaneDate VALUES (%1, '%2', '2026-04-05', %3, %4)")
                .arg(number)
                .arg(category, amount(dolg), amount(pane)));
    }
    // The worked example: 84.00 due after March, April's 67.00 and 13.40 of VAT.
    void workedExample() { account(101, QStringLiteral("ALL"), 25.0, 30.0, 12.0, 84.0); }

  private:
    TempDatabase t_;
};

struct PdfWord {
    QString text;
    double left, top, right, bottom;  // millimetres from the page's top-left corner
    int page;                         // from 0
};

// Every word of the PDF with its box, page by page.
inline QList<PdfWord> pdfWords(const QString& pdf) {
    QTemporaryDir dir;
    const QString html = dir.filePath(QStringLiteral("words.html"));
    QProcess::execute(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, html});
    QFile file(html);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression pageOrWord(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    constexpr double mmPerPoint = 25.4 / 72;
    QList<PdfWord> words;
    int page = -1;
    for (const QRegularExpressionMatch& m : pageOrWord.globalMatch(text)) {
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        words.append({m.captured(5), m.captured(1).toDouble() * mmPerPoint,
                      m.captured(2).toDouble() * mmPerPoint, m.captured(3).toDouble() * mmPerPoint,
                      m.captured(4).toDouble() * mmPerPoint, page});
    }
    return words;
}

// The plain text of a PDF.
inline QString pdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The words of that text, in page order.
inline QList<PdfWord> wordsNamed(const QList<PdfWord>& words, const QString& text) {
    QList<PdfWord> found;
    for (const PdfWord& w : words)
        if (w.text == text) found.append(w);
    return found;
}

}  // namespace orv::test
