// The monthly debt run on real table files: the worked example, the penalty, free minutes and
// catch-up, the Exist rules, the archive, and every refusal leaving the tables byte for byte.

#include "BillingFixture.h"
#include "billing/DebtStatements.h"
#include "calls/CallStatements.h"
#include "core/Error.h"
#include "db/Table.h"

using namespace orv;
using orv::test::Exchange;

namespace {

const QDate kToday(2026, 4, 10);
const QDate kApr1(2026, 4, 1);
const QDate kMar1(2026, 3, 1);
const QDate kFeb1(2026, 2, 1);
const QDate kJan1(2026, 1, 1);

struct Debt {
    QDate yearMonth, lastYearMonth;
    double dolg = 0, lastDolg = 0, nds = 0, mg = 0, byTime = 0, abPlata = 0;
};

Debt debtOf(Exchange& x, qint64 number, const QString& category = QStringLiteral("ALL")) {
    db::Query q(x.db(),
                QStringLiteral("SELECT * FROM DolgTb WHERE AbNumber = :N AND Priznak = :P"));
    q.setInteger(QStringLiteral("N"), number);
    q.setString(QStringLiteral("P"), category);
    q.open();
    EXPECT_EQ(q.recordCount(), 1) << "account " << number;
    if (q.recordCount() != 1) return {};
    return {q.asDate(QStringLiteral("YearMonth")), q.asDate(QStringLiteral("LastYearMonth")),
            q.asFloat(QStringLiteral("Dolg")),     q.asFloat(QStringLiteral("LastDolg")),
            q.asFloat(QStringLiteral("NDS")),      q.asFloat(QStringLiteral("MG")),
            q.asFloat(QStringLiteral("ByTime")),   q.asFloat(QStringLiteral("AbPlata"))};
}

// Pipelines that leave TabCTGr2 and TabMGgr2 as the test filled them.
billing::DebtPipelines keepResultTables() {
    return {[](db::Database&) {}, [](db::Database&) {}};
}

void createResultTables(Exchange& x) {
    x.sql(
        "CREATE TABLE TabCTGr2 (AbNumber INTEGER, Priznak VARCHAR(10), Date_of_call DATE, "
        "Time_of_call TIME, Longivity INTEGER, DATA DATE, COST FLOAT, ResCost FLOAT)");
    x.sql(
        "CREATE TABLE TabMGgr2 (AbNumber INTEGER, Priznak VARCHAR(10), Date_of_call DATE, "
        "Time_of_call TIME, TRF FLOAT, Longivity INTEGER, DATA DATE, Cost_k FLOAT, "
        "ResCost FLOAT)");
}

// Rows grouped into the runs of one number in table order, each run sorted: the order of the
// numbers counts, the order of one number's rows is the engine's.
std::string numberBlocks(const QStringList& rows) {
    QStringList blocks;
    QStringList block;
    auto flush = [&] {
        block.sort();
        if (!block.isEmpty()) blocks.append(block.join(u'\n'));
        block.clear();
    };
    for (const QString& row : rows) {
        if (!block.isEmpty() && block.first().section(u'|', 0, 0) != row.section(u'|', 0, 0))
            flush();
        block.append(row);
    }
    flush();
    return blocks.join(QStringLiteral("\n--\n")).toStdString();
}

QString refusal(Exchange& x, const QDate& today) {
    try {
        x.run(today);
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

}  // namespace

TEST(DebtRun, WorkedExampleOfOneMonth) {
    Exchange x;
    x.subscriber(101);
    x.debt(101, QStringLiteral("ALL"), kMar1, 100.00, 7.0, 20.00);
    x.fee(kMar1, 25.00);
    x.cityCall(101, QDate(2026, 3, 5), 12);  // 12 + 8 minutes at 1.50 = 30.00
    x.cityCall(101, QDate(2026, 3, 25), 8);
    x.mgCall(101, QDate(2026, 3, 7), 6);  // 6 minutes at 2.00 = 12.00
    x.cityCall(101, QDate(2026, 4, 2), 5);

    const billing::DebtRunSummary summary = x.run(kToday);

    const Debt d = debtOf(x, 101);
    EXPECT_DOUBLE_EQ(d.dolg, 167.00);
    EXPECT_NEAR(d.nds, 33.40, 1e-9);
    EXPECT_DOUBLE_EQ(d.lastDolg, 120.00);
    EXPECT_DOUBLE_EQ(d.mg, 12.00);
    EXPECT_DOUBLE_EQ(d.byTime, 30.00);
    EXPECT_DOUBLE_EQ(d.abPlata, 25.00);
    EXPECT_EQ(d.yearMonth, kApr1);
    EXPECT_EQ(d.lastYearMonth, kMar1);
    EXPECT_EQ(x.rows("PrDlgCt"), QStringList{"101|ALL|2|20|30|01.04.2026"});
    EXPECT_EQ(x.rows("PrDlgMG"), QStringList{"101|ALL|1|6|12|01.04.2026"});
    EXPECT_EQ(x.rows("DolgDR"), QStringList{"101|ALL|3|26|42|01.04.2026"});
    EXPECT_EQ(x.rows("OldMG"), QStringList{"101|07.03.2026|12:00:00|6|9|4950000|495||1"});
    EXPECT_EQ(x.rows("DESTTAR"), QStringList{"101|02.04.2026|12:00:00|5|2|5550000|||"});
    EXPECT_EQ(summary.months, 1);
    EXPECT_EQ(summary.accounts, 1);
    EXPECT_EQ(summary.callsArchived, 1);
    EXPECT_EQ(summary.callsRetired, 3);
    EXPECT_EQ(summary.reckoningDate, kApr1);
}

TEST(DebtRun, FirstMonthOfARunByStoredDebt) {
    struct Case {
        const char* what;
        bool penalty;
        QDate yearMonth;  // of the account's row; none when invalid and noRow
        bool noRow;
        double dolg, lastDolg;
        double expected;
    } cases[] = {
        {"penalty: fixed factors 1.1 and 0.2", true, kMar1, false, 100.00, 50.00, 120.00},
        {"penalty: 0.01 draws none", true, kMar1, false, 0.01, 50.00, 0.01},
        {"penalty: a credit draws none", true, kMar1, false, -30.00, 50.00, -30.00},
        {"no penalty", false, kMar1, false, 100.00, 50.00, 100.00},
        {"row dated on the closing date keeps its debt", false, kApr1, false, 80.00, 0, 80.00},
        {"no row: the month's charges", false, {}, true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exchange x;
        core::Settings s;
        s.usePenalty = c.penalty;
        s.penaltyPercent = 3.0;  // month 1 uses fixed factors whatever the percent
        x.settings(s);
        x.subscriber(101);
        x.debt(102, QStringLiteral("ALL"), kMar1, 0);  // first row: the guard passes
        if (!c.noRow) x.debt(101, QStringLiteral("ALL"), c.yearMonth, c.dolg, c.lastDolg);
        x.fee(kMar1, 0);
        x.run(kToday);
        EXPECT_NEAR(debtOf(x, 101).dolg, c.expected, 1e-9);
    }
}

TEST(DebtRun, PenaltyInLaterMonthsFollowsTheLengthOfTheMonth) {
    struct Case {
        QDate today;
        QDate stored;
        double expected;
    } cases[] = {
        {kToday, kFeb1, 111.00},                          // February, then March of 31 days
        {QDate(2026, 3, 2), kJan1, 108.00},               // January, then February of 28 days
        {QDate(2024, 3, 31), QDate(2024, 1, 1), 109.00},  // a leap February
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.today.toString().toStdString());
        Exchange x;
        core::Settings s;
        s.usePenalty = true;
        s.penaltyPercent = 1.0;
        x.settings(s);
        x.vat.useNds = false;
        x.subscriber(101);
        x.debt(101, QStringLiteral("ALL"), c.stored, 0);
        x.fee(c.stored, 100.00);
        x.fee(c.stored.addMonths(1), 0);
        x.run(c.today);
        EXPECT_NEAR(debtOf(x, 101).dolg, c.expected, 1e-9);
        EXPECT_DOUBLE_EQ(debtOf(x, 101).nds, 0);
    }
}

TEST(DebtRun, CatchUpOverThreeMonthsCarriesPenaltyAndKeepsTheLastMonthsBreakdown) {
    Exchange x;
    core::Settings s;
    s.usePenalty = true;
    s.penaltyPercent = 1.0;
    x.settings(s);
    x.subscriber(101);
    x.debt(101, QStringLiteral("ALL"), kJan1, 0);
    x.fee(kJan1, 100.00);
    x.fee(kFeb1, 0);
    x.fee(kMar1, 10.00);
    x.mgCall(101, QDate(2026, 3, 3), 2);    // 4.00 in March
    x.cityCall(101, QDate(2026, 2, 3), 2);  // 3.00 in February

    const billing::DebtRunSummary summary = x.run(kToday);
    EXPECT_EQ(summary.months, 3);
    // January 100; February 8% + K 0 + 3.00 = 111.00, K := 20; March 11% of 111 + 111 + 20 +
    // 4.00 + 10.00.
    const Debt d = debtOf(x, 101);
    EXPECT_NEAR(d.dolg, 0.11 * 111.00 + 111.00 + 20.00 + 4.00 + 10.00, 1e-9);
    EXPECT_NEAR(d.lastDolg, 111.00 * 1.2, 1e-9) << "February's debt with its VAT";
    EXPECT_NEAR(d.nds, 0.2 * d.dolg, 1e-9) << "one rate and no payment: VAT on the whole debt";
    EXPECT_DOUBLE_EQ(d.mg, 4.00);
    EXPECT_DOUBLE_EQ(d.byTime, 0);
    EXPECT_DOUBLE_EQ(d.abPlata, 10.00);
    EXPECT_EQ(x.rows("PrDlgCt"), QStringList{"101|ALL|1|2|3|01.03.2026"});
}

// LastDolg is what was due before the last reckoned month was added, its VAT included, however
// the row got its date: the invoice carries it forward.
TEST(DebtRun, PreviousDebtOfTheLastReckoning) {
    struct Case {
        const char* what;
        QDate stored;  // YearMonth of the account's row
        QDate first;   // YearMonth of the first row of DolgTb.db
        bool useNds;
        double expected;
    } cases[] = {
        {"previous month: stored debt with VAT", kMar1, kMar1, true, 120.00},
        {"previous month, VAT off: the VAT owed stays owed", kMar1, kMar1, false, 120.00},
        {"a row added by hand without a date", {}, kMar1, true, 120.00},
        {"a row added by hand in another month", QDate(2026, 3, 15), kMar1, true, 120.00},
        {"two months behind: the debt after February", kFeb1, kFeb1, true, 120.00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exchange x;
        x.vat.useNds = c.useNds;
        x.subscriber(101);
        x.debt(102, QStringLiteral("ALL"), c.first, 0);
        x.debt(101, QStringLiteral("ALL"), c.stored, 100.00, 0, 20.00);
        x.fee(kFeb1, 0);
        x.fee(kMar1, 0);
        x.run(kToday);
        EXPECT_NEAR(debtOf(x, 101).lastDolg, c.expected, 1e-9);
        EXPECT_NEAR(debtOf(x, 101).dolg, 100.00, 1e-9);
        EXPECT_NEAR(debtOf(x, 101).nds, 20.00, 1e-9) << "nothing added, no VAT added";
    }
}

TEST(DebtRun, FreeMinutesAreDeductedOncePerCityPrice) {
    struct Case {
        const char* what;
        QList<int> minutesAt150;
        QList<int> minutesAt200;  // calls after the price change on 15.03
        double charge;
    } cases[] = {
        {"20 minutes within 30 free", {20}, {}, 0},
        {"50 minutes", {30, 20}, {}, 75.00 - 45.00},
        {"two prices: 30 free at each", {40}, {40}, (60.00 - 45.00) + (80.00 - 60.00)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exchange x;
        core::Settings s;
        s.freeMinutes = 30;
        x.settings(s);
        x.sql("INSERT INTO TARIFCIT VALUES ('2026-03-15', 'ALL', 2.0)");
        x.subscriber(101);
        x.fee(kMar1, 0);
        for (int m : c.minutesAt150) x.cityCall(101, QDate(2026, 3, 5), m);
        for (int m : c.minutesAt200) x.cityCall(101, QDate(2026, 3, 20), m);
        x.vat.useNds = false;
        x.run(kToday);
        const Debt d = debtOf(x, 101);
        EXPECT_NEAR(d.dolg, c.charge, 1e-9);
        // ByTime is the month's whole city charge, Sum_of_long stays undiminished.
        const QStringList totals = x.rows("PrDlgCt");
        ASSERT_FALSE(totals.isEmpty());
        EXPECT_NEAR(d.byTime, c.charge, 1e-9);
        int minutes = 0;
        for (const QString& row : totals) minutes += row.split(u'|')[3].toInt();
        int expectedMinutes = 0;
        for (int m : c.minutesAt150 + c.minutesAt200) expectedMinutes += m;
        EXPECT_EQ(minutes, expectedMinutes);
    }
}

TEST(DebtRun, LongDistanceNotChargedLeavesItOutOfTheDebt) {
    Exchange x;
    core::Settings s;
    s.chargeLongDistance = false;
    x.settings(s);
    x.vat.useNds = false;
    x.subscriber(101);
    x.fee(kMar1, 5.00);
    x.mgCall(101, QDate(2026, 3, 7), 6);
    x.cityCall(101, QDate(2026, 3, 7), 2);
    x.run(kToday);
    const Debt d = debtOf(x, 101);
    EXPECT_DOUBLE_EQ(d.dolg, 5.00 + 3.00);
    EXPECT_DOUBLE_EQ(d.mg, 0);
    EXPECT_TRUE(x.rows("PrDlgMG").isEmpty());
    EXPECT_EQ(x.rows("OldMG").size(), 1);  // still archived
}

TEST(DebtRun, ExistRulesAndTheRetiredCalls) {
    Exchange x;
    x.subscriber(101, QStringLiteral("ALL"), QStringLiteral("NO"));
    x.subscriber(102, QStringLiteral("ALL"), QString());
    x.subscriber(103, QStringLiteral("ALL"), QStringLiteral("YES"));
    x.debt(101, QStringLiteral("ALL"), kMar1, 55.00, 44.00, 11.00);
    x.fee(kMar1, 10.00);
    for (qint64 n : {101, 102, 103, 104}) {
        x.cityCall(n, QDate(2026, 3, 5), 4);
        x.mgCall(n, QDate(2026, 3, 6), 1);
    }
    x.vat.useNds = false;
    const billing::DebtRunSummary summary = x.run(kToday);

    // Closed: amounts frozen (MG, ByTime, AbPlata as stored), only the dates move.
    EXPECT_EQ(x.rows("DolgTb").first(), "101|ALL|01.04.2026|01.03.2026|55|44|11|1|2|3");
    // Exist neither YES nor NO: no call priced, but the fee is charged.
    EXPECT_DOUBLE_EQ(debtOf(x, 102).dolg, 10.00);
    EXPECT_DOUBLE_EQ(debtOf(x, 103).dolg, 10.00 + 6.00 + 2.00);
    // Every account's number archived, the number without a subscriber only deleted.
    QStringList archived;
    for (const QString& row : x.rows("OldMG")) archived.append(row.section(u'|', 0, 0));
    EXPECT_EQ(archived, (QStringList{"101", "102", "103"}));
    EXPECT_TRUE(x.rows("DESTTAR").isEmpty());
    EXPECT_EQ(summary.callsRetired, 8);
    EXPECT_EQ(summary.accounts, 3);
}

TEST(DebtRun, EmptyCallsAndDebtsReckonThePreviousMonthsFee) {
    Exchange x;
    x.subscriber(101);
    x.subscriber(102, QStringLiteral("BUDG"));
    x.sql("INSERT INTO ABPLATA VALUES ('2026-03-01', 30, 12, 0, 0, 0, 0)");
    x.vat.useNds = false;
    EXPECT_EQ(x.run(kToday).months, 1);
    EXPECT_EQ(x.rows("DolgTb"), (QStringList{"101|ALL|01.04.2026|01.03.2026|30|0|0|0|0|30",
                                             "102|BUDG|01.04.2026|01.03.2026|12|0|0|0|0|12"}));
}

TEST(DebtRun, OldestCallStartsTheFirstMonthOnItsDay) {
    Exchange x;
    x.subscriber(101);
    for (const QDate& m : {kJan1, kFeb1, kMar1}) x.fee(m, 0);
    x.cityCall(101, QDate(2026, 1, 17), 2);
    x.cityCall(101, QDate(2026, 2, 28), 4);
    x.cityCall(101, QDate(2026, 3, 31), 6);
    EXPECT_EQ(x.run(kToday).months, 3);
    EXPECT_EQ(x.rows("PrDlgCt"),
              (QStringList{"101|ALL|1|2|3|01.02.2026", "101|ALL|1|4|6|01.03.2026",
                           "101|ALL|1|6|9|01.04.2026"}));
    EXPECT_NEAR(debtOf(x, 101).lastDolg, (3.00 + 6.00) * 1.2, 1e-9);
}

TEST(DebtRun, EqualTotalRowsCountOnceThroughTheUnion) {
    Exchange x;
    createResultTables(x);
    core::Settings s;
    x.settings(s);
    x.vat.useNds = false;
    x.subscriber(101);
    x.fee(kMar1, 0);
    // Two city prices whose rows total alike, and a long-distance row equal to them.
    x.sql(
        "INSERT INTO TabCTGr2 VALUES (101, 'ALL', '2026-03-05', '10:00:00', 10, "
        "'2000-01-01', 1, 20), (101, 'ALL', '2026-03-06', '10:00:00', 10, '2000-01-01', 2, 20)");
    x.sql(
        "INSERT INTO TabMGgr2 VALUES (101, 'ALL', '2026-03-07', '10:00:00', 1, 10, "
        "'2000-01-01', 2, 20)");
    x.run(kToday, keepResultTables());
    EXPECT_EQ(x.rows("PrDlgCt").size(), 2);
    EXPECT_EQ(x.rows("DolgRes"), QStringList{"101|ALL|1|10|20|01.04.2026"});
    const Debt d = debtOf(x, 101);
    EXPECT_DOUBLE_EQ(d.dolg, 20.00);
    // The breakdown adds up to the charge the debt counts.
    EXPECT_DOUBLE_EQ(d.byTime, 0);
    EXPECT_DOUBLE_EQ(d.mg, 20.00);
}

TEST(DebtRun, AccountsFoundWithoutRegardToCaseAndFeeColumnByCategory) {
    Exchange x;
    x.vat.useNds = false;
    x.subscriber(101, QStringLiteral("budg"));
    x.debt(101, QStringLiteral("BUDG"), kMar1, 1.00);
    x.sql("INSERT INTO ABPLATA VALUES ('2026-03-01', 30, 12, 0, 0, 0, 0)");
    x.run(kToday);
    EXPECT_EQ(x.rows("DolgTb"), QStringList{"101|BUDG|01.04.2026|01.03.2026|13|1|0|0|0|12"});
}

TEST(DebtRun, ArchiveMatchesTheStatementsRunNumberByNumber) {
    // The same calls retired literally: QuerySelectOldMG appended row by row, then
    // QueryDeleteNumberFromDT, for every AbTab row in order; then QueryDolgDelete.
    auto seed = [](Exchange& x) {
        x.subscriber(103);
        x.subscriber(101, QStringLiteral("VECH"));
        x.subscriber(103, QStringLiteral("BUDG"));
        x.subscriber(0);
        x.fee(kFeb1, 0);
        x.fee(kMar1, 0);
        x.mgCall(101, QDate(2026, 3, 9), 3, QStringLiteral("09:00:00"));
        x.mgCall(103, QDate(2026, 3, 8), 1);
        x.mgCall(101, QDate(2026, 3, 2), 3);
        x.mgCall(103, QDate(2026, 3, 8), 1);  // equal to an earlier one: archived once
        x.mgCall(0, QDate(2026, 2, 1), 5);
        x.mgCall(105, QDate(2026, 3, 1), 5);  // no subscriber
        x.mgCall(101, QDate(2026, 4, 1), 5);  // this month: stays
        x.cityCall(103, QDate(2026, 3, 3), 1);
    };
    Exchange literal;
    seed(literal);
    {
        db::Table accounts(literal.db(), QStringLiteral("AbTab"));
        db::Table old(literal.db(), QStringLiteral("OldMG"));
        accounts.open();
        old.open();
        db::Query select(literal.db(), calls::sql::QuerySelectOldMG());
        db::Query remove(literal.db(), billing::sql::QueryDeleteNumberFromDT());
        for (accounts.first(); !accounts.eof(); accounts.next()) {
            const qint64 number = accounts.asInteger(QStringLiteral("AbNumber"));
            select.setInteger(QStringLiteral("CurrNumber"), number);
            select.setDate(QStringLiteral("DateOfRas"), kApr1);
            select.open();
            for (select.first(); !select.eof(); select.next()) {
                old.append();
                for (const db::FieldDef& f : old.fields())
                    old.setField(f.name, select.field(f.name));
                old.post();
            }
            select.close();
            remove.setInteger(QStringLiteral("CurrNumber"), number);
            remove.setDate(QStringLiteral("DateOfRas"), kApr1);
            remove.execute();
        }
        db::Query all(literal.db(), billing::sql::QueryDolgDelete());
        all.setDateTime(QStringLiteral("DateOfRas"), QDateTime(kApr1, QTime(0, 0)));
        all.execute();
    }
    Exchange run;
    seed(run);
    run.run(kToday);
    EXPECT_EQ(numberBlocks(run.rows("OldMG")), numberBlocks(literal.rows("OldMG")));
    EXPECT_EQ(run.rows("DESTTAR").join(u'\n').toStdString(),
              literal.rows("DESTTAR").join(u'\n').toStdString());
    EXPECT_EQ(run.rows("OldMG").size(), 4);
}

TEST(DebtRun, RefusalsAndErrorsLeaveEveryTableByteForByte) {
    struct Case {
        const char* what;
        std::function<void(Exchange&)> seed;
        QString message;
    } cases[] = {
        {"second run in the same month",
         [](Exchange& x) { x.debt(101, QStringLiteral("ALL"), kApr1, 5.00); },
         QStringLiteral("Долг на прошедший месяц уже рассчитан")},
        {"a late call before the first row's reckoning",
         [](Exchange& x) {
             x.debt(101, QStringLiteral("ALL"), kMar1, 5.00);
             x.cityCall(101, QDate(2026, 2, 27), 1);
         },
         QStringLiteral("Долг на прошедший месяц уже рассчитан")},
        {"oldest call on the previous month's last day",
         [](Exchange& x) {
             x.sql("DELETE FROM DESTTAR");
             x.cityCall(101, QDate(2026, 3, 31), 1);
         },
         QStringLiteral("Долг на прошедший месяц уже рассчитан")},
        {"fee dated the 2nd, not the 1st",
         [](Exchange& x) {
             x.sql("DELETE FROM ABPLATA");
             x.fee(QDate(2026, 3, 2), 10.00);
         },
         QStringLiteral("Нет данных на 01.03.2026 в таблице AbPlata\nОткорректируйте данные и "
                        "повторите расчет")},
        {"a category naming no fee column, after accounts already reckoned",
         [](Exchange& x) { x.subscriber(102, QStringLiteral("GOLD")); },
         QStringLiteral("Поле GOLD не найдено")},
        {"a debt row that cannot be written names its account",
         [](Exchange& x) {
             x.subscriber(102, QStringLiteral("BUDG"));
             x.debt(102, QStringLiteral("BUDG"), kMar1, 5.00);
             x.temp().raw(QStringLiteral("DolgTb.db"),
                          QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON DolgTb WHEN "
                                         "new.AbNumber = 102 BEGIN SELECT RAISE(ABORT, "
                                         "'запись запрещена'); END"));
         },
         QStringLiteral("Долг абонента 102 (BUDG) не записан: Запись отклонена: запись "
                        "запрещена")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exchange x;
        x.subscriber(101);
        x.fee(kMar1, 10.00);
        x.mgCall(101, QDate(2026, 3, 20), 2);
        x.sql("INSERT INTO PrDlgCt VALUES (1, 'ALL', 1, 1, 1, '2026-03-01')");
        x.sql("INSERT INTO PrDlgMG VALUES (1, 'ALL', 1, 1, 1, '2026-03-01')");
        c.seed(x);
        const auto before = x.files(orv::test::runTables());
        const QString message = refusal(x, kToday);
        EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
        EXPECT_TRUE(x.files(orv::test::runTables()) == before);
        EXPECT_EQ(x.rows("PrDlgCt").size(), 1);
    }
}

TEST(DebtRun, EmptySubscribersOrMissingTablesChangeNothing) {
    {
        Exchange x;
        x.cityCall(101, QDate(2026, 3, 20), 2);
        const auto before = x.files(orv::test::runTables());
        EXPECT_EQ(refusal(x, kToday), QStringLiteral("Таблица AbTab с абонентскими данными пуста"));
        EXPECT_TRUE(x.files(orv::test::runTables()) == before);
    }
    {
        Exchange x;
        x.subscriber(101);
        x.db().dropTable(QStringLiteral("ABPLATA"));
        EXPECT_TRUE(refusal(x, kToday).contains(QStringLiteral("ABPLATA")));
        EXPECT_FALSE(x.db().tableExists(QStringLiteral("TabCTGr2")));  // stopped before pricing
    }
}

TEST(DebtRun, ProgressReportsEachPhaseWithItsShareAndEachAccount) {
    Exchange x;
    x.subscriber(101);
    x.subscriber(102);
    x.fee(kMar1, 1.00);
    QList<int> percents;
    QStringList phases;
    QStringList accounts;
    const QString accountPhase = QStringLiteral("Расчет долгов абонентов: ");
    billing::runDebtCalculation(x.db(), x.store(), x.vat, kToday, billing::standardPipelines(),
                                [&](int percent, const QString& doing) {
                                    percents.append(percent);
                                    if (doing.startsWith(accountPhase))
                                        accounts.append(doing.mid(accountPhase.size()));
                                    else
                                        phases.append(doing);
                                });
    EXPECT_EQ(percents.first(), 0);
    EXPECT_EQ(percents.last(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    // Pricing starts well before the bar's last third; no phase is left at 0 %.
    EXPECT_EQ(std::count(percents.begin(), percents.end(), 0), 1);
    EXPECT_EQ(
        phases,
        (QStringList{"Поиск нетарифицированных разговоров", "Тарификация городских разговоров",
                     "Тарификация междугородних разговоров", "Итоги по месяцам", "Запись долгов",
                     "Архив и удаление разговоров", "Перенос разговоров в архив", "Готово"}));
    EXPECT_EQ(accounts, (QStringList{"101", "102"}));
}
