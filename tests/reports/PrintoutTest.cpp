// The window contents printout: columns from 10 units at least 75 units apart titled with the
// stored field names, the title and page numbers, two printouts in a row, an empty view, wide
// views fitted across the page, calculated fields left out.

#include "ReportTestData.h"
#include "billing/DebtViews.h"
#include "reports/ReportRenderer.h"
#include "reports/WindowPrintout.h"

#include <algorithm>
#include <cmath>

using namespace orv;
using namespace orv::reports;
using namespace orv::test;

namespace {

constexpr double kMmPerUnit = 25.4 / 96;

QStringList fieldsOf(const ReportBand& band) {
    QStringList names;
    for (const ReportElement& e : band.elements)
        names.append(e.kind == ReportElement::Kind::Label ? e.text : e.field);
    return names;
}

bool wordAt(const QList<PdfWord>& words, const QString& text, int page, double left, double top) {
    for (const PdfWord& w : wordsNamed(words, text))
        if (w.page == page && std::abs(w.left - left) < 0.5 && std::abs(w.top - top) < 0.8)
            return true;
    return false;
}

TEST(WindowPrintout, ThreeColumnsTitleAndPageNumbers) {
    Accounts a;
    for (int i = 0; i < 60; ++i)
        a.sql(QStringLiteral("INSERT INTO AbTab (AbNumber, Priznak, Exist) VALUES (%1, 'ALL', "
                             "'YES')")
                  .arg(5000 + i));
    db::Query query(a.db(), QStringLiteral("SELECT AbNumber, Priznak, Exist FROM AbTab"));
    query.open();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.pdf"));
    EXPECT_EQ(writePrintoutPdf(query, QStringLiteral("QueryTest"), {}, path), 2);
    const QList<PdfWord> words = pdfWords(path);
    const double header = 10 + 10.6;
    EXPECT_TRUE(wordAt(words, QStringLiteral("QueryTest"), 0, 10 + 82.5, 10 + 2.1));
    EXPECT_TRUE(wordAt(words, QStringLiteral("QueryTest"), 1, 10 + 82.5, 10 + 2.1));
    EXPECT_TRUE(wordAt(words, QStringLiteral("AbNumber"), 0, 10 + 10 * kMmPerUnit, header));
    EXPECT_TRUE(wordAt(words, QStringLiteral("Priznak"), 0, 10 + 85 * kMmPerUnit, header));
    EXPECT_TRUE(wordAt(words, QStringLiteral("Exist"), 1, 10 + 160 * kMmPerUnit, header));
    const double firstLine = header + 10.6;
    EXPECT_TRUE(wordAt(words, QStringLiteral("5000"), 0, 10 + 10 * kMmPerUnit, firstLine));
    EXPECT_TRUE(wordAt(words, QStringLiteral("5001"), 0, 10 + 10 * kMmPerUnit, firstLine + 5.0));
    const double footer = 297 - 10 - 6.3 + 2.1;
    EXPECT_TRUE(wordAt(words, QStringLiteral("1"), 0, 10 + 88.9, footer));
    EXPECT_TRUE(wordAt(words, QStringLiteral("2"), 1, 10 + 88.9, footer));
    EXPECT_EQ(wordsNamed(words, QStringLiteral("YES")).size(), 60);
}

TEST(WindowPrintout, SecondPrintoutShowsOnlyItsColumnsAndEmptyViewOnePage) {
    Accounts a;
    a.workedExample();
    a.payment(101, QStringLiteral("ALL"), 120.0, 50.0);
    billing::DebtViews views(a.db());
    WindowPrintout printout;
    EXPECT_EQ(printout.title(), QStringLiteral("ReportLabel1"));
    printout.PrepareReport(&views.openDolg(), QStringLiteral("QueryDolg"),
                           billing::debtViewColumns());
    EXPECT_EQ(fieldsOf(*printout.layout().band(ReportBand::Type::Detail)).size(), 11);
    printout.PrepareReport(&views.openShowPane(), QStringLiteral("QueryShowPane"),
                           billing::paymentViewColumns());
    const QStringList names = {"AbNumber", "Priznak", "Date_of_pane", "Dolg", "Pane"};
    EXPECT_EQ(fieldsOf(*printout.layout().band(ReportBand::Type::ColumnHeader)), names);
    EXPECT_EQ(fieldsOf(*printout.layout().band(ReportBand::Type::Detail)), names);  // no Stay
    EXPECT_EQ(printout.title(), QStringLiteral("QueryShowPane"));
    EXPECT_EQ(printout.data()->text(0, QStringLiteral("Pane")), QLocale().toCurrencyString(50.0));

    a.sql(QStringLiteral("DELETE FROM PaneDate"));
    printout.PrepareReport(&views.openShowPane(), QStringLiteral("QueryShowPane"));
    const ReportRenderer renderer(printout.layout(), printout.data());
    EXPECT_EQ(renderer.pageCount(), 1);
    EXPECT_EQ(renderer.rowsOn(0), 0);

    printout.PrepareReport(nullptr, {});
    EXPECT_TRUE(printout.layout().band(ReportBand::Type::Detail)->elements.isEmpty());
    EXPECT_EQ(printout.title(), QStringLiteral("QueryShowPane"));
}

// The words of the first line of the column header, left to right.
QList<PdfWord> titleLine(const QList<PdfWord>& words, double top) {
    QList<PdfWord> line;
    for (const PdfWord& w : words)
        if (w.page == 0 && std::abs(w.top - top) < 0.8) line.append(w);
    std::sort(line.begin(), line.end(),
              [](const PdfWord& a, const PdfWord& b) { return a.left < b.left; });
    return line;
}

TEST(WindowPrintout, ColumnsFitAcrossThePageWithoutRunningTogether) {
    Accounts a;
    a.account(101, QStringLiteral("ALL"), 1977.86, 2, 3, 4);
    QTemporaryDir dir;
    struct Case {
        const char* sql;
        int columns;
        bool landscape;
    } cases[] = {
        {"SELECT AbNumber, Priznak FROM DolgTb", 2, false},
        {"SELECT d.*, a.Exist, a.FIO FROM DolgTb d, AbTab a WHERE a.AbNumber = d.AbNumber", 12,
         true},
        {"SELECT d.*, a.*, d.Dolg AS Dolg2, d.NDS AS NDS2, d.Priznak AS Priznak2 FROM DolgTb d, "
         "AbTab a WHERE a.AbNumber = d.AbNumber",
         0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        db::Query query(a.db(), QString::fromUtf8(c.sql));
        query.open();
        WindowPrintout printout;
        printout.PrepareReport(&query, QStringLiteral("Query2"));
        const ReportLayout& layout = printout.layout();
        EXPECT_EQ(layout.pageWidth > layout.pageHeight, c.landscape);
        const ReportBand& titles = *layout.band(ReportBand::Type::ColumnHeader);
        if (c.columns > 0) ASSERT_EQ(titles.elements.size(), c.columns);
        // Every column on the band, all on the one line when they fit at some type size.
        for (const ReportElement& e : titles.elements) {
            EXPECT_LT(e.left, layout.bandWidth());
            if (c.columns > 0) EXPECT_EQ(e.top, 0.0) << e.text.toStdString();
        }

        const QString path = dir.filePath(QStringLiteral("wide.pdf"));
        writePdf(layout, printout.data(), path, QStringLiteral("Query2"));
        const QList<PdfWord> line = titleLine(pdfWords(path), 10 + 10.6);
        ASSERT_GE(line.size(), 2);
        for (qsizetype i = 1; i < line.size(); ++i) {
            EXPECT_LT(line[i - 1].right, line[i].left)
                << line[i - 1].text.toStdString() << " runs into " << line[i].text.toStdString();
        }
        EXPECT_LE(line.last().right, layout.pageWidth - layout.marginRight);
    }
}

}  // namespace
