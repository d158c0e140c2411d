// The window contents printout: columns at 10 + 75 x i units titled with the stored field
// names, the title and page numbers, two printouts in a row, an empty view, more than ten
// fields continuing on a second line, calculated fields left out.

#include "ReportTestData.h"
#include "billing/DebtViews.h"
#include "reports/ReportRenderer.h"
#include "reports/WindowPrintout.h"

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

TEST(WindowPrintout, FieldsPastTheTenthContinueOnASecondLine) {
    Accounts a;
    a.account(101, QStringLiteral("ALL"), 1, 2, 3, 4);
    db::Query query(a.db(), QStringLiteral("SELECT d.*, a.Exist, a.FIO FROM DolgTb d, AbTab a "
                                           "WHERE a.AbNumber = d.AbNumber"));
    query.open();
    WindowPrintout printout;
    printout.PrepareReport(&query, QStringLiteral("Query2"));
    const ReportBand& detail = *printout.layout().band(ReportBand::Type::Detail);
    ASSERT_EQ(detail.elements.size(), 12);
    EXPECT_NEAR(detail.elements[9].left, 685 * kMmPerUnit, 1e-9);
    EXPECT_LT(detail.elements[9].left, printout.layout().bandWidth());
    EXPECT_NEAR(detail.elements[10].left, 10 * kMmPerUnit, 1e-9);
    EXPECT_NEAR(detail.elements[10].top, 5.0, 1e-9);
    EXPECT_NEAR(detail.elements[11].left, 85 * kMmPerUnit, 1e-9);
    EXPECT_NEAR(detail.height, 10.0, 1e-9);
    EXPECT_NEAR(printout.layout().band(ReportBand::Type::ColumnHeader)->height, 15.6, 1e-9);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wide.pdf"));
    writePdf(printout.layout(), printout.data(), path, QStringLiteral("Query2"));
    const QList<PdfWord> words = pdfWords(path);
    EXPECT_TRUE(wordAt(words, QStringLiteral("Exist"), 0, 10 + 10 * kMmPerUnit, 10 + 10.6 + 5.0));
    EXPECT_TRUE(
        wordAt(words, QStringLiteral("Иванов"), 0, 10 + 85 * kMmPerUnit, 10 + 10.6 + 15.6 + 5.0));
}

}  // namespace
