// Invoices over two and three months of real runs and payments: no payment, a full, a partial
// and an overpayment before the next run, a payment after the run, the penalty, a catch-up over
// December 2025 and January 2026 at 20 % and 22 %, VAT off. In every case the invoice's lines
// add up, its total is the debt view's amount due, and the VAT owed is each month's charges
// times that month's rate.

#include "GuiApplication.h"
#include "billing/BillingFixture.h"
#include "billing/DebtViews.h"
#include "billing/Payment.h"
#include "reports/InvoiceReport.h"

using namespace orv;
using namespace orv::test;
using billing::Money;

namespace {

const QString kAll = QStringLiteral("ALL");
constexpr double kFee = 100.00;
constexpr double kPrice = 1.50;  // the city tariff of the exchange, a minute

// One subscriber, 101, billed month by month at the rates of the law.
class Months {
  public:
    Months() {
        x.sql("DELETE FROM NdsRates");
        x.sql(
            "INSERT INTO NdsRates VALUES ('2004-01-01', 18), ('2019-01-01', 20), "
            "('2026-01-01', 22)");
        x.subscriber(101);
        for (int m = 0; m < 6; ++m) x.fee(QDate(2025, 11, 1).addMonths(m), kFee);
    }

    // Calls of a month: minutes on its 10th.
    void calls(const QDate& month, int minutes) { x.cityCall(101, month.addDays(9), minutes); }
    static double charges(int minutes) { return kFee + minutes * kPrice; }

    void run(const QDate& today) { x.run(today); }
    void pay(double amount, const QDate& day) {
        ASSERT_TRUE(billing::confirmPayment(x.db(), 101, kAll, QString::number(amount, 'f', 2),
                                            QLocale::c(), day));
    }

    reports::Invoice invoice() {
        reports::InvoiceReport report(x.db());
        report.open({});
        EXPECT_EQ(report.invoiceCount(), 1);
        const reports::Invoice i = report.invoice(0);
        const reports::InvoiceLines& l = i.lines;
        EXPECT_EQ(l.carried - l.paid + l.charged, l.due) << "the lines add up";
        EXPECT_EQ(l.net + l.vat, l.charged);
        EXPECT_EQ(l.fee + l.city + l.mg + l.penalty, l.net);
        EXPECT_EQ(l.due.toDouble(), viewDue()) << "the debt view's amount due";
        return i;
    }
    double viewDue() {
        billing::DebtViews views(x.db());
        db::Query& dolg = views.openDolg();
        return Money::fromDouble(dolg.value(0, QStringLiteral("Due")).toDouble())
            .roundedToKopecks()
            .toDouble();
    }
    double nds() {
        db::Query q(x.db(), QStringLiteral("SELECT NDS FROM DolgTb WHERE AbNumber = 101"));
        q.open();
        return q.asFloat(QStringLiteral("NDS"));
    }
    static double money(const Money& m) { return m.toDouble(); }

    Exchange x;
};

class InvoiceBooks : public ::testing::Test, public Months {};

const QDate kDec(2025, 12, 1), kJan(2026, 1, 1), kFeb(2026, 2, 1), kMar(2026, 3, 1);

TEST_F(InvoiceBooks, NoPaymentCarriesEachInvoiceIntoTheNext) {
    calls(kDec, 10);
    run(QDate(2026, 1, 5));
    const reports::Invoice december = invoice();
    EXPECT_DOUBLE_EQ(money(december.lines.due), charges(10) * 1.20);
    EXPECT_EQ(december.lines.vatPercent, 20);
    calls(kJan, 20);
    run(QDate(2026, 2, 5));
    const reports::Invoice january = invoice();
    EXPECT_EQ(january.lines.carried, december.lines.due);
    EXPECT_EQ(january.lines.paid, Money());
    EXPECT_DOUBLE_EQ(money(january.lines.charged), charges(20) * 1.22);
    EXPECT_EQ(january.lines.vatPercent, 22);
    EXPECT_NEAR(nds(), charges(10) * 0.20 + charges(20) * 0.22, 1e-9);
    calls(kFeb, 30);
    run(QDate(2026, 3, 5));
    EXPECT_EQ(invoice().lines.carried, january.lines.due);
    EXPECT_NEAR(nds(), charges(10) * 0.20 + charges(20) * 0.22 + charges(30) * 0.22, 1e-9);
}

TEST_F(InvoiceBooks, PaymentsBeforeTheNextRun) {
    struct Case {
        const char* what;
        double paidOfDue;  // the payment as a share of December's invoice, plus extra
        double extra;
    };
    for (const Case& c : {Case{"full payment", 1.0, 0}, Case{"partial payment", 0.5, 0},
                          Case{"overpayment", 1.0, 30.00}}) {
        SCOPED_TRACE(c.what);
        Months m;
        m.calls(kDec, 10);
        m.run(QDate(2026, 1, 5));
        const Money december = m.invoice().lines.due;
        const double paid = money(december) * c.paidOfDue + c.extra;
        m.pay(paid, QDate(2026, 1, 20));
        m.calls(kJan, 20);
        m.run(QDate(2026, 2, 5));
        const reports::Invoice january = m.invoice();
        EXPECT_EQ(january.lines.carried, december);
        EXPECT_DOUBLE_EQ(money(january.lines.paid), paid);
        EXPECT_DOUBLE_EQ(money(january.lines.charged), charges(20) * 1.22);
        EXPECT_EQ(january.lines.penalty, Money());
        // The payment zeroed the VAT owed; only January's charges add theirs.
        EXPECT_NEAR(m.nds(), charges(20) * 0.22, 1e-9);
        EXPECT_NEAR(money(january.lines.due), money(december) - paid + charges(20) * 1.22, 1e-9);
    }
}

TEST_F(InvoiceBooks, PaymentAfterTheRunBeforePrinting) {
    calls(kDec, 10);
    run(QDate(2026, 1, 5));
    const Money december = invoice().lines.due;
    calls(kJan, 20);
    run(QDate(2026, 2, 5));
    pay(40.00, QDate(2026, 2, 6));
    const reports::Invoice january = invoice();
    EXPECT_EQ(january.lines.carried, december);
    EXPECT_DOUBLE_EQ(money(january.lines.paid), 40.00);
    EXPECT_DOUBLE_EQ(money(january.lines.charged), charges(20) * 1.22);
    EXPECT_NEAR(money(january.lines.due), money(december) - 40.00 + charges(20) * 1.22, 1e-9);
}

TEST_F(InvoiceBooks, PenaltyIsALineOfItsOwnWithItsVat) {
    core::Settings s;
    s.usePenalty = true;
    x.settings(s);
    calls(kDec, 10);
    run(QDate(2026, 1, 5));
    const reports::Invoice december = invoice();
    EXPECT_EQ(december.lines.penalty, Money());
    calls(kJan, 20);
    run(QDate(2026, 2, 5));
    const reports::Invoice january = invoice();
    // Month 1 of the run: a tenth of December's debt, without its VAT.
    const double penalty = 0.1 * charges(10);
    EXPECT_DOUBLE_EQ(money(january.lines.penalty), penalty);
    EXPECT_NEAR(money(january.lines.charged), (charges(20) + penalty) * 1.22, 0.005);
    EXPECT_EQ(january.lines.carried, december.lines.due);
    EXPECT_NEAR(nds(), charges(10) * 0.20 + (charges(20) + penalty) * 0.22, 1e-9);
}

TEST_F(InvoiceBooks, CatchUpOverDecemberAndJanuaryAtTheirOwnRates) {
    calls(kDec, 10);
    calls(kJan, 20);
    x.debt(101, kAll, kDec, 0);
    run(QDate(2026, 2, 5));
    EXPECT_NEAR(nds(), charges(10) * 0.20 + charges(20) * 0.22, 1e-9);
    const reports::Invoice january = invoice();
    EXPECT_DOUBLE_EQ(money(january.lines.carried), charges(10) * 1.20) << "December, with VAT";
    EXPECT_DOUBLE_EQ(money(january.lines.charged), charges(20) * 1.22);
    EXPECT_EQ(january.lines.vatPercent, 22);
}

TEST_F(InvoiceBooks, VatOffChargesNone) {
    x.vat.useNds = false;
    calls(kDec, 10);
    run(QDate(2026, 1, 5));
    calls(kJan, 20);
    run(QDate(2026, 2, 5));
    EXPECT_DOUBLE_EQ(nds(), 0);
    const reports::Invoice january = invoice();
    EXPECT_EQ(january.lines.vat, Money());
    EXPECT_EQ(january.lines.vatPercent, 0);
    EXPECT_DOUBLE_EQ(money(january.lines.due), charges(10) + charges(20));
}

}  // namespace
