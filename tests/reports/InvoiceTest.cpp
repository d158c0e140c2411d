// The invoice: the calculated fields of the worked example and its edge cases, the selection of
// accounts by number range, category and list, the display texts, and the PDF itself: its
// texts, the applied VAT rate in the captions and the positions of a few texts on the page.

#include "GuiApplication.h"
#include "ReportTestData.h"
#include "core/Error.h"
#include "core/SettingsStore.h"
#include "reports/InvoiceFields.h"
#include "reports/InvoiceReport.h"
#include "reports/ReportRenderer.h"

#include <cmath>

using namespace orv;
using namespace orv::reports;
using namespace orv::test;

namespace {

const QLocale kRussian(QLocale::Russian, QLocale::Russia);

struct CalcCase {
    const char* name;
    InvoiceInput in;
    double p;
    // AllFull, LDWNds, Paned, DolgWithNDS, AllNLD, AllNLDNds; NAN for an empty field
    double allFull, ldwNds, paned, dolgWithNds, allNld, allNldNds;
};

void expectAmount(const Amount& actual, double expected, const char* field, const char* name) {
    if (std::isnan(expected)) {
        EXPECT_FALSE(actual.has_value()) << name << " " << field;
    } else {
        ASSERT_TRUE(actual.has_value()) << name << " " << field;
        EXPECT_NEAR(*actual, expected, 1e-9) << name << " " << field;
    }
}

TEST(InvoiceFields, WorkedExampleAndEdgeCases) {
    const InvoiceInput base{25.0, 30.0, 12.0, 70.0};
    InvoiceInput paid = base;
    paid.paymentFound = true;
    paid.paymentDolg = 120.0;
    paid.paymentPane = 50.0;
    InvoiceInput settled = paid;
    settled.paymentDolg = 50.0;
    InvoiceInput noPane = paid;
    noPane.paymentPane = std::nullopt;
    InvoiceInput noMg = base;
    noMg.mg = std::nullopt;
    const CalcCase cases[] = {
        {"no payment", base, 20, 80.4, 84.0, 0, 164.4, 137.0, 27.4},
        {"payment", paid, 20, 80.4, 84.0, 50.0, 100.4, 100.4 / 1.2, 100.4 - 100.4 / 1.2},
        {"VAT 0", base, 0, 67.0, 70.0, 0, 137.0, 137.0, 0},
        {"Dolg = Pane", settled, 20, 80.4, 84.0, 50.0, 0, 0, 0},
        {"empty Pane", noPane, 20, 80.4, 84.0, 0, 164.4, 137.0, 27.4},
        {"empty MG", noMg, 20, NAN, 84.0, 0, NAN, NAN, NAN},
    };
    for (const CalcCase& c : cases) {
        const InvoiceFields f = QueryReportCalcFields(c.in, c.p);
        expectAmount(f.AllFull, c.allFull, "AllFull", c.name);
        expectAmount(f.LDWNds, c.ldwNds, "LDWNds", c.name);
        expectAmount(f.Paned, c.paned, "Paned", c.name);
        expectAmount(f.DolgWithNDS, c.dolgWithNds, "DolgWithNDS", c.name);
        expectAmount(f.AllNLD, c.allNld, "AllNLD", c.name);
        expectAmount(f.AllNLDNds, c.allNldNds, "AllNLDNds", c.name);
    }
    const InvoiceFields f = QueryReportCalcFields(base, 20);
    expectAmount(f.AbPlataNDS, 5.0, "AbPlataNDS", "example");
    expectAmount(f.ByTimeNDS, 6.0, "ByTimeNDS", "example");
    expectAmount(f.MGNds, 2.4, "MGNds", "example");
    expectAmount(f.AbPlataFull, 30.0, "AbPlataFull", "example");
    expectAmount(f.ByTimeFull, 36.0, "ByTimeFull", "example");
    expectAmount(f.MGFull, 14.4, "MGFull", "example");
    expectAmount(f.AllNach, 67.0, "AllNach", "example");
    expectAmount(f.AllNDS, 13.4, "AllNDS", "example");
    const InvoiceFields blank = QueryReportCalcFields(noMg, 20);
    for (const Amount& a : {blank.MGNds, blank.MGFull, blank.AllNach, blank.AllNDS})
        EXPECT_FALSE(a.has_value());
    expectAmount(blank.AbPlataFull, 30.0, "AbPlataFull", "empty MG");
    expectAmount(blank.ByTimeFull, 36.0, "ByTimeFull", "empty MG");
}

QStringList texts(InvoiceReport& report, const QString& field) {
    QStringList list;
    for (qint64 r = 0; r < report.data().rowCount(); ++r) list.append(report.data().text(r, field));
    return list;
}

TEST(InvoiceReport, SelectsActiveAccountsWithDebtRowsByNumberRange) {
    Accounts a;
    a.account(101, QStringLiteral("ALL"), 1, 1, 1, 1);
    a.debtRow(101, QStringLiteral("BUDG"), 2, 2, 2, 2);
    a.sql(
        QStringLiteral("INSERT INTO AbTab (AbNumber, Priznak, Exist) VALUES (101, 'BUDG', 'YES')"));
    a.account(1600, QStringLiteral("ALL"), 3, 3, 3, 3);
    a.account(2000, QStringLiteral("ALL"), 4, 4, 4, 4, QStringLiteral("NO"));
    a.sql(
        QStringLiteral("INSERT INTO AbTab (AbNumber, Priznak, Exist) VALUES (3000, 'ALL', 'YES')"));
    a.sql(
        QStringLiteral("INSERT INTO AbTab (AbNumber, Priznak, Exist) VALUES (4000, 'ALL', 'YES')"));
    a.debtRow(4000, QStringLiteral("BUDG"), 5, 5, 5, 5);

    struct Range {
        bool byNumber;
        const char* from;
        const char* to;
        const char* numbers;
    };
    const Range ranges[] = {
        {false, "5000", "6000", "101 101 1600"}, {true, "       ", "1500   ", "101 101"},
        {true, "", "", "101 101 1600"},          {true, "", "0", "101 101 1600"},
        {true, "1000", "       ", "1600"},       {true, "1601", "1999", ""},
    };
    InvoiceReport report(a.db(), kRussian);
    for (const Range& r : ranges) {
        core::SelectionPanel panel;
        panel.byNumber = r.byNumber;
        panel.numberFrom = QString::fromLatin1(r.from);
        panel.numberTo = QString::fromLatin1(r.to);
        report.open(panel, 20);
        EXPECT_EQ(texts(report, QStringLiteral("AbNumber")).join(u' '),
                  QString::fromLatin1(r.numbers))
            << r.from << "-" << r.to;
        report.close();
    }

    report.setListFilter(db::RecordFilter::fromNumbers({1600, 2000}));
    report.setListFiltered(true);
    report.open({}, 20);
    EXPECT_EQ(texts(report, QStringLiteral("AbNumber")), QStringList{QStringLiteral("1600")});
}

TEST(InvoiceReport, DisplayTextsOfTheWorkedExample) {
    Accounts a;
    a.workedExample();
    a.account(103, QStringLiteral("ALL"), 25.0, 30.0, std::nullopt, 70.0);
    a.account(104, QStringLiteral("VECH"), 25.0, 30.0, 12.0, 70.0);
    a.payment(104, QStringLiteral("vech"), 80.0, 80.0);  // the category compared without case
    InvoiceReport report(a.db(), kRussian);
    report.open({}, 20);
    const auto column = [&](const char* field) {
        return texts(report, QString::fromLatin1(field));
    };
    const QString r = QStringLiteral("\u00A0₽");
    EXPECT_EQ(column("DolgWithNDS"),
              (QStringList{"164,40" + r, "100,40" + r, QString(), "0,00" + r}));
    EXPECT_EQ(column("AllNLD"), (QStringList{"137,00" + r, "83,67" + r, QString(), "0,00" + r}));
    EXPECT_EQ(column("AllNLDNds"), (QStringList{"27,40" + r, "16,73" + r, QString(), "0,00" + r}));
    EXPECT_EQ(column("Paned"), (QStringList{"0,00" + r, "50,00" + r, "0,00" + r, "80,00" + r}));
    EXPECT_EQ(column("MGFull"), (QStringList{"14,40" + r, "14,40" + r, QString(), "14,40" + r}));
    EXPECT_EQ(column("LDWNds").value(2), "84,00" + r);
    EXPECT_EQ(column("AbPlataFull").value(2), "30,00" + r);
    EXPECT_EQ(column("YearMonth").value(0), QStringLiteral("01.04.2026"));
    EXPECT_EQ(column("LastYearMonth").value(0), QStringLiteral("01.03.2026"));
}

TEST(InvoiceReport, MissingTableIsTheEngineError) {
    Accounts a;
    a.db().dropTable(QStringLiteral("DolgTb"));
    InvoiceReport report(a.db());
    EXPECT_THROW(report.open({}, 20), Error);
    EXPECT_FALSE(report.isOpen());
}

TEST(InvoiceReport, IssuerTextsFromTheStoreWithMarkedSamples) {
    QTemporaryDir dir;
    core::SettingsStore store(dir.filePath(QStringLiteral("s.reg")));
    EXPECT_TRUE(readIssuerTexts(store).centreName.startsWith(QStringLiteral("ОБРАЗЕЦ")));
    store.writeString(kIssuerSection, QStringLiteral("телефон"), QStringLiteral("2-22-33"));
    EXPECT_EQ(readIssuerTexts(store).telephone, QStringLiteral("2-22-33"));
    store.writeInteger(kIssuerSection, QStringLiteral("Банк"), 5);
    EXPECT_THROW(readIssuerTexts(store), Error);
}

class InvoicePdf : public ::testing::Test {
  protected:
    QString write(double ndsPercent, int accounts = 2) {
        for (int i = 0; i < accounts; ++i)
            a.account(200 + i, QStringLiteral("ALL"), 25.0, 30.0, 12.0, 70.0);
        IssuerTexts issuer;
        issuer.centreName = QStringLiteral("Центр связи Тест");
        issuer.postalCity = QStringLiteral("123456, Тестов");
        issuer.street = QStringLiteral("ул. Проверочная, 7");
        issuer.account = QStringLiteral("40702810");
        issuer.bank = QStringLiteral("Тест-банк");
        issuer.bankCode = QStringLiteral("044525");
        issuer.telephone = QStringLiteral("2-22-33");
        const QString path = dir.filePath(QStringLiteral("invoices.pdf"));
        run = writeInvoicesPdf(a.db(), {}, nullptr, ndsPercent, issuer, path, {}, kRussian);
        return path;
    }
    Accounts a;
    QTemporaryDir dir;
    InvoiceRun run;
};

TEST_F(InvoicePdf, TextsOfTheWorkedExample) {
    const QString text = pdfText(write(20));
    EXPECT_EQ(run.invoices, 2);
    EXPECT_EQ(run.pages, 1);
    for (const char* expected : {"Центр связи Тест",
                                 "хранить 3 года",
                                 "СЧЕТ ЗА УСЛУГИ ЭЛЕКРОСВЯЗИ",
                                 "Абон. плата",
                                 "Всего начислено",
                                 "НДС 20%",
                                 "164,40",
                                 "137,00",
                                 "27,40",
                                 "80,40",
                                 "84,00",
                                 "123456, Тестов",
                                 "ул. Проверочная, 7",
                                 "40702810",
                                 "Тест-банк",
                                 "044525",
                                 "Телефон для справок 2-22-33",
                                 "01.04.2026",
                                 "01.03.2026",
                                 "ул. Ленина",
                                 "Иванов И.И."})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
}

TEST_F(InvoicePdf, CaptionsShowTheAppliedRate) {
    const QString text = pdfText(write(22));
    EXPECT_EQ(text.count(QStringLiteral("НДС 22%")), 2 * 3);
    EXPECT_FALSE(text.contains(QStringLiteral("НДС 20%")));
    EXPECT_TRUE(text.contains(QStringLiteral("167,14")));  // 70 x 1.22 + 67 x 1.22
}

TEST_F(InvoicePdf, PositionsFollowTheBandLayout) {
    const QList<PdfWord> words = pdfWords(write(20, 4));
    ASSERT_FALSE(words.isEmpty());
    EXPECT_EQ(words.last().page, 1);  // three invoices to a page
    // The word on that page at that place, in millimetres from the band's corner.
    const auto at = [&](const char* text, int page, double left, double top, double slack = 0.6) {
        for (const PdfWord& w : wordsNamed(words, QString::fromUtf8(text)))
            if (w.page == page && std::abs(w.left - 10 - left) < 0.5 &&
                std::abs(w.top - 10 - top) < slack)
                return true;
        return false;
    };
    EXPECT_EQ(wordsNamed(words, QStringLiteral("ТЕЛЕФОН")).size(), 8);
    EXPECT_TRUE(at("ТЕЛЕФОН", 0, 105.8, 14.8));
    EXPECT_TRUE(at("ТЕЛЕФОН", 0, 150.3, 46.6));
    EXPECT_TRUE(at("ТЕЛЕФОН", 0, 105.8, 14.8 + 81.2));
    EXPECT_TRUE(at("ТЕЛЕФОН", 0, 150.3, 46.6 + 2 * 81.2));
    EXPECT_TRUE(at("ТЕЛЕФОН", 1, 105.8, 14.8));
    EXPECT_TRUE(at("164,40", 0, 112.2, 59.3));
    EXPECT_TRUE(at("164,40", 0, 154.5, 65.6));
    EXPECT_TRUE(at("12", 0, 10.6, 12.7, 0.8));
    EXPECT_TRUE(at("Вид", 0, 2.1, 25.4));
    EXPECT_TRUE(at("Начислено", 0, 46.6, 25.4));
    EXPECT_TRUE(at("Всего", 1, 80.4, 25.4));
    EXPECT_TRUE(at("Р/с", 0, 150.3, 21.2));
    EXPECT_TRUE(at("40702810", 0, 158.8, 21.2));
}

TEST_F(InvoicePdf, EmptySelectionWritesNoFile) {
    const QString path = write(20, 0);
    EXPECT_EQ(run.invoices, 0);
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
