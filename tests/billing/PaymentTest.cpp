// Payment entry: the amount due, the confirmation with its 0.01 rule and one transaction, and
// the refusals that write nothing.

#include "BillingFixture.h"
#include "billing/Payment.h"
#include "core/Error.h"

using namespace orv;
using orv::billing::Money;
using orv::test::Exchange;

namespace {

const QDate kToday(2026, 4, 10);
const QLocale kC = QLocale::c();

QString refusal(Exchange& x, qint64 number, const char* category, const char* amount) {
    try {
        billing::confirmPayment(x.db(), number, QString::fromUtf8(category),
                                QString::fromUtf8(amount), kC, kToday);
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Refused);
        return e.message();
    }
    return {};
}

}  // namespace

TEST(Payment, WorkedExampleAndTheRemainingDebt) {
    struct Case {
        double dolg, nds;
        const char* paid;
        const char* dolgAfter;  // DolgTb.db Dolg
        const char* paneRow;    // PaneDate.DB
    } cases[] = {
        {167.00, 33.40, "150", "50.4", "101|ALL|10.04.2026|200.4|150"},
        {167.00, 33.40, "200.40", "0", "101|ALL|10.04.2026|200.4|200.4"},
        {100.004, 0, "100.00", "0", "101|ALL|10.04.2026|100.004|100"},
        {99.996, 0, "100", "0", "101|ALL|10.04.2026|99.996|100"},
        {100.00, 0, "100.02", "-0.02", "101|ALL|10.04.2026|100|100.02"},
        {100.00, 0, "250", "-150", "101|ALL|10.04.2026|100|250"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.paid);
        Exchange x;
        x.debt(101, QStringLiteral("ALL"), QDate(2026, 4, 1), c.dolg, 0, c.nds);
        EXPECT_EQ(billing::amountDue(x.db(), 101, QStringLiteral("ALL")),
                  Money::fromDouble(c.dolg) + Money::fromDouble(c.nds));
        const auto result = billing::confirmPayment(x.db(), 101, QStringLiteral("ALL"),
                                                    QString::fromUtf8(c.paid), kC, kToday);
        ASSERT_TRUE(result.has_value());
        EXPECT_TRUE(result->newPaymentRow);
        const QStringList debt = x.rows("DolgTb").first().split(u'|');
        EXPECT_EQ(debt[4], QString::fromUtf8(c.dolgAfter));
        EXPECT_EQ(debt[6], QStringLiteral("0"));  // NDS
        EXPECT_EQ(x.rows("PaneDate"), QStringList{QString::fromUtf8(c.paneRow)});
    }
}

TEST(Payment, SecondPaymentOverwritesAndCategoryIsFoundWithoutRegardToCase) {
    Exchange x;
    x.debt(101, QStringLiteral("VECH"), QDate(2026, 4, 1), 167.00, 0, 33.40);
    ASSERT_TRUE(billing::confirmPayment(x.db(), 101, QStringLiteral("vech"), QStringLiteral("150"),
                                        kC, kToday));
    const auto second = billing::confirmPayment(x.db(), 101, QStringLiteral("VECH"),
                                                QStringLiteral("20.4"), kC, kToday.addDays(1));
    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(second->newPaymentRow);
    EXPECT_EQ(second->due, Money::fromDouble(50.40));  // NDS is 0 after the first payment
    EXPECT_EQ(x.rows("PaneDate"), QStringList{"101|vech|11.04.2026|50.4|20.4"});
    EXPECT_EQ(x.rows("DolgTb").first().split(u'|')[4], QStringLiteral("30"));
}

TEST(Payment, RefusalsWriteNothing) {
    struct Case {
        const char* what;
        qint64 number;
        const char* category;
        const char* amount;
        QString message;  // empty: no debt row, nothing returned
    } cases[] = {
        {"empty amount", 101, "ALL", "", billing::kPaymentRefused},
        {"not a number", 101, "ALL", "сто", billing::kPaymentRefused},
        {"zero", 101, "ALL", "0", billing::kPaymentRefused},
        {"negative", 101, "ALL", "-5", billing::kPaymentRefused},
        {"bad amount and no debt row", 999, "ALL", "x", billing::kPaymentRefused},
        {"no debt row", 999, "ALL", "10", {}},
        {"number 0 of a blank field", 0, "ALL", "10", {}},
        {"another category's payment row", 102, "ALL", "10",
         QStringLiteral("Для номера 102 уже записана оплата с признаком BUDG")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exchange x;
        x.debt(101, QStringLiteral("ALL"), QDate(2026, 4, 1), 10.00);
        x.debt(102, QStringLiteral("ALL"), QDate(2026, 4, 1), 10.00);
        x.sql("INSERT INTO PaneDate VALUES (102, 'BUDG', '2026-03-05', 5, 5)");
        const auto before = x.files({QStringLiteral("DolgTb"), QStringLiteral("PaneDate")});
        if (c.message.isEmpty()) {
            EXPECT_FALSE(billing::confirmPayment(x.db(), c.number, QString::fromUtf8(c.category),
                                                 QString::fromUtf8(c.amount), kC, kToday));
        } else {
            EXPECT_TRUE(refusal(x, c.number, c.category, c.amount).startsWith(c.message));
        }
        EXPECT_TRUE(x.files({QStringLiteral("DolgTb"), QStringLiteral("PaneDate")}) == before);
    }
}

TEST(Payment, FailedDebtWriteRollsBackThePaymentRow) {
    Exchange x;
    x.debt(101, QStringLiteral("ALL"), QDate(2026, 4, 1), 10.00);
    x.temp().raw(QStringLiteral("DolgTb.db"),
                 QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON DolgTb BEGIN SELECT "
                                "RAISE(ABORT, 'диск полон'); END"));
    const QString message = refusal(x, 101, "ALL", "5");
    EXPECT_TRUE(message.startsWith(QStringLiteral("Оплата не записана: ")))
        << message.toStdString();
    EXPECT_TRUE(message.section(u'\n', 0, 0).contains(QStringLiteral("диск полон")));
    EXPECT_TRUE(x.rows("PaneDate").isEmpty());
}
