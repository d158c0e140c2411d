// Queries of the local dialect on table files: parameters, counts, the record filter,
// calculated and lookup fields, and the result-set copy with its column types.

#include "TestSupport.h"
#include "core/Error.h"
#include "db/BatchMove.h"
#include "db/Table.h"

using namespace orv;
using namespace orv::db;
using orv::test::rowsOf;
using orv::test::TempDatabase;

namespace {

void addCalls(TempDatabase& t, const QStringList& values) {
    for (const QString& v : values)
        Query(t.db(), QStringLiteral("INSERT INTO DESTTAR VALUES (%1)").arg(v)).execute();
}

class QueryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        t.create(schema::desttar());
        addCalls(t, {
                        // AbNumber, Date_of_call, Time_of_call, Longivity, Cat, Number_of_call,
                        // Code, CodeForeign, TRF
                        "101, '2001-03-01', '10:00:00', 3, 2, 111, NULL, NULL, NULL",
                        "101, '2001-03-01', '10:00:00', 3, 2, 111, NULL, NULL, NULL",  // duplicate
                        "102, '2001-03-02', '23:30:00', 5, 9, 222, '495', NULL, 1",
                        "103, '2001-02-28', '06:59:00', 1, 7, 333, NULL, NULL, NULL",
                        "104, '2001-03-31', '00:00:00', 2, 8, 444, NULL, '44', 2",
                    });
    }
    TempDatabase t;
};

}  // namespace

TEST_F(QueryTest, DateParametersAtMidnightCompareAsDatesAndBetweenIsInclusive) {
    Query q(t.db(),
            QStringLiteral(
                "SELECT AbNumber FROM DESTTAR\nWHERE Date_of_call < :Cut\nORDER BY AbNumber;"));
    q.setDateTime(QStringLiteral("Cut"), QDateTime(QDate(2001, 3, 1), QTime(0, 0)));
    q.open();
    EXPECT_EQ(rowsOf(q), QStringList{"103"});  // the call of the cut-off day is not before it

    Query between(
        t.db(),
        QStringLiteral("SELECT DISTINCT AbNumber FROM Desttar dt WHERE dt.Date_of_call "
                       "between :DateFrom and :DateTo and dt.Time_of_call between :T1 and :T2"));
    between.setDate(QStringLiteral("DateFrom"), QDate(2001, 3, 1));
    between.setDate(QStringLiteral("DateTo"), QDate(2001, 3, 31));
    between.setTime(QStringLiteral("T1"), QTime(0, 0));
    between.setTime(QStringLiteral("T2"), QTime(10, 0));
    between.open();
    EXPECT_EQ(rowsOf(between), (QStringList{"101", "104"}));
}

TEST_F(QueryTest, DialectFeaturesGiveTheRowsTheyShould) {
    t.create(schema::prazdn());
    Query(t.db(), QStringLiteral("INSERT INTO Prazdn.db VALUES (\"01.03.2001\")")).execute();
    struct Case {
        const char* sql;
        QStringList rows;
    } cases[] = {
        {"SELECT DISTINCT AbNumber FROM DestTar WHERE Date_of_call <>ALL (SELECT Prazdn_day FROM "
         "Prazdn) ORDER BY AbNumber",
         {"102", "103", "104"}},
        {"SELECT DISTINCT AbNumber FROM DESTTAR.db WHERE Date_of_call =ANY(SELECT PRAZDN_DAY FROM "
         "prazdn.DB)",
         {"101"}},
        {"SELECT Count(*) Всего FROM Desttar WHERE Time_of_call BETWEEN \"00:00\" and \"06:59:00\"",
         {"2"}},
        {"SELECT AbNumber Номер FROM Desttar d, Prazdn p WHERE d.Date_of_call = p.PRAZDN_DAY AND "
         "d.Cat<8",
         {"101", "101"}},
        {"SELECT AbNumber FROM Desttar WHERE Date_of_call = \"28.02.2001\"", {"103"}},
        {"SELECT DISTINCT AbNumber FROM Desttar WHERE Cat>7 UNION SELECT AbNumber FROM DESTTAR "
         "WHERE Cat<8 AND Cat>6",
         {"102", "103", "104"}},
    };
    for (const Case& c : cases) {
        Query q(t.db(), QString::fromUtf8(c.sql));
        q.open();
        QStringList rows = rowsOf(q);
        if (!QString::fromUtf8(c.sql).contains(QLatin1String("ORDER"))) rows.sort();
        EXPECT_EQ(rows, c.rows) << c.sql;
    }
    Query aliased(t.db(), QStringLiteral("SELECT AbNumber Номер FROM Desttar"));
    aliased.open();
    EXPECT_EQ(aliased.fields()[0].name, QStringLiteral("Номер"));
}

TEST_F(QueryTest, RecordFilterNarrowsTheOpenResultAndCountsOnlyKeptRows) {
    Query q(t.db(), QStringLiteral(
                        "SELECT DISTINCT AbNumber, Date_of_call FROM Desttar ORDER BY AbNumber"));
    q.open();
    EXPECT_EQ(q.recordCount(), 4);
    q.setFilter(QStringLiteral("AbNumber=101 or AbNumber=104"));
    EXPECT_EQ(q.recordCount(), 4);  // the text alone does not switch it on
    q.setFiltered(true);
    EXPECT_EQ(rowsOf(q), (QStringList{"101|01.03.2001", "104|31.03.2001"}));
    q.open();  // reopening keeps the filter
    EXPECT_EQ(q.recordCount(), 2);
    q.setFiltered(false);
    EXPECT_EQ(q.recordCount(), 4);

    for (const char* bad : {"AbNumber>100", "AbNumber=101; DROP TABLE DESTTAR", "Priznak=ALL",
                            "AbNumber=101 and AbNumber=102"}) {
        EXPECT_THROW(q.setFilter(QString::fromLatin1(bad)), Error) << bad;
    }
    EXPECT_EQ(q.filter().text(), QStringLiteral("AbNumber=101 or AbNumber=104"));
    EXPECT_TRUE(RecordFilter::parse(QStringLiteral("abnumber = 7  OR AbNumber=8")).accepts(8));
}

TEST_F(QueryTest, CalculatedAndLookupFieldsAreFilledPerRow) {
    t.create(schema::foren());
    Query(t.db(), QStringLiteral("INSERT INTO Foren VALUES ('44', 'Великобритания')")).execute();
    Query q(t.db(), QStringLiteral("SELECT AbNumber, Longivity, CodeForeign FROM DESTTAR WHERE Cat "
                                   "> 7 ORDER BY AbNumber"));
    q.addLookupField(FieldDef{QStringLiteral("Foren"), FieldType::String, 25},
                     QStringLiteral("Foren"), QStringLiteral("KOD"), QStringLiteral("CITY"),
                     QStringLiteral("CodeForeign"));
    q.addCalcField(FieldDef{QStringLiteral("Twice"), FieldType::Float});
    q.setCalcHandler([](RecordValues& r) {
        r.setValue(QStringLiteral("Twice"), r.value(QStringLiteral("Longivity")).toDouble() * 2);
    });
    q.open();
    EXPECT_EQ(rowsOf(q), (QStringList{"102|5|||10", "104|2|44|Великобритания|4"}));
}

TEST_F(QueryTest, AMissingLookupTableFailsTheOpenAndLeavesNoResultBehind) {
    Query q(t.db(), QStringLiteral("SELECT AbNumber, CodeForeign FROM DESTTAR"));
    q.addLookupField(FieldDef{QStringLiteral("Foren"), FieldType::String, 25},
                     QStringLiteral("Foren"), QStringLiteral("KOD"), QStringLiteral("CITY"),
                     QStringLiteral("CodeForeign"));
    // The count's own result is a temporary table too: compare before and after.
    Query temps(t.db(), QStringLiteral("SELECT count(*) FROM temp.sqlite_master"));
    temps.open();
    const QStringList before = rowsOf(temps);
    EXPECT_THROW(q.open(), Error);
    EXPECT_FALSE(q.isOpen());
    temps.open();
    EXPECT_EQ(rowsOf(temps), before);
}

TEST_F(QueryTest, ResultCopyKeepsColumnTypesAndReplacesTheTable) {
    t.create(schema::tarifCit());
    Query(t.db(), QStringLiteral("INSERT INTO TarifCit VALUES ('2001-01-01', 'ALL', 1.5)"))
        .execute();
    Query q(t.db(),
            QStringLiteral("SELECT Max(tc.DATA) DATA, dt.AbNumber, (tc.COST*dt.Longivity) ResCost, "
                           "Count(dt.AbNumber) N, dt.Code\nFROM TarifCit tc, DESTTAR dt\n"
                           "WHERE tc.DATA <= dt.Date_of_call GROUP BY dt.AbNumber, dt.Code, "
                           "tc.COST, dt.Longivity;"));
    EXPECT_EQ(batchMove(q, QStringLiteral("TabCTGr1.db")), 4);
    const TableDef copy = t.db().tableDef(QStringLiteral("TabCTGr1"));
    ASSERT_EQ(copy.fields.size(), 5);
    EXPECT_EQ(copy.fields[0].type, FieldType::Date);
    EXPECT_EQ(copy.fields[1].type, FieldType::Integer);
    EXPECT_EQ(copy.fields[2].type, FieldType::Float);
    EXPECT_EQ(copy.fields[3].type, FieldType::Integer);
    EXPECT_EQ(copy.fields[4].type, FieldType::String);
    EXPECT_EQ(copy.fields[4].size, 10);

    // A second connection of the process sees the replaced table at once.
    Database other(QStringLiteral("Other"), t.path());
    Query before(other, QStringLiteral("SELECT * FROM TabCTGr1"));
    before.open();
    EXPECT_EQ(before.recordCount(), 4);
    Query fewer(t.db(), QStringLiteral("SELECT AbNumber FROM DESTTAR WHERE AbNumber = 101"));
    EXPECT_EQ(batchMove(fewer, QStringLiteral("TABCTGR1")), 2);
    Query after(other, QStringLiteral("SELECT * FROM TabCTGr1"));
    after.open();
    EXPECT_EQ(after.fields().size(), 1);
    EXPECT_EQ(rowsOf(after), (QStringList{"101", "101"}));
    EXPECT_EQ(
        t.db().tableFileNames().filter(QStringLiteral("TabCTGr1"), Qt::CaseInsensitive).size(), 1);
}

TEST_F(QueryTest, ExecuteReportsChangedRowsAndPrepareSurvivesRebinding) {
    Query del(
        t.db(),
        QStringLiteral(
            "DELETE FROM DestTar\nWHERE (AbNumber = :CurrNumber)and(Date_of_call < :DateOfRas);"));
    del.prepare();
    del.setInteger(QStringLiteral("CurrNumber"), 101);
    del.setDate(QStringLiteral("DateOfRas"), QDate(2001, 4, 1));
    EXPECT_EQ(del.execute(), 2);
    del.setInteger(QStringLiteral("CurrNumber"), 103);
    EXPECT_EQ(del.execute(), 1);
    del.unprepare();
    Query rest(t.db(), QStringLiteral("SELECT * FROM DESTTAR"));
    rest.open();
    EXPECT_EQ(rest.recordCount(), 2);
}

// What the engine refuses reaches the operator in Russian, with the engine's own words after it
// and, where the engine places the fault, the line and position in the statement as written.
TEST_F(QueryTest, RefusedStatementsAreExplainedInRussianWithTheirPlace) {
    t.create(schema::abTab());
    const QString deepNesting =
        QStringLiteral("SELECT ") + QString(200, u'(') + QStringLiteral("1") + QString(200, u')');
    QStringList manyColumns;
    for (int i = 0; i < 2001; ++i) manyColumns.append(QStringLiteral("1"));
    struct Case {
        QString sql;
        const char* message;
        const char* place;  // empty: the engine names no place
    } cases[] = {
        {QStringLiteral("SELEKT AbNumber FROM DESTTAR"),
         "Синтаксическая ошибка в запросе около «SELEKT» (near \"SELEKT\": syntax error)",
         "строка 1, позиция 1"},
        {QStringLiteral("SELECT AbNumber\nFROM DESTTAR WHERE"), "Запрос не закончен",
         "строка 2, позиция 19"},
        {QStringLiteral("SELECT AbNumber FROM DESTTAR\nUNION UNION SELECT 1"),
         "Синтаксическая ошибка в запросе около «UNION»", "строка 2, позиция 7"},
        {QStringLiteral("SELECT Nope FROM DESTTAR"), "Нет поля Nope", "строка 1, позиция 8"},
        {QStringLiteral("SELECT 1 UNION SELECT 1, 2"),
         "Части запроса с UNION (INTERSECT, EXCEPT) выбирают разное число полей", ""},
        {deepNesting, "Запрос слишком сложен", ""},
        {QStringLiteral("SELECT ") + manyColumns.join(u','), "Слишком много полей в запросе", ""},
        {QStringLiteral("UPDATE AbTab SET AbNumber = 'abc'"),
         "Запись отклонена: в поле AbNumber не целое число", ""},
        {QStringLiteral("UPDATE DESTTAR SET TRF = 'дорого'"),
         "Запись отклонена: в поле TRF не число", ""},
    };
    Query(t.db(), QStringLiteral("INSERT INTO AbTab (AbNumber, Priznak) VALUES (1, 'ALL')"))
        .execute();
    Query all(t.db(), QStringLiteral("SELECT * FROM DESTTAR"));
    all.open();
    const QStringList before = rowsOf(all);
    all.close();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql.left(60).toStdString());
        Query q(t.db(), c.sql);
        try {
            if (c.sql.startsWith(QLatin1String("UPDATE")))
                q.execute();
            else
                q.open();
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromUtf8(c.message)))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.place)))
                << e.message().toStdString();
        }
    }
    all.open();
    EXPECT_EQ(rowsOf(all), before);
    all.close();

    // A statement that reads as one but selects nothing is to be executed, not opened.
    Query update(t.db(), QStringLiteral("UPDATE DESTTAR SET Cat = Cat"));
    try {
        update.open();
        ADD_FAILURE() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Запрос не выбирает записей; его нужно выполнить"));
    }
}

TEST_F(QueryTest, AlterTableChangesTheTableFileButNeverRenamesIt) {
    Query(t.db(), QStringLiteral("ALTER TABLE desttar.db ADD COLUMN Note VARCHAR(10)")).execute();
    Query q(t.db(), QStringLiteral("SELECT Count(Note) AS N FROM DESTTAR"));
    q.open();
    EXPECT_EQ(rowsOf(q), QStringList{"0"});
    EXPECT_THROW(Query(t.db(), QStringLiteral("ALTER TABLE DESTTAR RENAME TO Calls")).execute(),
                 Error);
    EXPECT_TRUE(t.db().tableExists(QStringLiteral("DESTTAR")));
}
