// The two pricing pipelines on real table files: which calls are charged, which tariff row is in
// force, the result tables and their column types, the combined UNION, failures of a step, and
// the date steps checked against the statements as written on generated data.

#include "CallsTestData.h"
#include "calls/CallStatements.h"
#include "calls/Pricing.h"
#include "core/Error.h"
#include "db/BatchMove.h"

#include <QFile>

using namespace orv;
using namespace orv::test;
using calls::PricingStep;

namespace {

class PricingTest : public ::testing::Test {
  protected:
    void SetUp() override { createPermanentTables(t); }
    TempDatabase t;
};

QStringList numbersPriced(TempDatabase& t, const QString& table) {
    return sortedRows(t, QStringLiteral("SELECT AbNumber, Priznak FROM %1").arg(table));
}

}  // namespace

// Which calls each category pays for: the evening window 22:00:00-07:00:00 on a working day
// (Monday 06.03.2000) and on a holiday (08.03.2000), both pipelines, bounds included.
TEST_F(PricingTest, TheCategoryAndTheEveningWindowDecideWhichCallsAreCharged) {
    struct Case {
        const char* priznak;
        const char* exist;
        const char* date;
        const char* time;
        bool charged;
    } cases[] = {
        {"VECH", "YES", "2000-03-06", "23:30:00", true},
        {"VECH", "YES", "2000-03-06", "06:59:00", true},
        {"VECH", "YES", "2000-03-06", "12:00:00", false},
        {"VECH", "YES", "2000-03-06", "07:00:00", true},
        {"VECH", "YES", "2000-03-06", "22:00:00", true},
        {"VECH", "YES", "2000-03-06", "00:00:00", true},
        {"VECH", "YES", "2000-03-06", "07:00:01", false},
        {"DAY", "YES", "2000-03-06", "23:30:00", false},
        {"DAY", "YES", "2000-03-06", "06:59:00", false},
        {"DAY", "YES", "2000-03-06", "12:00:00", true},
        {"DAY", "YES", "2000-03-06", "07:00:00", true},
        {"DAY", "YES", "2000-03-06", "22:00:00", true},
        {"DAY", "YES", "2000-03-06", "22:00:01", false},
        {"VECH", "YES", "2000-03-08", "12:00:00", true},
        {"DAY", "YES", "2000-03-08", "12:00:00", false},
        {"ALL", "YES", "2000-03-08", "12:00:00", true},
        {"BUDG", "YES", "2000-03-06", "03:00:00", true},
        {"OTHER", "YES", "2000-03-06", "12:00:00", true},
        {"ALL", "NO", "2000-03-06", "12:00:00", false},
        {"VECH", "NO", "2000-03-06", "23:30:00", false},
    };
    addRows(t, QStringLiteral("VechTm"), {QStringLiteral("'22:00:00', '07:00:00'")});
    addRows(t, QStringLiteral("Prazdn"), {QStringLiteral("'2000-03-08'")});
    for (const char* priznak : {"ALL", "VECH", "DAY", "BUDG", "OTHER"})
        addRows(t, QStringLiteral("TarifCit"),
                {QStringLiteral("'2000-01-01', '%1', 1.0").arg(QLatin1String(priznak))});
    addRows(t, QStringLiteral("Tarif1"), {QStringLiteral("'2000-01-01', 1, 10.0")});
    QStringList expected;
    int number = 200;
    for (const Case& c : cases) {
        ++number;
        addRows(t, QStringLiteral("AbTab"),
                {QStringLiteral("%1, '%2', '%3', 'Ф', '1', '1', 'ул.'")
                     .arg(number)
                     .arg(QLatin1String(c.priznak), QLatin1String(c.exist))});
        addRows(t, QStringLiteral("DESTTAR"),
                {call(number, c.date, c.time, 2, 3),
                 call(number, c.date, c.time, 2, 9, QStringLiteral("1"))});
        if (c.charged)
            expected.append(QStringLiteral("%1|%2").arg(number).arg(QLatin1String(c.priznak)));
    }
    std::sort(expected.begin(), expected.end());
    calls::CityGroup(t.db());
    calls::MGGroup(t.db());
    EXPECT_EQ(numbersPriced(t, QStringLiteral("TabCTGr2")), expected);
    EXPECT_EQ(numbersPriced(t, QStringLiteral("TabMGgr2")), expected);
}

TEST_F(PricingTest, WithoutAnEveningWindowNoEveningOrDayCallIsCharged) {
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("1, 'VECH', 'YES', 'Ф', '1', '1', 'ул.'"),
             QStringLiteral("2, 'DAY', 'YES', 'Ф', '1', '1', 'ул.'"),
             QStringLiteral("3, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'")});
    addRows(t, QStringLiteral("Prazdn"), {QStringLiteral("'2000-03-08'")});
    addRows(t, QStringLiteral("TarifCit"),
            {QStringLiteral("'2000-01-01', 'ALL', 1"), QStringLiteral("'2000-01-01', 'VECH', 1"),
             QStringLiteral("'2000-01-01', 'DAY', 1")});
    for (int n : {1, 2, 3})
        addRows(t, QStringLiteral("DESTTAR"),
                {call(n, "2000-03-06", "23:30:00", 1, 1), call(n, "2000-03-08", "12:00:00", 1, 1),
                 call(n, "2000-03-06", "12:00:00", 1, 1)});
    calls::CityGroup(t.db());
    EXPECT_EQ(numbersPriced(t, QStringLiteral("TabCTGr2")),
              (QStringList{"3|ALL", "3|ALL", "3|ALL"}));
}

// The tariff row in force: the latest DATA not after the call's date, over every TARIFCIT row
// whatever its category, then the price of the call's own category on exactly that date.
TEST_F(PricingTest, TheTariffInForceIsTheLatestNotAfterTheCallsDate) {
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("101, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'"),
             QStringLiteral("102, 'VECH', 'YES', 'Ф', '1', '1', 'ул.'"),
             QStringLiteral("105, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'"),
             QStringLiteral("105, 'BUDG', 'YES', 'Ф', '1', '1', 'ул.'")});
    addRows(t, QStringLiteral("VechTm"), {QStringLiteral("'22:00:00', '07:00:00'")});
    addRows(t, QStringLiteral("TarifCit"),
            {QStringLiteral("'2000-01-01', 'ALL', 1.5"), QStringLiteral("'2000-01-01', 'BUDG', 2"),
             QStringLiteral("'2000-03-01', 'VECH', 0.5"), QStringLiteral("'2000-05-01', 'ALL', 2"),
             QStringLiteral("'2000-05-01', 'ALL', 3")});
    addRows(t, QStringLiteral("DESTTAR"),
            {
                call(101, "2000-02-15", "10:00:00", 4, 1),  // 01.01.2000 at 1.5
                call(101, "2000-03-15", "10:00:00", 4, 1),  // 01.03.2000 has no ALL row
                call(101, "1999-12-31", "10:00:00", 4, 1),  // older than every tariff
                call(101, "2000-05-10", "10:00:00", 1, 1),  // two ALL rows on 01.05.2000
                call(101, "2000-05-10", "10:00:00", 1, 1),  // the same call again
                call(102, "2000-03-01", "23:00:00", 2, 1),  // the tariff of the call's day
                call(102, "2000-02-29", "23:00:00", 2, 1),  // no VECH row on 01.01.2000
                call(105, "2000-02-15", "12:00:00", 3, 1),  // priced once per YES category
            });
    calls::CityGroup(t.db());
    EXPECT_EQ(sortedRows(t, QStringLiteral("TabCTGr2")),
              (QStringList{
                  "101|ALL|10.05.2000|10:00:00|1|01.05.2000|2|2",
                  "101|ALL|10.05.2000|10:00:00|1|01.05.2000|3|3",
                  "101|ALL|15.02.2000|10:00:00|4|01.01.2000|1.5|6",
                  "102|VECH|01.03.2000|23:00:00|2|01.03.2000|0.5|1",
                  "105|ALL|15.02.2000|12:00:00|3|01.01.2000|1.5|4.5",
                  "105|BUDG|15.02.2000|12:00:00|3|01.01.2000|2|6",
              }));
    db::Query totals(t.db(), calls::sql::QueryCityGroup3());
    totals.open();
    EXPECT_EQ(rowsOf(totals), (QStringList{"101|ALL|3|6|11", "102|VECH|1|2|1", "105|ALL|1|3|4.5",
                                           "105|BUDG|1|3|6"}));
}

TEST_F(PricingTest, LongDistanceCallsArePricedAtTheLatestRowOfTheirZone) {
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("101, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'")});
    addRows(t, QStringLiteral("Tarif1"),
            {QStringLiteral("'2000-01-01', 1, 10"), QStringLiteral("'2000-03-01', 2, 20"),
             QStringLiteral("'2000-01-01', 3, 5"), QStringLiteral("'2000-04-01', 3, 6")});
    addRows(t, QStringLiteral("DESTTAR"),
            {
                call(101, "2000-03-15", "10:00:00", 1, 8, QStringLiteral("1")),
                call(101, "2000-02-01", "10:00:00", 1, 9, QStringLiteral("2")),  // before zone 2
                call(101, "2000-03-31", "10:00:00", 2, 10, QStringLiteral("3")),
                call(101, "2000-04-01", "10:00:00", 2, 12, QStringLiteral("3")),
                call(101, "2000-04-02", "10:00:00", 2, 12, QStringLiteral("4")),  // no zone 4
                call(101, "2000-04-03", "10:00:00", 2, 7, QStringLiteral("1")),   // a city call
            });
    calls::MGGroup(t.db());
    EXPECT_EQ(sortedRows(t, QStringLiteral("TabMGgr2")),
              (QStringList{
                  "101|ALL|01.04.2000|10:00:00|3|2|01.04.2000|6|12",
                  "101|ALL|15.03.2000|10:00:00|1|1|01.01.2000|10|10",
                  "101|ALL|31.03.2000|10:00:00|3|2|01.01.2000|5|10",
              }));
}

// The result tables keep the columns and types they have when the written statements are
// copied; a second run leaves only its own rows.
TEST_F(PricingTest, ResultTablesHaveTheirColumnsAndHoldOnlyTheLastRun) {
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("101, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'")});
    addRows(t, QStringLiteral("TarifCit"), {QStringLiteral("'2000-01-01', 'ALL', 1")});
    addRows(t, QStringLiteral("Tarif1"), {QStringLiteral("'2000-01-01', 1, 10")});
    addRows(t, QStringLiteral("DESTTAR"),
            {call(101, "2000-02-01", "10:00:00", 1, 1),
             call(101, "2000-02-01", "10:00:00", 1, 9, QStringLiteral("1"))});
    calls::AllGroup(t.db());
    const QStringList call5 = {"AbNumber:INTEGER", "Priznak:VARCHAR(10)", "Date_of_call:DATE",
                               "Time_of_call:TIME", "Longivity:INTEGER"};
    EXPECT_EQ(columnsOf(t, QStringLiteral("TabCTPr")), call5);
    EXPECT_EQ(columnsOf(t, QStringLiteral("TabCTGr1.db")), QStringList{"DATA:DATE"} + call5);
    EXPECT_EQ(columnsOf(t, QStringLiteral("TabCTGr2.db")),
              (call5 + QStringList{"DATA:DATE", "COST:FLOAT", "ResCost:FLOAT"}));
    EXPECT_EQ(columnsOf(t, QStringLiteral("TabMGPr")), call5 + QStringList{"TRF:FLOAT"});
    EXPECT_EQ(columnsOf(t, QStringLiteral("TabMGgr1.db")),
              QStringList{"DATA:DATE"} + call5 + QStringList{"TRF:FLOAT"});
    EXPECT_EQ(columnsOf(t, QStringLiteral("TabMGgr2.db")),
              (QStringList{"AbNumber:INTEGER", "Priznak:VARCHAR(10)", "Date_of_call:DATE",
                           "Time_of_call:TIME", "TRF:FLOAT", "Longivity:INTEGER", "DATA:DATE",
                           "Cost_k:FLOAT", "ResCost:FLOAT"}));
    EXPECT_EQ(columnsOf(t, QStringLiteral("TabAllGr")), call5 + QStringList{"ResCost:FLOAT"});

    db::Query(t.db(), QStringLiteral("DELETE FROM DESTTAR")).execute();
    addRows(t, QStringLiteral("DESTTAR"), {call(101, "2000-02-02", "11:00:00", 2, 1)});
    calls::AllGroup(t.db());
    EXPECT_EQ(sortedRows(t, QStringLiteral("TabCTPr")),
              QStringList{"101|ALL|02.02.2000|11:00:00|2"});
    EXPECT_EQ(sortedRows(t, QStringLiteral("TabCTGr2")).size(), 1);
    EXPECT_TRUE(sortedRows(t, QStringLiteral("TabMGgr2")).isEmpty());
    EXPECT_EQ(sortedRows(t, QStringLiteral("TabAllGr")).size(), 1);
}

// A city and a long-distance call that agree in every column of the union are one row, and the
// combined view counts one call.
TEST_F(PricingTest, TheCombinedViewMergesEqualRowsOfBothPipelines) {
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("101, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'"),
             QStringLiteral("102, 'ALL', 'NO', 'Ф', '1', '1', 'ул.'")});
    addRows(t, QStringLiteral("TarifCit"), {QStringLiteral("'2000-01-01', 'ALL', 2")});
    addRows(t, QStringLiteral("Tarif1"), {QStringLiteral("'2000-01-01', 1, 2")});
    for (int n : {101, 102})
        addRows(t, QStringLiteral("DESTTAR"),
                {call(n, "2000-02-01", "10:00:00", 3, 1),
                 call(n, "2000-02-01", "10:00:00", 3, 9, QStringLiteral("1")),
                 call(n, "2000-02-01", "10:05:00", 3, 9, QStringLiteral("1"))});
    calls::AllGroup(t.db());
    db::Query all(t.db(), calls::sql::QueryAllGroup2());
    all.open();
    EXPECT_EQ(rowsOf(all), QStringList{"101|ALL|2|6|12"});
}

// A missing table ends the run at its step with the engine's message naming it; the tables of
// the earlier steps keep what this run wrote, the later ones what the last run wrote.
TEST_F(PricingTest, AMissingTableStopsTheRunAtItsStep) {
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("101, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'")});
    addRows(t, QStringLiteral("TarifCit"), {QStringLiteral("'2000-01-01', 'ALL', 1")});
    addRows(t, QStringLiteral("Tarif1"), {QStringLiteral("'2000-01-01', 1, 10")});
    addRows(t, QStringLiteral("DESTTAR"),
            {call(101, "2000-02-01", "10:00:00", 1, 1),
             call(101, "2000-02-01", "10:00:00", 1, 9, QStringLiteral("1"))});
    calls::CityGroup(t.db());
    calls::MGGroup(t.db());
    addRows(t, QStringLiteral("DESTTAR"),
            {call(101, "2000-02-03", "10:00:00", 1, 1),
             call(101, "2000-02-03", "10:00:00", 1, 9, QStringLiteral("1"))});

    struct Case {
        const char* drop;
        void (*run)(db::Database&);
        const char* named;
        int selected;  // rows of the select step's table after the failed run
        const char* select;
        const char* kept;  // a later table, still holding the first run's one row
    } cases[] = {
        {"VechTm", calls::CityGroup, "VechTm", 1, "TabCTPr", "TabCTGr1"},
        {"TARIFCIT", calls::CityGroup, "TarifCit", 2, "TabCTPr", "TabCTGr1"},
        {"Tarif1", calls::MGGroup, "TARIF1", 2, "TabMGPr", "TabMGgr1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drop);
        TempDatabase copy;
        for (const QString& file : t.db().tableFileNames())
            ASSERT_TRUE(QFile::copy(t.file(file), copy.file(file)));
        copy.db().dropTable(QLatin1String(c.drop));
        try {
            c.run(copy.db());
            ADD_FAILURE() << "the run went through";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Engine);
            EXPECT_TRUE(e.message().contains(QLatin1String(c.named), Qt::CaseInsensitive))
                << e.message().toStdString();
        }
        EXPECT_EQ(sortedRows(copy, QLatin1String(c.select)).size(), c.selected);
        EXPECT_EQ(sortedRows(copy, QLatin1String(c.kept)).size(), 1);
    }
}

namespace {

// A small exchange with every case the date steps meet: tariffs dated on a call's day, calls
// before every tariff, zones with several dates and zones without any, a category priced on a
// date of another category only, calls equal in all columns or in all but the dialled number,
// numbers with several YES rows, holidays, two evening windows and the window bounds.
void fillGenerated(TempDatabase& t) {
    quint64 state = 20240601;
    auto next = [&state](int n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state >> 33) % static_cast<quint64>(n));
    };
    const char* categories[] = {"ALL", "VECH", "DAY", "BUDG", "OTHER"};
    QStringList subscribers;
    for (int n = 1; n <= 40; ++n) {
        const char* priznak = categories[next(5)];
        const char* exist = next(8) == 0 ? "NO" : "YES";
        subscribers.append(QStringLiteral("%1, '%2', '%3', 'Ф', '1', '1', 'ул.'")
                               .arg(n)
                               .arg(QLatin1String(priznak), QLatin1String(exist)));
        if (n % 7 == 0)
            subscribers.append(QStringLiteral("%1, '%2', 'YES', 'Ф', '1', '1', 'ул.'")
                                   .arg(n)
                                   .arg(QLatin1String(categories[(n / 7) % 5])));
        if (n % 11 == 0) subscribers.append(subscribers.last());
    }
    addRows(t, QStringLiteral("AbTab"), subscribers);
    addRows(t, QStringLiteral("VechTm"),
            {QStringLiteral("'22:00:00', '07:00:00'"), QStringLiteral("'20:00:00', '08:00:00'")});
    addRows(t, QStringLiteral("Prazdn"),
            {QStringLiteral("'2000-01-07'"), QStringLiteral("'2000-03-08'"),
             QStringLiteral("'2000-05-01'")});
    addRows(
        t, QStringLiteral("TarifCit"),
        {QStringLiteral("'2000-01-01', 'ALL', 1.5"), QStringLiteral("'2000-01-01', 'VECH', 0.5"),
         QStringLiteral("'2000-01-01', 'DAY', 1"), QStringLiteral("'2000-01-01', 'BUDG', 0.75"),
         QStringLiteral("'2000-03-01', 'VECH', 0.6"), QStringLiteral("'2000-04-10', 'ALL', 1.7"),
         QStringLiteral("'2000-04-10', 'ALL', 1.8"), QStringLiteral("'2000-04-10', 'DAY', 1.1"),
         QStringLiteral("'2000-04-10', 'OTHER', 2"), QStringLiteral("'2000-06-01', 'VECH', 0.7"),
         QStringLiteral("'2000-06-01', 'BUDG', 0.8")});
    addRows(t, QStringLiteral("Tarif1"),
            {QStringLiteral("'2000-01-01', 1, 10"), QStringLiteral("'2000-03-01', 2, 20"),
             QStringLiteral("'2000-01-01', 3, 5"), QStringLiteral("'2000-04-01', 3, 6"),
             QStringLiteral("'2000-05-15', 3, 7"), QStringLiteral("'2000-02-01', 4, 30"),
             QStringLiteral("'2000-02-01', 4, 31"), QStringLiteral("'2000-04-10', 1, 11")});
    const char* days[] = {"1999-12-31", "2000-01-01", "2000-01-07", "2000-02-01", "2000-02-29",
                          "2000-03-01", "2000-03-08", "2000-03-31", "2000-04-01", "2000-04-10",
                          "2000-05-01", "2000-05-15", "2000-05-16", "2000-06-01", "2000-06-30"};
    const char* times[] = {"00:00:00", "06:59:59", "07:00:00", "07:00:01", "08:00:00", "12:00:00",
                           "19:59:59", "20:00:00", "21:59:59", "22:00:00", "23:30:00", "23:59:59"};
    QStringList rows;
    for (int i = 0; i < 700; ++i) {
        if (i > 0 && next(10) == 0) {
            rows.append(rows.last());
            continue;
        }
        const int number = 1 + next(42);  // 41 and 42 have no subscriber row
        const int cat = 1 + next(12);
        const QString trf = next(15) == 0 ? QStringLiteral("NULL") : QString::number(1 + next(5));
        rows.append(call(number, days[next(15)], times[next(12)], 1 + next(5), cat, trf,
                         QStringLiteral("NULL"), QStringLiteral("NULL"), 5550000 + next(3)));
    }
    addRows(t, QStringLiteral("DESTTAR"), rows);
}

struct Snapshot {
    QStringList columns;
    QStringList rows;
};

Snapshot snapshot(TempDatabase& t, const QString& table) {
    return {columnsOf(t, table), sortedRows(t, table)};
}

}  // namespace

// The pipelines' date steps against the statements as written: the same columns and the same
// multiset of rows, in the date table and in the priced table that follows it.
TEST_F(PricingTest, DateStepsGiveTheRowsOfTheWrittenStatements) {
    fillGenerated(t);
    struct Case {
        const QString& select;
        const QString& dateWritten;
        const QString& price;
        const char* selected;
        const char* dated;
        const char* priced;
        void (*pipeline)(db::Database&);
    } cases[] = {
        {calls::sql::QueryCityGroup1(), calls::sql::QueryCityGroupMax(),
         calls::sql::QueryCityGroup2(), "TabCTPr", "TabCTGr1.db", "TabCTGr2.db", calls::CityGroup},
        {calls::sql::QueryMGGroup1(), calls::sql::QueryMGGroupMax(), calls::sql::QueryMGGroup2(),
         "TabMGPr", "TabMGgr1.db", "TabMGgr2.db", calls::MGGroup},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dated);
        db::Query select(t.db(), c.select);
        db::batchMove(select, QLatin1String(c.selected));
        db::Query dateWritten(t.db(), c.dateWritten);
        db::batchMove(dateWritten, QLatin1String(c.dated));
        const Snapshot writtenDated = snapshot(t, QLatin1String(c.dated));
        db::Query price(t.db(), c.price);
        db::batchMove(price, QLatin1String(c.priced));
        const Snapshot writtenPriced = snapshot(t, QLatin1String(c.priced));

        c.pipeline(t.db());
        const Snapshot dated = snapshot(t, QLatin1String(c.dated));
        const Snapshot priced = snapshot(t, QLatin1String(c.priced));
        EXPECT_EQ(dated.columns, writtenDated.columns);
        EXPECT_EQ(dated.rows, writtenDated.rows);
        EXPECT_EQ(priced.columns, writtenPriced.columns);
        EXPECT_EQ(priced.rows, writtenPriced.rows);
        // The data reach every branch: calls dropped for want of a tariff, and calls priced.
        EXPECT_GT(dated.rows.size(), 100);
        EXPECT_LT(dated.rows.size(), sortedRows(t, QLatin1String(c.selected)).size());
    }
}
