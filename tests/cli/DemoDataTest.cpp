// The demo exchange as the pricing pipelines and the debt run will read it: every call can be
// priced, every reckoned month has its fee, and the cases worth trying are present.

#include "TestSupport.h"
#include "core/Error.h"
#include "db/Sqlite.h"
#include "utils/DemoData.h"

#include <QFile>

using namespace orv;
using orv::test::TempDatabase;

namespace {

// Runs SQL in which {T} stands for table T of the database and returns the first column of
// every row as text.
QStringList column(db::Database& database, QString sql) {
    for (const db::TableDef& def : db::schema::permanentTables()) {
        const QString placeholder = QLatin1Char('{') + def.name + QLatin1Char('}');
        if (sql.contains(placeholder)) sql.replace(placeholder, database.qualified(def.name));
    }
    db::Statement statement(database.connection(), sql);
    QStringList values;
    while (statement.step()) values.append(statement.column(0).toString());
    return values;
}

qint64 scalar(db::Database& database, const QString& sql) {
    return column(database, sql).value(0).toLongLong();
}

TEST(DemoData, EveryCallCanBePricedAndEveryMonthHasItsFee) {
    TempDatabase t;
    utils::DemoOptions options;
    options.subscribers = 300;
    options.calls = 20000;
    options.months = 2;
    options.seed = 3;
    const QDate today(2024, 2, 29);
    const utils::DemoSummary summary = utils::fillDemoData(t.db(), options, today);
    db::Database& d = t.db();

    // Subscribers: every category, some not billed, some numbers under two categories.
    EXPECT_EQ(column(d, "SELECT DISTINCT Priznak FROM {AbTab} ORDER BY 1"),
              (QStringList{"ALL", "BLOCK", "BUDG", "DAY", "OTHER", "VECH"}));
    EXPECT_EQ(scalar(d, "SELECT count(DISTINCT AbNumber) FROM {AbTab}"), 300);
    EXPECT_EQ(
        scalar(d, "SELECT count(*) FROM {AbTab} WHERE AbNumber NOT BETWEEN 1000000 AND 9999999"),
        0);
    EXPECT_GT(scalar(d, "SELECT count(*) FROM {AbTab} WHERE Exist = 'NO'"), 0);
    EXPECT_GT(scalar(d,
                     "SELECT count(*) FROM (SELECT AbNumber FROM {AbTab} GROUP BY AbNumber "
                     "HAVING count(*) > 1)"),
              0);
    EXPECT_EQ(scalar(d, "SELECT count(*) FROM {AbTab}"), summary.subscriberRows);

    // A fee row for every month start of the span, up to the current month.
    EXPECT_EQ(column(d, "SELECT DATA FROM {ABPLATA} ORDER BY DATA"),
              (QStringList{"2023-12-01", "2024-01-01", "2024-02-01"}));

    // The city date step takes the latest date of any category: each date has all six, once.
    EXPECT_EQ(scalar(d,
                     "SELECT count(*) FROM (SELECT DATA FROM {TARIFCIT} GROUP BY DATA HAVING "
                     "count(DISTINCT PRIZNAK) <> 6 OR count(*) <> 6)"),
              0);
    const QStringList cityDates = column(d, "SELECT DISTINCT DATA FROM {TARIFCIT} ORDER BY 1");
    ASSERT_EQ(cityDates.size(), 2);
    EXPECT_EQ(cityDates[0], QStringLiteral("2023-12-01"));
    EXPECT_GT(cityDates[1], QStringLiteral("2023-12-01"));
    EXPECT_LE(cityDates[1], QStringLiteral("2024-02-29"));
    EXPECT_GT(scalar(d,
                     "SELECT count(*) FROM (SELECT TRF FROM {Tarif1} GROUP BY TRF HAVING "
                     "count(*) > 1)"),
              0);

    // Calls: all of them, inside the span, city ones without a zone, long-distance ones with a
    // known code and a zone priced from the first day.
    EXPECT_EQ(scalar(d, "SELECT count(*) FROM {DESTTAR}"), 20000);
    EXPECT_EQ(column(d, "SELECT min(Date_of_call) FROM {DESTTAR}"), QStringList{"2023-12-01"});
    EXPECT_EQ(column(d, "SELECT max(Date_of_call) FROM {DESTTAR}"), QStringList{"2024-02-29"});
    EXPECT_EQ(scalar(d,
                     "SELECT count(*) FROM {DESTTAR} WHERE Cat < 8 AND (Code IS NOT NULL OR "
                     "CodeForeign IS NOT NULL OR TRF IS NOT NULL)"),
              0);
    EXPECT_EQ(scalar(d,
                     "SELECT count(*) FROM {DESTTAR} WHERE Cat > 7 AND ((Code IS NULL) = "
                     "(CodeForeign IS NULL) OR TRF IS NULL)"),
              0);
    EXPECT_EQ(scalar(d, "SELECT count(*) FROM {DESTTAR} WHERE Code NOT IN (SELECT KOD FROM {Sng})"),
              0);
    EXPECT_EQ(scalar(d,
                     "SELECT count(*) FROM {DESTTAR} WHERE CodeForeign NOT IN (SELECT KOD FROM "
                     "{Foren})"),
              0);
    EXPECT_EQ(scalar(d,
                     "SELECT count(*) FROM {DESTTAR} c WHERE Cat > 7 AND NOT EXISTS (SELECT 1 "
                     "FROM {Tarif1} t WHERE t.TRF = c.TRF AND t.DATA <= '2023-12-01')"),
              0);
    EXPECT_GT(scalar(d, "SELECT count(*) FROM {DESTTAR} WHERE Cat = 8"), 0);
    EXPECT_GT(scalar(d, "SELECT count(*) FROM {DESTTAR} WHERE Cat = 9"), 0);
    EXPECT_EQ(scalar(d, "SELECT count(*) FROM {DESTTAR} WHERE Longivity < 1"), 0);

    // The cases the pricing rules turn on: the evening window, holidays in the span, exact
    // repeats, calls of numbers that are no subscriber.
    EXPECT_EQ(column(d, "SELECT Time_from || '-' || Time_to FROM {VechTm}"),
              QStringList{"22:00:00-07:00:00"});
    EXPECT_GT(scalar(d,
                     "SELECT count(*) FROM {DESTTAR} WHERE Time_of_call >= '22:00:00' OR "
                     "Time_of_call <= '07:00:00'"),
              0);
    EXPECT_GT(scalar(d,
                     "SELECT count(*) FROM {Prazdn} WHERE PRAZDN_DAY BETWEEN '2023-12-01' AND "
                     "'2024-02-29'"),
              0);
    EXPECT_GT(scalar(d,
                     "SELECT count(*) FROM {DESTTAR} WHERE Date_of_call IN (SELECT PRAZDN_DAY "
                     "FROM {Prazdn})"),
              0);
    EXPECT_EQ(scalar(d,
                     "SELECT count(*) - (SELECT count(*) FROM (SELECT DISTINCT * FROM "
                     "{DESTTAR})) FROM {DESTTAR}"),
              summary.duplicateCalls);
    EXPECT_GT(summary.duplicateCalls, 0);
    EXPECT_GT(scalar(d,
                     "SELECT count(*) FROM {DESTTAR} WHERE AbNumber NOT IN (SELECT AbNumber "
                     "FROM {AbTab})"),
              0);
}

TEST(DemoData, ASpanOfOneDayHasOneTariffOfEachKind) {
    TempDatabase t;
    utils::DemoOptions options;
    options.months = 0;
    options.calls = 500;
    utils::fillDemoData(t.db(), options, QDate(2024, 3, 1));
    // Two tariff rows of one date would price a call twice.
    EXPECT_EQ(scalar(t.db(), "SELECT count(*) FROM {TARIFCIT}"), 6);
    EXPECT_EQ(scalar(t.db(), "SELECT count(*) FROM {Tarif1}"), 8);
    EXPECT_EQ(column(t.db(), "SELECT DISTINCT Date_of_call FROM {DESTTAR}"),
              QStringList{"2024-03-01"});
    EXPECT_EQ(column(t.db(), "SELECT DATA FROM {ABPLATA}"), QStringList{"2024-03-01"});
}

TEST(DemoData, RefusesBeforeChangingAnything) {
    struct Case {
        utils::DemoOptions options;
        Error::Kind kind;
        const char* message;
    };
    const Case cases[] = {
        {{0, 10, 1, 1}, Error::Kind::Usage, "Число абонентов должно быть от 1 до 100000"},
        {{10, -1, 1, 1}, Error::Kind::Usage, "Число разговоров должно быть от 0 до 10000000"},
        {{10, 10, 61, 1}, Error::Kind::Usage, "Число месяцев должно быть от 0 до 60"},
        {{10, 10, 1, 1}, Error::Kind::Refused, "Таблица ABPLATA уже содержит записи"},
    };
    for (const Case& c : cases) {
        TempDatabase t;
        t.create(db::schema::abPlata());
        if (c.kind == Error::Kind::Refused)
            t.raw(QStringLiteral("ABPLATA.db"),
                  QStringLiteral("INSERT INTO ABPLATA (DATA, \"ALL\") VALUES ('2024-01-01', 100)"));
        try {
            utils::fillDemoData(t.db(), c.options, QDate(2024, 3, 15));
            ADD_FAILURE() << c.message;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), c.kind);
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message)))
                << e.message().toStdString();
        }
        EXPECT_EQ(t.db().tableNames(), QStringList{"ABPLATA"});
    }
}

}  // namespace
