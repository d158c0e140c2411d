#include "ProgramStatementList.h"
#include "core/Error.h"
#include "db/Dialect.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QStringList>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace orv::db {
namespace {

using test::kAllLine1;
using test::kRangeLines;
using test::kRangeParameters;
using test::ProgramStatement;
using test::programStatements;

std::string str(const QString& s) { return s.toStdString(); }

// "Desttar:R AbTab:W" — compact form of a statement's table references.
std::string describe(const QList<TableRef>& tables) {
    QStringList parts;
    for (const TableRef& t : tables) {
        const char* use = t.use == TableUse::Read     ? "R"
                          : t.use == TableUse::Write  ? "W"
                          : t.use == TableUse::Create ? "C"
                                                      : "D";
        parts << t.name + u':' + QLatin1String(use);
    }
    return str(parts.join(u' '));
}

std::string describe(const QList<QPair<QString, QString>>& aliases) {
    QStringList parts;
    for (const auto& [alias, table] : aliases) parts << alias + QStringLiteral("=") + table;
    return str(parts.join(u' '));
}

QString bracketed(const TableRef& t) { return u'[' + t.name + u']'; }

QString asWritten(const TableRef& t) { return t.name; }

QString programText(const char* name) {
    for (const ProgramStatement& s : programStatements()) {
        if (QLatin1String(s.name) == QLatin1String(name)) return s.lines.join(u'\n');
    }
    ADD_FAILURE() << "no statement " << name;
    return {};
}

// An in-memory SQLite database holding the program's tables, to prove rendered text runs.
class MemoryDb {
  public:
    MemoryDb() {
        EXPECT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        const char* calls =
            "(AbNumber INTEGER, Date_of_call DATE, Time_of_call TIME, Longivity INTEGER, "
            "Cat SMALLINT, Number_of_call INTEGER, Code VARCHAR(10), CodeForeign VARCHAR(10), "
            "TRF FLOAT)";
        const char* totals =
            "(AbNumber INTEGER, Priznak VARCHAR(10), Count_of_calls INTEGER, Sum_of_long FLOAT, "
            "Sum_of_cost FLOAT, Date_of_raschet DATE)";
        const std::string call = "AbNumber, Priznak, Date_of_call, Time_of_call, Longivity";
        exec(std::string("CREATE TABLE DESTTAR ") + calls);
        exec(std::string("CREATE TABLE OldMG ") + calls);
        exec("CREATE TABLE AbTab (AbNumber, Priznak, Exist, FIO, House, Appartm, Adress)");
        exec("CREATE TABLE VechTm (Time_from, Time_to)");
        exec("CREATE TABLE Prazdn (PRAZDN_DAY)");
        exec("CREATE TABLE TARIFCIT (DATA, PRIZNAK, COST)");
        exec("CREATE TABLE Tarif1 (DATA, TRF, Cost_k)");
        exec("CREATE TABLE TabCTPr (" + call + ")");
        exec("CREATE TABLE TabCTGr1 (DATA, " + call + ")");
        exec("CREATE TABLE TabCTGr2 (" + call + ", DATA, Cost, ResCost)");
        exec("CREATE TABLE TabMGPr (" + call + ", TRF)");
        exec("CREATE TABLE TabMGgr1 (DATA, " + call + ", TRF)");
        exec("CREATE TABLE TabMGgr2 (" + call + ", TRF, DATA, Cost_k, ResCost)");
        exec("CREATE TABLE TabAllGr (" + call + ", ResCost)");
        exec(std::string("CREATE TABLE PrDlgCt ") + totals);
        exec(std::string("CREATE TABLE PrDlgMG ") + totals);
        exec(std::string("CREATE TABLE DolgRes ") + totals);
        exec(
            "CREATE TABLE DolgTb (AbNumber, Priznak, YearMonth, LastYearMonth, Dolg, LastDolg, "
            "NDS, MG, ByTime, AbPlata)");
        exec("CREATE TABLE PaneDate (AbNumber, Priznak, Date_of_pane, Dolg, Pane)");
    }
    ~MemoryDb() { sqlite3_close(db_); }

    void exec(const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << message;
        }
        sqlite3_free(message);
    }

    // Prepares the text and returns its rows, columns joined by '|', in result order.
    std::vector<std::string> rows(const QString& sql) {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &raw, nullptr) !=
            SQLITE_OK) {
            ADD_FAILURE() << utf8.constData() << "\n-> " << sqlite3_errmsg(db_);
            return {};
        }
        std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
        std::vector<std::string> result;
        while (sqlite3_step(raw) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(raw); ++c) {
                if (c) row += '|';
                const unsigned char* text = sqlite3_column_text(raw, c);
                row += text ? reinterpret_cast<const char*>(text) : "NULL";
            }
            result.push_back(row);
        }
        return result;
    }

  private:
    sqlite3* db_ = nullptr;
};

TEST(DialectTest, ProgramStatementsTranslateAndRunInSqlite) {
    MemoryDb db;
    for (const ProgramStatement& s : programStatements()) {
        SCOPED_TRACE(s.name);
        const DialectStatement statement(s.lines.join(u'\n'));
        EXPECT_EQ(statement.kind(), s.kind);
        EXPECT_EQ(describe(statement.tables()), s.tables);
        EXPECT_EQ(str(statement.parameters().join(u' ')), s.parameters);
        const QString sql = statement.render(asWritten);
        EXPECT_FALSE(sql.contains(u'"')) << str(sql);
        EXPECT_FALSE(sql.endsWith(u';')) << str(sql);
        db.rows(sql);
    }
}

TEST(DialectTest, RendersProgramStatements) {
    struct Case {
        const char* name;
        const char* rendered;
    };
    const Case cases[] = {
        {"QueryCity",
         "SELECT DISTINCT dt.AbNumber,dt.Date_of_call,dt.Time_of_call,dt.Cat,dt.Longivity,"
         "dt.Number_of_call\n"
         "FROM [Desttar] dt\n"
         "WHERE (dt.AbNumber between :NumberFrom and :NumberTo)\n"
         "and (dt.Date_of_call between :DateFrom and :DateTo)\n"
         "and ((dt.Time_of_call between :TimeFrom and :TimeTo) or (dt.Time_of_call between "
         ":TimeFrom1 and :TimeTo1))\n"
         "and (dt.Cat<8)\n"
         "ORDER BY AbNumber,Date_of_call,Time_of_call"},
        {"QuerySelectOldMG",
         "SELECT DISTINCT * \nFROM [DestTar]\nWHERE (AbNumber = :CurrNumber)\n"
         "and(Date_of_call < :DateOfRas)\nand (Cat>7)"},
        {"QueryDolg",
         "SELECT d.AbNumber,d.Priznak,a.Exist,d.YearMonth,d.LastYearMonth,d.Dolg,\n"
         "d.LastDolg,d.NDS,d.MG,d.ByTime,d.AbPlata\nFROM [DolgTb] d, [AbTab] a\n"
         "WHERE (a.AbNumber=d.AbNumber)and(a.Priznak=d.Priznak)"},
        {"QueryDolgDelete", "DELETE From [DestTar]\nWHERE Date_of_call<:DateOfRas"},
        {"QueryCityGroup3",
         "SELECT qt.AbNumber Номер,qt.Priznak Признак,Count(AbNumber) КолЗвонков,"
         "Sum(qt.Longivity) ОбщПродсть,Sum(qt.ResCost) ОбщСтГор\nFROM [TabCTGr2] qt\n"
         "GROUP BY qt.AbNumber,qt.Priznak\nORDER BY qt.AbNumber,qt.Priznak"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(str(DialectStatement(programText(c.name)).render(bracketed)), c.rendered);
    }

    // The evening line of the city selection: quantified comparisons and time literals.
    const QStringList lines =
        DialectStatement(programText("QueryCityGroup1")).render(bracketed).split(u'\n');
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(str(lines[5]), "FROM [Desttar] dt, [VechTm] vt,[AbTab] ab");
    EXPECT_EQ(str(lines[6]),
              "WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist='YES')and(dt.Cat<8) and "
              "(ab.Priznak='VECH')and((dt.Date_of_call NOT IN (SELECT Prazdn_day FROM [Prazdn])"
              "and((dt.Time_of_call BETWEEN vt.Time_from and '23:59:59')or(dt.Time_of_call "
              "BETWEEN '00:00:00' and vt.Time_to)))or(dt.Date_of_call IN (SELECT Prazdn_day FROM "
              "[Prazdn]))))");
}

TEST(DialectTest, DescribesSelectListsOfProgramStatements) {
    struct Case {
        const char* name;
        int column;
        SelectColumn expected;
    };
    const Case cases[] = {
        {"QueryAll", 0, {"", "", "dt", "AbNumber", false, false}},
        {"QueryMG", 5, {"", "", "", "Number_of_Call", false, false}},
        {"QueryCityGroupMax", 0, {"DATA", "MAX", "tc", "DATA", false, false}},
        {"QueryCityGroup2", 7, {"ResCost", "", "", "", true, false}},
        {"QueryCityGroup3", 0, {"Номер", "", "qt", "AbNumber", false, false}},
        {"QueryCityGroup3", 2, {"КолЗвонков", "COUNT", "", "AbNumber", false, false}},
        {"QueryCityGroup3", 4, {"ОбщСтГор", "SUM", "qt", "ResCost", false, false}},
        {"QueryAbsMinDate", 0, {"MinDate", "MIN", "dt", "Date_of_call", false, false}},
        {"QuerySelectOldMG", 0, {"", "", "", "", false, true}},
        {"QueryDolgDistRes", 5, {"", "", "", "Date_of_raschet", false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " column " + std::to_string(c.column));
        const DialectStatement statement(programText(c.name));
        ASSERT_GT(statement.selectColumns().size(), c.column);
        const SelectColumn& got = statement.selectColumns()[c.column];
        EXPECT_EQ(str(got.alias), str(c.expected.alias));
        EXPECT_EQ(str(got.function), str(c.expected.function));
        EXPECT_EQ(str(got.qualifier), str(c.expected.qualifier));
        EXPECT_EQ(str(got.column), str(c.expected.column));
        EXPECT_EQ(got.arithmetic, c.expected.arithmetic);
        EXPECT_EQ(got.star, c.expected.star);
    }
    EXPECT_EQ(DialectStatement(programText("QueryMG")).selectColumns().size(), 9);
    EXPECT_EQ(DialectStatement(programText("QueryDolg")).selectColumns().size(), 11);
    EXPECT_EQ(DialectStatement(programText("QueryCityGroup1")).selectColumns().size(), 5);

    EXPECT_EQ(describe(DialectStatement(programText("QueryCityGroup1")).fromAliases()),
              "dt=Desttar ab=AbTab");
    EXPECT_EQ(describe(DialectStatement(programText("QueryDolg")).fromAliases()),
              "d=DolgTb a=AbTab");
    EXPECT_EQ(describe(DialectStatement(programText("QueryAllGroup1")).fromAliases()),
              "TabCTGr2=TabCTGr2");
    EXPECT_EQ(describe(DialectStatement(programText("QueryDolgDelete")).fromAliases()),
              "DestTar=DestTar");
}

// The evening and day rules of the city selection, run on calls of a working day and a holiday.
TEST(DialectTest, CitySelectionKeepsItsMeaningInSqlite) {
    MemoryDb db;
    db.exec("INSERT INTO VechTm VALUES ('22:00:00', '07:00:00')");
    db.exec("INSERT INTO Prazdn VALUES ('2000-03-08')");
    db.exec(
        "INSERT INTO AbTab (AbNumber, Priznak, Exist) VALUES (1, 'VECH', 'YES'), "
        "(2, 'DAY', 'YES'), (3, 'ALL', 'YES'), (4, 'ALL', 'NO')");
    for (int number = 1; number <= 4; ++number) {
        for (const char* call :
             {"'2000-03-01', '23:30:00'", "'2000-03-01', '06:59:00'", "'2000-03-01', '12:00:00'",
              "'2000-03-01', '07:00:00'", "'2000-03-01', '22:00:00'", "'2000-03-08', '12:00:00'"}) {
            db.exec(
                "INSERT INTO DESTTAR (AbNumber, Date_of_call, Time_of_call, Longivity, Cat) "
                "VALUES (" +
                std::to_string(number) + ", " + call + ", 1, 1)");
        }
        db.exec(
            "INSERT INTO DESTTAR (AbNumber, Date_of_call, Time_of_call, Longivity, Cat) "
            "VALUES (" +
            std::to_string(number) + ", '2000-03-01', '12:30:00', 1, 9)");
    }
    std::vector<std::string> rows =
        db.rows(DialectStatement(programText("QueryCityGroup1")).render(asWritten));
    std::sort(rows.begin(), rows.end());
    const std::vector<std::string> expected = {
        "1|VECH|2000-03-01|06:59:00|1", "1|VECH|2000-03-01|07:00:00|1",
        "1|VECH|2000-03-01|22:00:00|1", "1|VECH|2000-03-01|23:30:00|1",
        "1|VECH|2000-03-08|12:00:00|1", "2|DAY|2000-03-01|07:00:00|1",
        "2|DAY|2000-03-01|12:00:00|1",  "2|DAY|2000-03-01|22:00:00|1",
        "3|ALL|2000-03-01|06:59:00|1",  "3|ALL|2000-03-01|07:00:00|1",
        "3|ALL|2000-03-01|12:00:00|1",  "3|ALL|2000-03-01|22:00:00|1",
        "3|ALL|2000-03-01|23:30:00|1",  "3|ALL|2000-03-08|12:00:00|1",
    };
    EXPECT_EQ(rows, expected);
}

TEST(DialectTest, TranslatesDialectForms) {
    struct Case {
        const char* sql;
        const char* rendered;
        const char* tables;
    };
    const Case cases[] = {
        // Literals.
        {"SELECT \"YES\", 'it''s', \"say \"\"hi\"\"\", \"O'Brien\" FROM t",
         "SELECT 'YES', 'it''s', 'say \"hi\"', 'O''Brien' FROM [t]", "t:R"},
        {"SELECT * FROM t WHERE d < \"01.03.2000\" and e >= '1.3.2000'",
         "SELECT * FROM [t] WHERE d < '2000-03-01' and e >= '2000-03-01'", "t:R"},
        {"SELECT * FROM t WHERE a = \"29.02.2000\" and b = \"12.2000\" and c = \"1.1.20\"",
         "SELECT * FROM [t] WHERE a = '2000-02-29' and b = '12.2000' and c = '1.1.20'", "t:R"},
        {"SELECT * FROM t WHERE a > \"00:00\" and b < \"7:05\" and c = \"23:59:59\" and d = "
         "\"12:5\"",
         "SELECT * FROM [t] WHERE a > '00:00:00' and b < '07:05:00' and c = '23:59:59' and d = "
         "'12:5'",
         "t:R"},
        // Quantified comparisons, with and without blanks.
        {"SELECT * FROM t WHERE x<>ALL(SELECT y FROM u) or x =ANY (SELECT y FROM u)",
         "SELECT * FROM [t] WHERE x NOT IN (SELECT y FROM [u]) or x IN (SELECT y FROM [u])",
         "t:R u:R"},
        {"SELECT * FROM t WHERE x <> all ( SELECT y FROM u) and x= Any(1, 2) and x=SOME(3)",
         "SELECT * FROM [t] WHERE x NOT IN ( SELECT y FROM [u]) and x IN (1, 2) and x IN (3)",
         "t:R u:R"},
        // A bare ORDER BY name of a qualified select item is written qualified; aliases,
        // unqualified items and names not selected stay.
        {"SELECT dt.AbNumber, ab.FIO, x AS Nm FROM DolgTb dt, AbTab ab ORDER BY AbNumber, Nm, "
         "FIO DESC, Other;",
         "SELECT dt.AbNumber, ab.FIO, x AS Nm FROM [DolgTb] dt, [AbTab] ab ORDER BY "
         "dt.AbNumber, Nm, ab.FIO DESC, Other",
         "DolgTb:R AbTab:R"},
        // Comments go; a colon inside a string or comment is no parameter.
        {"SELECT a -- the :P column\nFROM t /* :Q \"x */ WHERE b = \"10:00\"",
         "SELECT a \nFROM [t]   WHERE b = '10:00:00'", "t:R"},
        // A keyword or a quoted name after "qualifier." is a column.
        {"SELECT a.ALL, a.\"ALL\", a.DAY FROM ABPLATA a WHERE a.DATA = \"01.01.2000\"",
         "SELECT a.\"ALL\", a.\"ALL\", a.DAY FROM [ABPLATA] a WHERE a.DATA = '2000-01-01'",
         "ABPLATA:R"},
        // Table positions.
        {"SELECT * FROM PaneDate.DB p, DolgTb.db,AbTab AS a WHERE p.AbNumber = a.AbNumber",
         "SELECT * FROM [PaneDate] p, [DolgTb],[AbTab] AS a WHERE p.AbNumber = a.AbNumber",
         "PaneDate:R DolgTb:R AbTab:R"},
        {"SELECT * FROM a LEFT OUTER JOIN b.db ON a.x = b.x JOIN c USING (x), d",
         "SELECT * FROM [a] LEFT OUTER JOIN [b] ON a.x = b.x JOIN [c] USING (x), [d]",
         "a:R b:R c:R d:R"},
        {"SELECT q.x FROM (SELECT x FROM t WHERE x IN (SELECT x FROM u)) q, v",
         "SELECT q.x FROM (SELECT x FROM [t] WHERE x IN (SELECT x FROM [u])) q, [v]",
         "t:R u:R v:R"},
        {"SELECT * FROM \"DolgTb.db\" d", "SELECT * FROM [DolgTb] d", "DolgTb:R"},
        {"WITH q AS (SELECT x FROM t) SELECT * FROM q, u",
         "WITH q AS (SELECT x FROM [t]) SELECT * FROM q, [u]", "t:R u:R"},
        {"INSERT INTO DolgTb.db (AbNumber) SELECT AbNumber FROM AbTab",
         "INSERT INTO [DolgTb] (AbNumber) SELECT AbNumber FROM [AbTab]", "DolgTb:W AbTab:R"},
        {"INSERT INTO Tab SELECT * FROM TAB", "INSERT INTO [Tab] SELECT * FROM [TAB]", "Tab:W"},
        {"SELECT * FROM Desttar a, DESTTAR b", "SELECT * FROM [Desttar] a, [DESTTAR] b",
         "Desttar:R"},
        {"UPDATE DolgTb SET Dolg = 0 WHERE AbNumber IN (SELECT AbNumber FROM AbTab)",
         "UPDATE [DolgTb] SET Dolg = 0 WHERE AbNumber IN (SELECT AbNumber FROM [AbTab])",
         "DolgTb:W AbTab:R"},
        {"CREATE TABLE Lst.db (AbNumber INTEGER)", "CREATE TABLE [Lst] (AbNumber INTEGER)",
         "Lst:C"},
        {"DROP TABLE IF EXISTS Lst", "DROP TABLE IF EXISTS [Lst]", "Lst:D"},
        {"CREATE UNIQUE INDEX ByNumber ON PaneDate.DB (AbNumber)",
         "CREATE UNIQUE INDEX ByNumber ON [PaneDate] (AbNumber)", "PaneDate:R"},
        {"DROP INDEX ByNumber", "DROP INDEX ByNumber", ""},
        // Parameters keep the spelling of their first use; trailing ';' and blanks go.
        {"SELECT * FROM t WHERE a = :A and b = :b or c = :a ; \n ;\n",
         "SELECT * FROM [t] WHERE a = :A and b = :b or c = :A", "t:R"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const DialectStatement statement(QString::fromUtf8(c.sql));
        EXPECT_EQ(str(statement.render(bracketed)), c.rendered);
        EXPECT_EQ(describe(statement.tables()), c.tables);
    }
}

TEST(DialectTest, RecognisesKindsAndSelectLists) {
    struct Case {
        const char* sql;
        StatementKind kind;
    };
    const Case kinds[] = {
        {"select 1", StatementKind::Select},
        {"(SELECT 1) UNION (SELECT 2)", StatementKind::Select},
        {"WITH q AS (SELECT 1) SELECT * FROM q", StatementKind::Select},
        {"INSERT INTO t VALUES (1)", StatementKind::Insert},
        {"update t set a = 1", StatementKind::Update},
        {"DELETE FROM t", StatementKind::Delete},
        {"CREATE TABLE t (a INTEGER)", StatementKind::CreateTable},
        {"DROP TABLE t", StatementKind::DropTable},
        {"CREATE UNIQUE INDEX i ON t (a)", StatementKind::CreateIndex},
        {"CREATE INDEX i ON t (a)", StatementKind::CreateIndex},
        {"DROP INDEX i", StatementKind::DropIndex},
        {"PRAGMA table_info(t)", StatementKind::Other},
    };
    for (const Case& c : kinds) {
        EXPECT_EQ(DialectStatement(QString::fromUtf8(c.sql)).kind(), c.kind) << c.sql;
    }

    const DialectStatement s(QStringLiteral(
        "SELECT DISTINCT q.*, a + b AS Сумма, -x, Count(*), CASE WHEN a THEN 1 END Флаг, "
        "Max((dt.Longivity)), 'x' Метка, Sum(a * b) FROM t q"));
    const QList<SelectColumn>& c = s.selectColumns();
    ASSERT_EQ(c.size(), 8);
    EXPECT_TRUE(c[0].star);
    EXPECT_EQ(str(c[0].qualifier), "q");
    EXPECT_EQ(str(c[1].alias), "Сумма");
    EXPECT_TRUE(c[1].arithmetic);
    EXPECT_TRUE(c[2].arithmetic);
    EXPECT_EQ(str(c[3].function), "COUNT");
    EXPECT_FALSE(c[3].star);
    EXPECT_EQ(str(c[4].alias), "Флаг");
    EXPECT_EQ(str(c[5].function), "MAX");
    EXPECT_EQ(str(c[5].qualifier), "dt");
    EXPECT_EQ(str(c[5].column), "Longivity");
    EXPECT_EQ(str(c[6].alias), "Метка");
    EXPECT_EQ(str(c[7].function), "SUM");
    EXPECT_FALSE(c[7].arithmetic);
    EXPECT_TRUE(c[7].column.isEmpty());
    EXPECT_EQ(describe(s.fromAliases()), "q=t");

    const QList<SelectColumn> fees =
        DialectStatement(QStringLiteral("SELECT a.\"ALL\" FROM ABPLATA a")).selectColumns();
    ASSERT_EQ(fees.size(), 1);
    EXPECT_EQ(str(fees[0].qualifier), "a");
    EXPECT_EQ(str(fees[0].column), "ALL");
}

TEST(DialectTest, RefusesTextItCannotTranslate) {
    struct Case {
        const char* sql;
        const char* message;
    };
    const Case cases[] = {
        {"SELECT \"abc", "(строка 1, позиция 8): незакрытая строка"},
        {"SELECT a\nFROM t\nWHERE x = 'abc", "(строка 3, позиция 11): незакрытая строка"},
        {"SELECT a /* note", "(строка 1, позиция 10): незакрытый комментарий"},
        {"SELECT a # b", "(строка 1, позиция 10): недопустимый символ «#»"},
        {"SELECT 12abc", "(строка 1, позиция 8): неверное число «12abc»"},
        {"SELECT : x", "(строка 1, позиция 8): после «:» должно стоять имя параметра"},
        {"SELECT *\nFROM t WHERE d = \"31.02.2001\"",
         "(строка 2, позиция 18): неверная дата «31.02.2001»"},
        {"SELECT * FROM t WHERE t > \"24:00\"", "(строка 1, позиция 27): неверное время «24:00»"},
        {"SELECT * FROM t WHERE x >ALL (SELECT y FROM u)",
         "(строка 1, позиция 25): оператор >ALL не поддерживается"},
        {"SELECT * FROM t WHERE x = ALL(SELECT y FROM u)", "оператор =ALL не поддерживается"},
        {"SELECT * FROM t WHERE x <> any (SELECT y FROM u)", "оператор <>ANY не поддерживается"},
        {"SELECT * FROM t WHERE x < SOME(SELECT y FROM u)", "оператор <SOME не поддерживается"},
        {"SELECT (a FROM t", "(строка 1, позиция 8): незакрытая скобка"},
        {"SELECT ((a) FROM t;", "(строка 1, позиция 8): незакрытая скобка"},
        {"SELECT a) FROM t", "(строка 1, позиция 9): лишняя закрывающая скобка"},
        {"SELECT 1;\nSELECT 2", "(строка 2, позиция 1): после «;» начинается второй оператор"},
        {"SELECT * FROM main.t", "(строка 1, позиция 15): неверное имя таблицы «main.t»"},
        {" -- nothing\n;", "текст запроса пуст"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            DialectStatement statement{QString::fromUtf8(c.sql)};
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Dialect);
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Ошибка в тексте запроса")))
                << str(e.message());
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << str(e.message());
        }
    }
}

}  // namespace
}  // namespace orv::db
