// The itemized statement of archived calls: its PDF pages and words, and its totals per service
// against the invoice's lines of the same month on a demo exchange with free minutes and the
// penalty; the dialog of the window command.

#include "GuiApplication.h"
#include "ReportTestData.h"
#include "billing/BillingFixture.h"
#include "billing/CallStatement.h"
#include "reports/CallStatementReport.h"
#include "reports/InvoiceReport.h"
#include "reports/forms/CallStatementDialog.h"
#include "utils/DemoData.h"

#include <QLineEdit>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>

using namespace orv;
using namespace orv::test;

namespace {

const QDate kToday(2026, 4, 10);
const QDate kMarch(2026, 3, 1);

QStringList wordsOfPage(const QList<PdfWord>& words, int page) {
    QStringList texts;
    for (const PdfWord& w : words)
        if (w.page == page) texts.append(w.text);
    return texts;
}

int pagesOf(const QList<PdfWord>& words) {
    int pages = 0;
    for (const PdfWord& w : words) pages = std::max(pages, w.page + 1);
    return pages;
}

}  // namespace

TEST(CallStatementReport, PdfHoldsTheHeaderEveryCallAndTheTotals) {
    Exchange x;
    seedWorkedExample(x);
    x.sql("UPDATE AbTab SET FIO = 'Петров', Adress = 'Садовая' WHERE AbNumber = 101");
    x.sql("INSERT INTO Sng VALUES ('495', 'Москва')");
    x.run(kToday);
    const billing::CallStatement s = billing::buildCallStatement(x.db(), 101, 101, kMarch, 0);
    ASSERT_EQ(s.calls.size(), 3);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("statement.pdf"));
    EXPECT_EQ(reports::writeCallStatementPdf(s, pdf, {}, QLocale::c()), 1);
    const QList<PdfWord> words = pdfWords(pdf);
    ASSERT_EQ(pagesOf(words), 1);
    const QStringList texts = wordsOfPage(words, 0);
    for (const char* expected :
         {"Детализация", "101", "03.2026", "Петров,", "Садовая", "05.03.2026", "25.03.2026",
          "07.03.2026", "Москва", "4950000", "5550000", "18.00", "12.00", "30.00"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_EQ(texts.count(QStringLiteral("Итого")), 2);
}

TEST(CallStatementReport, ARangeRunsOverPagesWithTheHeaderOnEach) {
    Exchange x;
    for (qint64 number : {201, 202, 203}) {
        x.subscriber(number);
        for (int day = 1; day <= 28; ++day) x.cityCall(number, QDate(2026, 3, day), 2);
    }
    x.fee(kMarch, 10);
    x.run(kToday);
    const billing::CallStatement s = billing::buildCallStatement(x.db(), 200, 299, kMarch, 0);
    ASSERT_EQ(s.numbers.size(), 3);

    const reports::CallStatementData data(s, QLocale::c());
    // A heading and two totals per number, two totals of the range.
    EXPECT_EQ(data.rowCount(), 3 * 28 + 3 * 3 + 2);
    EXPECT_EQ(data.text(0, QStringLiteral("Heading")), QStringLiteral("Номер 201"));
    EXPECT_EQ(data.text(data.rowCount() - 2, QStringLiteral("Cost")), QStringLiteral("252.00"));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("range.pdf"));
    const int pages = reports::writeCallStatementPdf(s, pdf, {}, QLocale::c());
    const reports::ReportLayout layout = reports::callStatementLayout(s);
    EXPECT_EQ(pages, reports::ReportRenderer(layout, &data).pageCount());
    const QList<PdfWord> words = pdfWords(pdf);
    ASSERT_GT(pages, 1);
    ASSERT_EQ(pagesOf(words), pages);
    for (int page = 0; page < pages; ++page) {
        const QStringList texts = wordsOfPage(words, page);
        EXPECT_TRUE(texts.contains(QStringLiteral("Детализация"))) << page;
        EXPECT_TRUE(texts.contains(QStringLiteral("200"))) << page;
    }
    EXPECT_TRUE(wordsOfPage(words, pages - 1).contains(QStringLiteral("номерам")));
}

// Several months of demo calls reckoned in one run with free minutes and the penalty: for every
// subscriber the statement of the last reckoned month gives the invoice's city and long-distance
// lines.
TEST(CallStatementReport, TotalsPerServiceEqualTheInvoiceLines) {
    TempDatabase t;
    for (const db::TableDef& def : db::schema::permanentTables())
        if (!t.db().tableExists(def.name)) t.create(def);
    t.create(db::schema::ndsRates());
    db::Query(t.db(), QStringLiteral("INSERT INTO NdsRates VALUES ('2000-01-01', 20)")).execute();
    utils::fillDemoData(t.db(), {.subscribers = 12, .calls = 3000, .months = 2, .seed = 7}, kToday);
    core::SettingsStore store(t.file(QStringLiteral("settings.reg")));
    core::Settings settings;
    settings.usePenalty = true;
    settings.penaltyPercent = 0.5;
    settings.freeMinutes = 20;
    core::writeSettings(store, settings);
    billing::runDebtCalculation(t.db(), store, core::VatSettings{}, kToday,
                                billing::standardPipelines());

    reports::InvoiceReport report(t.db());
    report.open({});
    ASSERT_GT(report.invoiceCount(), 5);
    // A number with two categories is charged its calls under each, with an invoice for each:
    // its statement gives each invoice's lines under its category.
    using Lines = std::pair<billing::Money, billing::Money>;
    QMap<std::pair<qint64, QString>, Lines> invoiced;
    QMap<qint64, Lines> ofNumber;
    bool penalty = false;
    for (qint64 i = 0; i < report.invoiceCount(); ++i) {
        const reports::Invoice& invoice = report.invoice(i);
        const Lines lines{invoice.lines.city, invoice.lines.mg};
        invoiced[{invoice.number, invoice.category.toCaseFolded()}] = lines;
        if (!ofNumber.contains(invoice.number)) ofNumber.insert(invoice.number, lines);
        penalty = penalty || invoice.lines.penalty.toDouble() > 0;
    }
    ASSERT_GT(invoiced.size(), ofNumber.size());
    int compared = 0;
    int underCategories = 0;
    for (auto number = ofNumber.cbegin(); number != ofNumber.cend(); ++number) {
        const billing::CallStatement s = billing::buildCallStatement(
            t.db(), number.key(), number.key(), kMarch, settings.freeMinutes);
        for (const billing::StatementNumber& n : s.numbers) {
            Lines lines = *number;
            if (!n.category.isEmpty()) {
                ++underCategories;
                const auto it = invoiced.constFind({n.number, n.category.toCaseFolded()});
                ASSERT_NE(it, invoiced.constEnd()) << n.number;
                lines = *it;
            }
            EXPECT_NEAR(n.totals.city, lines.first.toDouble(), 0.006) << n.number;
            EXPECT_NEAR(n.totals.longDistance, lines.second.toDouble(), 0.006) << n.number;
            compared += lines.first.toDouble() > 0 && lines.second.toDouble() > 0;
        }
    }
    EXPECT_GT(underCategories, 1);
    EXPECT_GE(compared, 5);
    EXPECT_TRUE(penalty);
}

TEST(CallStatementDialog, OffersTheLastMonthAndRefusesARangeBackwards) {
    const QList<QDate> months = {QDate(2026, 1, 1), QDate(2026, 2, 1), kMarch};
    reports::TFormCallStatement dialog(months, QStringLiteral("101"), QStringLiteral("101"));
    EXPECT_EQ(dialog.month(), kMarch);
    auto* from = dialog.findChild<QLineEdit*>(QStringLiteral("EditNumberFrom"));
    auto* to = dialog.findChild<QLineEdit*>(QStringLiteral("EditNumberTo"));
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    EXPECT_EQ(from->text(), QStringLiteral("101"));

    to->setText(QStringLiteral("100"));
    QString message;
    closeNextMessage(&message);
    dialog.OkClick();
    EXPECT_EQ(message, QStringLiteral("Номер «с» больше номера «по»"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    // An empty "по" is the number "с" alone.
    to->clear();
    dialog.OkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.numberFrom(), 101);
    EXPECT_EQ(dialog.numberTo(), 101);
}
