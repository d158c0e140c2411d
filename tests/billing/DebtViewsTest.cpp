// The debt and payment views: which debt rows are listed, the number-list filter, and Stay.

#include "BillingFixture.h"
#include "billing/DebtViews.h"

using namespace orv;
using orv::test::Exchange;
using orv::test::rowsOf;

TEST(DebtViews, DebtViewListsRowsMatchingASubscriberAndTakesTheListFilter) {
    Exchange x;
    x.subscriber(101);
    x.subscriber(102, QStringLiteral("BUDG"), QStringLiteral("NO"));
    x.subscriber(103);
    x.debt(101, QStringLiteral("ALL"), QDate(2026, 4, 1), 5.00);
    x.debt(102, QStringLiteral("BUDG"), QDate(2026, 4, 1), 7.00);  // closed: still listed
    x.debt(103, QStringLiteral("VECH"), QDate(2026, 4, 1), 9.00);  // other category
    x.debt(104, QStringLiteral("ALL"), QDate(2026, 4, 1), 9.00);   // no subscriber
    billing::DebtViews views(x.db());
    db::Query& dolg = views.openDolg();
    QStringList numbers;
    for (const QString& row : rowsOf(dolg)) numbers.append(row.section(u'|', 0, 2));
    EXPECT_EQ(numbers, (QStringList{"101|ALL|YES", "102|BUDG|NO"}));

    views.setListFilter(db::RecordFilter::fromNumbers({102, 103}));
    views.setListFiltered(true);
    EXPECT_EQ(dolg.recordCount(), 1);
    views.openDolg();
    EXPECT_EQ(dolg.recordCount(), 1);  // the filter survives reopening
    views.setListFiltered(false);
    EXPECT_EQ(dolg.recordCount(), 2);

    for (const core::ViewColumn& c : billing::debtViewColumns())
        EXPECT_GE(dolg.fieldIndex(c.field), 0) << c.field.toStdString();
    EXPECT_EQ(billing::debtViewColumns().size(), 12);
    EXPECT_EQ(billing::debtViewColumns().last().title, QStringLiteral("Итого к оплате"));
}

TEST(DebtViews, PaymentViewComputesStayInFixedPoint) {
    Exchange x;
    x.sql(
        "INSERT INTO PaneDate VALUES (101, 'ALL', '2026-04-10', 200.4, 150), "
        "(102, 'ALL', '2026-04-10', 0.3, 0.1 + 0.2), (103, 'ALL', '2026-04-10', 10, 12.5)");
    billing::DebtViews views(x.db());
    db::Query& pane = views.openShowPane();
    QStringList stay;
    for (qint64 r = 0; r < pane.recordCount(); ++r)
        stay.append(db::displayText(pane.value(r, QStringLiteral("Stay"))));
    EXPECT_EQ(stay, (QStringList{"-50.4", "0", "2.5"}));
    QStringList fields;
    for (const core::ViewColumn& c : billing::paymentViewColumns()) fields.append(c.title);
    EXPECT_EQ(fields.last(), QStringLiteral("Остаток"));
    EXPECT_GE(pane.fieldIndex(QStringLiteral("Stay")), 0);
}
