// The invoice: its lines composed from the books (they add up to the amount due in every case),
// the selection of accounts by number range, category and list, and the PDF itself: its texts,
// the rate in the captions, the positions of a few texts, amounts that stay inside their boxes
// and the payment QR code read back from the page.

#include "GuiApplication.h"
#include "ReportTestData.h"
#include "core/Error.h"
#include "core/SettingsStore.h"
#include "reports/InvoiceLines.h"
#include "reports/InvoiceReport.h"
#include "reports/PaymentQr.h"
#include "reports/ReportRenderer.h"

#include <cmath>

using namespace orv;
using namespace orv::reports;
using namespace orv::test;
using billing::Money;

namespace {

double amount(const Money& m) { return m.toDouble(); }

void expectAddsUp(const InvoiceLines& l, const char* name) {
    EXPECT_EQ(l.carried - l.paid + l.charged, l.due) << name;
    EXPECT_EQ(l.fee + l.city + l.mg + l.penalty, l.net) << name;
    EXPECT_EQ(l.net + l.vat, l.charged) << name;
    EXPECT_EQ(l.feeVat + l.cityVat + l.mgVat + l.penaltyVat, l.vat) << name;
    EXPECT_EQ(l.dueNet + l.dueVat, l.due) << name;
}

TEST(InvoiceLines, ComposedFromTheBooksAndAddingUp) {
    struct Case {
        const char* name;
        InvoiceBooks books;
        double carried, paid, charged, penalty, vat, due;
    };
    // The worked example's books: 84.00 due after March's run, then April's 67.00 and 13.40.
    InvoiceBooks example{137.0, 27.4, 84.0, 25.0, 30.0, 12.0, 20, true, 0, 0};
    InvoiceBooks paidBefore = example;  // 84.00 paid in full before the run
    paidBefore.dolg = 67.0;
    paidBefore.nds = 13.4;
    paidBefore.lastDolg = 0;
    paidBefore.paidBefore = 84.0;
    InvoiceBooks paidAfter = example;  // 100.00 paid after the run: Dolg 64.40, NDS 0
    paidAfter.dolg = 64.4;
    paidAfter.nds = 0;
    paidAfter.paidAfter = 100.0;
    InvoiceBooks overpaid = example;  // 120.00 paid on 84.00: a credit of 36.00 carried
    overpaid.dolg = -36.0 + 67.0;
    overpaid.nds = 13.4;
    overpaid.lastDolg = -36.0;
    overpaid.paidBefore = 120.0;
    InvoiceBooks penalty = example;  // 10.00 of penalty and its 2.00 of VAT
    penalty.dolg += 10.0;
    penalty.nds += 2.0;
    InvoiceBooks unknownRun = example;  // no run journal: no penalty is told apart
    unknownRun.runKnown = false;
    InvoiceBooks rounding{0.0, 0.0, 0.0, 33.33, 10.01, 7.77, 22, true, 0, 0};
    rounding.dolg = 33.33 + 10.01 + 7.77;
    rounding.nds = 0.22 * rounding.dolg;
    const Case cases[] = {
        {"worked example", example, 84.0, 0, 80.4, 0, 13.4, 164.4},
        {"paid before the run", paidBefore, 84.0, 84.0, 80.4, 0, 13.4, 80.4},
        {"paid after the run", paidAfter, 84.0, 100.0, 80.4, 0, 13.4, 64.4},
        {"overpaid", overpaid, 84.0, 120.0, 80.4, 0, 13.4, 44.4},
        {"penalty", penalty, 84.0, 0, 92.4, 10.0, 15.4, 176.4},
        {"run unknown", unknownRun, 84.0, 0, 80.4, 0, 13.4, 164.4},
        {"rounding at 22 %", rounding, 0, 0, 62.35, 0, 11.24, 62.35},
    };
    for (const Case& c : cases) {
        const InvoiceLines l = composeInvoice(c.books);
        expectAddsUp(l, c.name);
        EXPECT_DOUBLE_EQ(amount(l.carried), c.carried) << c.name;
        EXPECT_DOUBLE_EQ(amount(l.paid), c.paid) << c.name;
        EXPECT_DOUBLE_EQ(amount(l.charged), c.charged) << c.name;
        EXPECT_DOUBLE_EQ(amount(l.penalty), c.penalty) << c.name;
        EXPECT_DOUBLE_EQ(amount(l.vat), c.vat) << c.name;
        EXPECT_DOUBLE_EQ(amount(l.due), c.due) << c.name;
    }
    const InvoiceLines l = composeInvoice(example);
    EXPECT_DOUBLE_EQ(amount(l.dueNet), 137.0);
    EXPECT_DOUBLE_EQ(amount(l.dueVat), 27.4);
    EXPECT_DOUBLE_EQ(amount(l.feeVat), 5.0);
    EXPECT_DOUBLE_EQ(amount(l.cityVat), 6.0);
    EXPECT_DOUBLE_EQ(amount(l.mgVat), 2.4);
}

TEST(InvoiceLines, RussianAmountsAndPaymentOrder) {
    EXPECT_EQ(Money::fromDouble(2046.335).toRussianString(), QStringLiteral("2\u00A0046,34"));
    EXPECT_EQ(Money::fromDouble(-50.4).toRussianString(), QStringLiteral("-50,40"));
    EXPECT_EQ(Money::fromDouble(1234567.0).toKopeckString(), QStringLiteral("1234567.00"));
    IssuerTexts issuer = readIssuerTexts(core::SettingsStore(QStringLiteral("/nonexistent.reg")));
    EXPECT_TRUE(paymentOrder(issuer, 101, Money::fromDouble(10), QDate(2026, 3, 1)).isEmpty())
        << "sample issuer texts make no order";
    issuer.centreName = QStringLiteral("ООО «Связь|Тест»");
    issuer.account = QStringLiteral("40702810900000012345");
    issuer.bank = QStringLiteral("Тест-банк");
    issuer.bankCode = QStringLiteral("044525225");
    issuer.correspondentAccount = QStringLiteral("30101810400000000225");
    issuer.inn = QStringLiteral("7701234567");
    issuer.kpp = QStringLiteral("770101001");
    issuer.postalCity = QStringLiteral("1, Город");
    issuer.street = QStringLiteral("ул. 1");
    issuer.telephone = QStringLiteral("1-11");
    EXPECT_TRUE(paymentOrder(issuer, 101, Money(), QDate(2026, 3, 1)).isEmpty());
    EXPECT_EQ(paymentOrder(issuer, 101, Money::fromDouble(2046.34), QDate(2026, 3, 1)),
              QStringLiteral("ST00012|Name=ООО «Связь Тест»|PersonalAcc=40702810900000012345|"
                             "BankName=Тест-банк|BIC=044525225|CorrespAcc=30101810400000000225|"
                             "PayeeINN=7701234567|KPP=770101001|Sum=204634|Purpose=Оплата услуг "
                             "электросвязи за 03.2026, телефон 101|PersAcc=101"));
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
    InvoiceReport report(a.db());
    for (const Range& r : ranges) {
        core::SelectionPanel panel;
        panel.byNumber = r.byNumber;
        panel.numberFrom = QString::fromLatin1(r.from);
        panel.numberTo = QString::fromLatin1(r.to);
        report.open(panel);
        EXPECT_EQ(texts(report, QStringLiteral("AbNumber")).join(u' '),
                  QString::fromLatin1(r.numbers))
            << r.from << "-" << r.to;
        report.close();
    }

    report.setListFilter(db::RecordFilter::fromNumbers({1600, 2000}));
    report.setListFiltered(true);
    report.open({});
    EXPECT_EQ(texts(report, QStringLiteral("AbNumber")), QStringList{QStringLiteral("1600")});
}

TEST(InvoiceReport, DisplayTextsOfTheWorkedExample) {
    Accounts a;
    a.workedExample();
    InvoiceReport report(a.db());
    report.open({});
    const auto column = [&](const char* field) {
        return texts(report, QString::fromLatin1(field));
    };
    EXPECT_EQ(column("DolgWithNDS").value(0), QStringLiteral("164,40"));
    EXPECT_EQ(column("AllNLD").value(0), QStringLiteral("137,00"));
    EXPECT_EQ(column("AllNLDNds").value(0), QStringLiteral("27,40"));
    EXPECT_EQ(column("LDWNds").value(0), QStringLiteral("84,00"));
    EXPECT_EQ(column("Paned").value(0), QStringLiteral("0,00"));
    EXPECT_EQ(column("MGFull").value(0), QStringLiteral("14,40"));
    EXPECT_EQ(column("AllFull").value(0), QStringLiteral("80,40"));
    EXPECT_EQ(column("PenyCaption").value(0), QString());
    EXPECT_EQ(column("VatCaption").value(0), QStringLiteral("НДС 20%"));
    EXPECT_EQ(column("YearMonth").value(0), QStringLiteral("01.04.2026"));
    EXPECT_EQ(column("LastYearMonth").value(0), QStringLiteral("01.03.2026"));
}

TEST(InvoiceReport, MissingTableIsTheEngineError) {
    Accounts a;
    a.db().dropTable(QStringLiteral("DolgTb"));
    InvoiceReport report(a.db());
    EXPECT_THROW(report.open({}), Error);
    EXPECT_FALSE(report.isOpen());
}

TEST(InvoiceReport, IssuerTextsFromTheStoreWithMarkedSamples) {
    QTemporaryDir dir;
    core::SettingsStore store(dir.filePath(QStringLiteral("s.reg")));
    EXPECT_TRUE(readIssuerTexts(store).centreName.startsWith(QStringLiteral("ОБРАЗЕЦ")));
    EXPECT_TRUE(hasSampleTexts(readIssuerTexts(store)));
    store.writeString(kIssuerSection, QStringLiteral("телефон"), QStringLiteral("2-22-33"));
    EXPECT_EQ(readIssuerTexts(store).telephone, QStringLiteral("2-22-33"));
    store.writeString(kIssuerSection, QStringLiteral("МФО"), QStringLiteral("044525225"));
    EXPECT_EQ(readIssuerTexts(store).bankCode, QStringLiteral("044525225"))
        << "the bank code stored under its former name is kept";
    store.writeInteger(kIssuerSection, QStringLiteral("Банк"), 5);
    EXPECT_THROW(readIssuerTexts(store), Error);
}

IssuerTexts testIssuer() {
    IssuerTexts issuer;
    issuer.centreName = QStringLiteral("Центр связи Тест");
    issuer.postalCity = QStringLiteral("123456, Тестов");
    issuer.street = QStringLiteral("ул. Проверочная, 7");
    issuer.account = QStringLiteral("40702810900000012345");
    issuer.bank = QStringLiteral("Тест-банк");
    issuer.bankCode = QStringLiteral("044525225");
    issuer.telephone = QStringLiteral("2-22-33");
    issuer.inn = QStringLiteral("7701234567");
    issuer.kpp = QStringLiteral("770101001");
    issuer.correspondentAccount = QStringLiteral("30101810400000000225");
    return issuer;
}

class InvoicePdf : public ::testing::Test {
  protected:
    QString write(int accounts = 2) {
        for (int i = 0; i < accounts; ++i)
            a.account(200 + i, QStringLiteral("ALL"), 25.0, 30.0, 12.0, 84.0);
        const QString path = dir.filePath(QStringLiteral("invoices.pdf"));
        run = writeInvoicesPdf(a.db(), {}, nullptr, testIssuer(), path);
        return path;
    }
    Accounts a;
    QTemporaryDir dir;
    InvoiceRun run;
};

TEST_F(InvoicePdf, TextsOfTheWorkedExample) {
    QString text = pdfText(write());
    text.replace(QChar(0x00A0), u' ');
    EXPECT_EQ(run.invoices, 2);
    EXPECT_EQ(run.pages, 1);
    for (const char* expected : {"Центр связи Тест",
                                 "хранить 3 года",
                                 "СЧЕТ ЗА УСЛУГИ ЭЛЕКТРОСВЯЗИ",
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
                                 "40702810900000012345",
                                 "30101810400000000225",
                                 "ИНН 7701234567",
                                 "КПП 770101001",
                                 "БИК",
                                 "Тест-банк",
                                 "044525225",
                                 "текущего месяца в отделениях",
                                 "Телефон для справок 2-22-33",
                                 "01.04.2026",
                                 "01.03.2026",
                                 "ул. Ленина",
                                 "Иванов И.И."})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(text.contains(QStringLiteral("ЭЛЕКРОСВЯЗИ")));
    EXPECT_FALSE(text.contains(QStringLiteral("МФО")));
}

TEST_F(InvoicePdf, PositionsFollowTheBandLayoutAndStayInside) {
    a.account(300, QStringLiteral("ALL"), 25.0, 30.0, 12.0, 1234567.89);
    const QList<PdfWord> words = pdfWords(write(4));
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
    EXPECT_TRUE(at("ТЕЛЕФОН", 0, 105.8, 14.8));
    EXPECT_TRUE(at("ТЕЛЕФОН", 0, 105.8, 14.8 + 81.2));
    EXPECT_TRUE(at("ТЕЛЕФОН", 1, 105.8, 14.8));
    EXPECT_TRUE(at("164,40", 0, 112.2, 59.3));
    EXPECT_TRUE(at("12", 0, 10.6, 12.7, 0.8));
    EXPECT_TRUE(at("Вид", 0, 2.1, 25.4));
    EXPECT_TRUE(at("Начислено", 0, 46.6, 25.4));
    EXPECT_TRUE(at("Всего", 1, 80.4, 25.4));
    // No amount or account crosses a ruled line or the band's edge.
    for (const PdfWord& w : words) {
        const double right = w.right - 10;
        const double left = w.left - 10;
        if (left < 146.1) EXPECT_LT(right, 146.1 + 0.2) << w.text.toStdString();
        EXPECT_LT(right, 190.0 + 0.2) << w.text.toStdString();
        const double top = std::fmod(w.top - 10, 81.2);
        if (left > 46 && left < 95.2 && top > 29.6 && top < 70.1)
            EXPECT_LT(right, 95.2 + 0.2) << w.text.toStdString();
    }
    EXPECT_FALSE(wordsNamed(words, QStringLiteral("40702810900000012345")).isEmpty());
}

TEST_F(InvoicePdf, PaymentCodeReadsBackWithTheAmountAndAccount) {
    const QString pdf = write(1);
    const QString png = dir.filePath(QStringLiteral("page"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("300"),
                                 QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, png}),
              0);
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"),
               {QStringLiteral("--raw"), QStringLiteral("-q"), png + QStringLiteral(".png")});
    ASSERT_TRUE(zbar.waitForFinished());
    const QString payload = QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
    EXPECT_TRUE(payload.startsWith(QStringLiteral("ST00012|Name=Центр связи Тест|")))
        << payload.toStdString();
    EXPECT_TRUE(payload.contains(QStringLiteral("|PersonalAcc=40702810900000012345|")));
    EXPECT_TRUE(payload.contains(QStringLiteral("|Sum=16440|")));
    EXPECT_TRUE(payload.endsWith(QStringLiteral("|PersAcc=200")));
}

TEST_F(InvoicePdf, EmptySelectionWritesNoFile) {
    const QString path = write(0);
    EXPECT_EQ(run.invoices, 0);
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
