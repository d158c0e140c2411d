// Every statement the program runs, as stored, runs through the table store on real table files,
// and the result tables of the pipelines come out with the columns and types they should have.

#include "TestSupport.h"
#include "billing/DebtStatements.h"
#include "calls/CallStatements.h"
#include "db/BatchMove.h"

using namespace orv;
using namespace orv::db;
using orv::test::rowsOf;
using orv::test::TempDatabase;

namespace {

void fill(TempDatabase& t) {
    for (const TableDef& def : schema::permanentTables()) t.create(def);
    const char* rows[] = {
        "INSERT INTO AbTab VALUES (101, 'ALL', 'YES', 'Иванов', '1', '2', 'Ленина')",
        "INSERT INTO AbTab VALUES (102, 'VECH', 'YES', 'Петров', '3', '4', 'Мира')",
        "INSERT INTO AbTab VALUES (103, 'DAY', 'YES', 'Сидоров', '5', '6', 'Садовая')",
        "INSERT INTO TarifCit VALUES ('2001-01-01', 'ALL', 1.5), ('2001-01-01', 'VECH', 0.5), "
        "('2001-01-01', 'DAY', 1.0)",
        "INSERT INTO Tarif1 VALUES ('2001-01-01', 1, 10.0)",
        "INSERT INTO VechTm VALUES ('22:00:00', '07:00:00')",
        "INSERT INTO Prazdn VALUES ('2001-03-08')",
        "INSERT INTO DESTTAR VALUES (101, '2001-03-05', '12:00:00', 4, 2, 5551234, NULL, NULL, "
        "NULL)",
        "INSERT INTO DESTTAR VALUES (102, '2001-03-05', '23:30:00', 2, 3, 5551234, NULL, NULL, "
        "NULL)",
        "INSERT INTO DESTTAR VALUES (103, '2001-03-05', '12:00:00', 3, 1, 5551234, NULL, NULL, "
        "NULL)",
        "INSERT INTO DESTTAR VALUES (101, '2001-03-06', '10:00:00', 5, 9, 4951234, '495', NULL, 1)",
    };
    for (const char* sql : rows) Query(t.db(), QString::fromUtf8(sql)).execute();
}

void setViewParameters(Query& q) {
    q.setInteger(QStringLiteral("NumberFrom"), 0);
    q.setInteger(QStringLiteral("NumberTo"), 9999999);
    q.setDate(QStringLiteral("DateFrom"), QDate(1990, 1, 1));
    q.setDate(QStringLiteral("DateTo"), QDate(2100, 1, 1));
    q.setTime(QStringLiteral("TimeFrom"), QTime(0, 0));
    q.setTime(QStringLiteral("TimeTo"), QTime(23, 59, 59));
    q.setTime(QStringLiteral("TimeFrom1"), QTime(0, 0));
    q.setTime(QStringLiteral("TimeTo1"), QTime(23, 59, 59));
}

QStringList copy(TempDatabase& t, const QString& sql, const QString& target) {
    Query q(t.db(), sql);
    batchMove(q, target);
    QStringList columns;
    for (const FieldDef& f : t.db().fields(target))
        columns.append(f.name + QLatin1Char(':') + sqlTypeName(f));
    return columns;
}

}  // namespace

TEST(ProgramStatements, ListingViewsRunWithTheirParameters) {
    TempDatabase t;
    fill(t);
    struct Case {
        const QString& sql;
        int rows;
    } cases[] = {{calls::sql::QueryAll(), 4},
                 {calls::sql::QueryCity(), 3},
                 {calls::sql::QueryMG(), 1},
                 {calls::sql::QueryOldMG(), 0}};
    for (const Case& c : cases) {
        Query q(t.db(), c.sql);
        setViewParameters(q);
        q.open();
        EXPECT_EQ(q.recordCount(), c.rows) << c.sql.toStdString();
    }
}

TEST(ProgramStatements, PipelinesRunStepByStepIntoTypedResultTables) {
    TempDatabase t;
    fill(t);
    EXPECT_EQ(copy(t, calls::sql::QueryCityGroup1(), QStringLiteral("TabCTPr")),
              (QStringList{"AbNumber:INTEGER", "Priznak:VARCHAR(10)", "Date_of_call:DATE",
                           "Time_of_call:TIME", "Longivity:INTEGER"}));
    EXPECT_EQ(copy(t, calls::sql::QueryCityGroupMax(), QStringLiteral("TabCTGr1.db")).first(),
              QStringLiteral("DATA:DATE"));
    EXPECT_EQ(copy(t, calls::sql::QueryCityGroup2(), QStringLiteral("TabCTGr2.db")),
              (QStringList{"AbNumber:INTEGER", "Priznak:VARCHAR(10)", "Date_of_call:DATE",
                           "Time_of_call:TIME", "Longivity:INTEGER", "DATA:DATE", "COST:FLOAT",
                           "ResCost:FLOAT"}));
    Query city(t.db(), calls::sql::QueryCityGroup3());
    city.open();
    // ALL at 1.50 x 4 minutes, VECH at 0.50 x 2 in the evening, DAY at 1.00 x 3 by day.
    EXPECT_EQ(rowsOf(city), (QStringList{"101|ALL|1|4|6", "102|VECH|1|2|1", "103|DAY|1|3|3"}));
    EXPECT_EQ(city.fields()[4].name, QStringLiteral("ОбщСтГор"));

    copy(t, calls::sql::QueryMGGroup1(), QStringLiteral("TabMGPr"));
    copy(t, calls::sql::QueryMGGroupMax(), QStringLiteral("TabMGgr1.db"));
    EXPECT_EQ(copy(t, calls::sql::QueryMGGroup2(), QStringLiteral("TabMGgr2.db")).last(),
              QStringLiteral("ResCost:FLOAT"));
    Query mg(t.db(), calls::sql::QueryMGGroup3());
    mg.open();
    EXPECT_EQ(rowsOf(mg), QStringList{"101|ALL|1|5|50"});

    copy(t, calls::sql::QueryAllGroup1(), QStringLiteral("TabAllGr"));
    Query all(t.db(), calls::sql::QueryAllGroup2());
    all.open();
    EXPECT_EQ(rowsOf(all), (QStringList{"101|ALL|2|9|56", "102|VECH|1|2|1", "103|DAY|1|3|3"}));
}

TEST(ProgramStatements, DebtRunAndDebtViewStatementsRun) {
    TempDatabase t;
    fill(t);
    copy(t, calls::sql::QueryCityGroup1(), QStringLiteral("TabCTPr"));
    copy(t, calls::sql::QueryCityGroupMax(), QStringLiteral("TabCTGr1"));
    copy(t, calls::sql::QueryCityGroup2(), QStringLiteral("TabCTGr2"));
    copy(t, calls::sql::QueryMGGroup1(), QStringLiteral("TabMGPr"));
    copy(t, calls::sql::QueryMGGroupMax(), QStringLiteral("TabMGgr1"));
    copy(t, calls::sql::QueryMGGroup2(), QStringLiteral("TabMGgr2"));

    Query minDate(t.db(), billing::sql::QueryAbsMinDate());
    minDate.open();
    EXPECT_EQ(minDate.asDate(QStringLiteral("MinDate")), QDate(2001, 3, 5));
    for (const QString* sql : {&billing::sql::QueryDolgCT(), &billing::sql::QueryDolgMG()}) {
        Query q(t.db(), *sql);
        q.setDate(QStringLiteral("DateFrom"), QDate(2001, 3, 1));
        q.setDate(QStringLiteral("DateTo"), QDate(2001, 3, 31));
        q.open();
        EXPECT_GE(q.recordCount(), 1) << sql->toStdString();
    }
    Query(t.db(), QStringLiteral("INSERT INTO PrDlgCt VALUES (101, 'ALL', 1, 4, 6, '2001-04-01')"))
        .execute();
    Query(t.db(), QStringLiteral("INSERT INTO PrDlgMG VALUES (101, 'ALL', 1, 5, 50, '2001-04-01')"))
        .execute();
    copy(t, billing::sql::QueryDolgRes(), QStringLiteral("DolgRes"));
    EXPECT_EQ(copy(t, billing::sql::QueryDolgDistRes(), QStringLiteral("DolgDR")).last(),
              QStringLiteral("Date_of_raschet:DATE"));
    Query dr(t.db(), QStringLiteral("SELECT * FROM DolgDR"));
    dr.open();
    EXPECT_EQ(rowsOf(dr), QStringList{"101|ALL|2|9|56|01.04.2001"});

    Query old(t.db(), calls::sql::QuerySelectOldMG());
    old.setInteger(QStringLiteral("CurrNumber"), 101);
    old.setDate(QStringLiteral("DateOfRas"), QDate(2001, 4, 1));
    old.open();
    EXPECT_EQ(old.recordCount(), 1);
    Query deleteNumber(t.db(), billing::sql::QueryDeleteNumberFromDT());
    deleteNumber.setInteger(QStringLiteral("CurrNumber"), 101);
    deleteNumber.setDate(QStringLiteral("DateOfRas"), QDate(2001, 4, 1));
    EXPECT_EQ(deleteNumber.execute(), 2);
    Query deleteAll(t.db(), billing::sql::QueryDolgDelete());
    deleteAll.setDateTime(QStringLiteral("DateOfRas"), QDateTime(QDate(2001, 3, 5), QTime(0, 0)));
    EXPECT_EQ(deleteAll.execute(), 0);  // calls of the cut-off day stay
    EXPECT_EQ(Query(t.db(), billing::sql::QueryEmptyPrDlgCT()).execute(), 1);
    EXPECT_EQ(Query(t.db(), billing::sql::QueryEmptyPrDlgMG()).execute(), 1);

    Query(
        t.db(),
        QStringLiteral(
            "INSERT INTO DolgTb VALUES (101, 'ALL', '2001-04-01', '2001-03-01', 1, 2, 3, 4, 5, 6)"))
        .execute();
    Query(t.db(), QStringLiteral("INSERT INTO DolgTb VALUES (101, 'VECH', '2001-04-01', "
                                 "'2001-03-01', 1, 2, 3, 4, 5, 6)"))
        .execute();
    Query dolg(t.db(), billing::sql::QueryDolg());
    dolg.open();
    EXPECT_EQ(rowsOf(dolg), QStringList{"101|ALL|YES|01.04.2001|01.03.2001|1|2|3|4|5|6"});
    Query pane(t.db(), billing::sql::QueryShowPane());
    pane.open();
    EXPECT_EQ(pane.fields().size(), 5);
}
