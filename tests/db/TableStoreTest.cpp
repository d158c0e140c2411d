// The table store on real files: creation, name resolution, cursors, constraints and the
// errors an operator meets when a folder holds something unexpected.

#include "TestSupport.h"
#include "core/Error.h"
#include "db/BatchMove.h"
#include "db/Table.h"

#include <sqlite3.h>
#include <QFile>

using namespace orv;
using namespace orv::db;
using orv::test::errorOf;
using orv::test::TempDatabase;

TEST(Schema, StartupCreatesTheEightTablesOnAnEmptyFolderAndNeverTouchesExistingOnes) {
    TempDatabase t;
    const QStringList created = schema::createMissingStartupTables(t.db());
    EXPECT_EQ(created, (QStringList{"Prazdn", "OldMG", "PaneDate", "DolgTb", "AbTab", "DESTTAR",
                                    "PrDlgCt", "PrDlgMG"}));
    for (const char* file : {"Prazdn.db", "OldMG.DB", "PaneDate.DB", "DolgTb.db", "AbTab.DB",
                             "DESTTAR.db", "PrDlgCt.db", "PrDlgMG.db"})
        EXPECT_TRUE(QFile::exists(t.file(QString::fromLatin1(file)))) << file;
    for (const char* missing : {"ABPLATA", "Tarif1", "TARIFCIT", "VechTm", "Sng", "Foren"})
        EXPECT_FALSE(t.db().tableExists(QString::fromLatin1(missing))) << missing;

    // Columns read back with their declared types and widths.
    const TableDef ab = t.db().tableDef(QStringLiteral("abtab.db"));
    ASSERT_EQ(ab.fields.size(), schema::abTab().fields.size());
    for (int i = 0; i < ab.fields.size(); ++i) {
        EXPECT_EQ(ab.fields[i].name, schema::abTab().fields[i].name);
        EXPECT_EQ(ab.fields[i].type, schema::abTab().fields[i].type);
        EXPECT_EQ(ab.fields[i].size, schema::abTab().fields[i].size);
    }
    const TableDef pane = t.db().tableDef(QStringLiteral("PaneDate"));
    ASSERT_EQ(pane.indexes.size(), 1);
    EXPECT_TRUE(pane.indexes[0].primary);
    EXPECT_EQ(pane.indexes[0].fields, QStringList{"AbNumber"});

    t.raw(QStringLiteral("AbTab.DB"), QStringLiteral("INSERT INTO AbTab(AbNumber) VALUES (5)"));
    EXPECT_TRUE(schema::createMissingStartupTables(t.db()).isEmpty());
    Table ab2(t.db(), QStringLiteral("AbTab"));
    ab2.open();
    EXPECT_EQ(ab2.recordCount(), 1);
}

TEST(Schema, TablesReadableWithPlainSqliteInTheExternalFormat) {
    TempDatabase t;
    t.create(schema::desttar());
    Table calls(t.db(), QStringLiteral("desttar"));
    calls.open();
    calls.appendRecord(
        {101, QDate(2001, 3, 5), QTime(6, 59, 0), 3, 2, 2223344, QStringLiteral("495"), {}, 1.0});
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(t.file(QStringLiteral("DESTTAR.db")).toUtf8().constData(), &handle),
              SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(
                  handle, "SELECT Date_of_call, Time_of_call, CodeForeign IS NULL FROM DESTTAR", -1,
                  &stmt, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "2001-03-05");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)), "06:59:00");
    EXPECT_EQ(sqlite3_column_int(stmt, 2), 1);
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
}

TEST(TableStore, NamesResolveWithoutRegardToCaseAndExtension) {
    TempDatabase t;
    t.create(schema::abTab());  // created as AbTab.DB
    for (const char* name : {"AbTab", "ABTAB", "abtab.db", "AbTab.DB", "aBtAb.Db"})
        EXPECT_EQ(t.db().canonicalName(QString::fromLatin1(name)), QStringLiteral("AbTab")) << name;
    Query q(t.db(),
            QStringLiteral("SELECT * FROM ABTAB.db a, abtab b WHERE a.AbNumber = b.AbNumber"));
    q.open();
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_EQ(t.db().tableNames(), QStringList{"AbTab"});
    EXPECT_EQ(t.db().tableFileNames(), QStringList{"AbTab.DB"});
}

TEST(TableStore, BadFolderContentsGiveClearErrors) {
    TempDatabase t;
    t.create(schema::abTab());
    t.raw(QStringLiteral("abtab.db"), QStringLiteral("CREATE TABLE abtab(x)"));
    const QString twins = errorOf([&] { t.db().canonicalName(QStringLiteral("AbTab")); });
    EXPECT_TRUE(twins.contains(QStringLiteral("AbTab.DB")) &&
                twins.contains(QStringLiteral("abtab.db")))
        << twins.toStdString();

    QFile junk(t.file(QStringLiteral("Notes.db")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is a note, not a table, and it is long enough to have a header.....");
    junk.close();
    const QString notDb =
        errorOf([&] { Query(t.db(), QStringLiteral("SELECT * FROM Notes")).open(); });
    EXPECT_TRUE(notDb.contains(QStringLiteral("не является таблицей"))) << notDb.toStdString();

    const QString missing =
        errorOf([&] { Query(t.db(), QStringLiteral("SELECT * FROM VechTm")).open(); });
    EXPECT_TRUE(missing.contains(QStringLiteral("VechTm"))) << missing.toStdString();
    EXPECT_FALSE(QFile::exists(t.file(QStringLiteral("VechTm.db"))));  // no file conjured up

    const QString missingFolder =
        errorOf([&] { Database d(QStringLiteral("X"), t.file(QStringLiteral("nope"))); });
    EXPECT_TRUE(missingFolder.contains(QStringLiteral("nope"))) << missingFolder.toStdString();
}

TEST(TableStore, BadValuesAreRefusedAndChangeNothing) {
    TempDatabase t;
    t.create(schema::abTab());
    t.create(schema::desttar());
    Table ab(t.db(), QStringLiteral("AbTab"));
    ab.open();
    ab.append();
    EXPECT_TRUE(errorOf([&] {
                    ab.setField(QStringLiteral("FIO"), QString(21, QLatin1Char('x')));
                }).contains(QStringLiteral("FIO")));
    ab.cancel();
    struct Case {
        const char* file;
        const char* sql;
        const char* expect;
    } cases[] = {
        {"AbTab.DB", "INSERT INTO AbTab(AbNumber, House) VALUES (1, '123456')", "House"},
        {"DESTTAR.db", "INSERT INTO DESTTAR(AbNumber, Date_of_call) VALUES (1, :V)",
         "Date_of_call"},
        {"DESTTAR.db", "INSERT INTO DESTTAR(AbNumber, Time_of_call) VALUES (1, :V)",
         "Time_of_call"},
        {"DESTTAR.db", "INSERT INTO DESTTAR(AbNumber, Date_of_call) VALUES (1, '31.02.2001')",
         "31.02.2001"},
    };
    for (const Case& c : cases) {
        const QString sql = QString::fromUtf8(c.sql);
        const QString message = errorOf([&] {
            Query q(t.db(), sql);
            // Texts as an outside program might bind them: a day that does not exist, hour 25.
            if (q.parameterNames().contains(QStringLiteral("V")))
                q.setString(QStringLiteral("V"), sql.contains(QLatin1String("Time"))
                                                     ? QStringLiteral("25:00:00")
                                                     : QStringLiteral("2001-02-31"));
            q.execute();
        });
        EXPECT_TRUE(message.contains(QString::fromLatin1(c.expect)))
            << c.sql << " -> " << message.toStdString();
    }
    EXPECT_EQ(Table(t.db(), QStringLiteral("AbTab")).recordCount(), 0);
    EXPECT_EQ(Table(t.db(), QStringLiteral("DESTTAR")).recordCount(), 0);

    Query unbound(t.db(), QStringLiteral("SELECT * FROM DESTTAR WHERE AbNumber = :Number"));
    EXPECT_TRUE(errorOf([&] { unbound.open(); }).contains(QStringLiteral(":Number")));
    EXPECT_TRUE(errorOf([&] {
                    Table(t.db(), QStringLiteral("AbTab")).asString(QStringLiteral("FIO"));
                }).contains(QStringLiteral("не открыта")));
}

TEST(TableCursor, AppendEditPostCancelAndLocateWithoutRegardToCase) {
    TempDatabase t;
    t.create(schema::dolgTb());
    Table dolg(t.db(), QStringLiteral("DolgTb.db"));
    dolg.open();
    EXPECT_TRUE(dolg.isEmpty());
    dolg.appendRecord({101, QStringLiteral("ALL"), QDate(2001, 3, 1), QDate(2001, 2, 1), 100.0});
    dolg.appendRecord({101, QStringLiteral("VECH"), QDate(2001, 3, 1), {}, 50.0});
    dolg.append();
    dolg.setField(QStringLiteral("AbNumber"), 102);
    dolg.setField(QStringLiteral("Priznak"), QStringLiteral("BUDG"));
    dolg.post();
    EXPECT_EQ(dolg.recordCount(), 3);

    ASSERT_TRUE(dolg.locate(QStringLiteral("AbNumber;Priznak"), {101, QStringLiteral("vech")}));
    EXPECT_DOUBLE_EQ(dolg.asFloat(QStringLiteral("Dolg")), 50.0);
    EXPECT_TRUE(dolg.field(QStringLiteral("LastYearMonth")).isNull());
    dolg.edit();
    dolg.setField(QStringLiteral("Dolg"), 7.5);
    dolg.cancel();
    EXPECT_DOUBLE_EQ(dolg.asFloat(QStringLiteral("Dolg")), 50.0);
    dolg.edit();
    dolg.setField(QStringLiteral("Dolg"), 7.5);
    dolg.post();
    EXPECT_FALSE(dolg.locate(QStringLiteral("AbNumber;Priznak"), {101, QStringLiteral("DAY")}));

    Table again(t.db(), QStringLiteral("dolgtb"));
    again.open();
    ASSERT_TRUE(again.locate(QStringLiteral("abnumber;PRIZNAK"), {101, QStringLiteral("Vech")}));
    EXPECT_DOUBLE_EQ(again.asFloat(QStringLiteral("dolg")), 7.5);
    EXPECT_EQ(again.asDate(QStringLiteral("YearMonth")), QDate(2001, 3, 1));
    QStringList order;
    for (again.first(); !again.eof(); again.next())
        order.append(again.asString(QStringLiteral("Priznak")));
    EXPECT_EQ(order, (QStringList{"ALL", "VECH", "BUDG"}));
    again.setIndexFieldNames(QStringLiteral("AbNumber;Priznak"));
    order.clear();
    for (again.first(); !again.eof(); again.next())
        order.append(again.asString(QStringLiteral("Priznak")));
    EXPECT_EQ(order, (QStringList{"ALL", "VECH", "BUDG"}));
    again.setIndexFieldNames(QStringLiteral("Priznak"));
    again.first();
    EXPECT_EQ(again.asString(QStringLiteral("Priznak")), QStringLiteral("ALL"));
    again.next();
    EXPECT_EQ(again.asString(QStringLiteral("Priznak")), QStringLiteral("BUDG"));
}

TEST(TableCursor, PrimaryIndexRefusesASecondRowForTheSameKey) {
    TempDatabase t;
    t.create(schema::paneDate());
    Table pane(t.db(), QStringLiteral("PaneDate"));
    pane.setIndexFieldNames(QStringLiteral("AbNumber"));
    pane.open();
    pane.appendRecord({101, QStringLiteral("ALL"), QDate(2001, 3, 5), 200.4, 150.0});
    const QString message = errorOf([&] {
        pane.appendRecord({101, QStringLiteral("VECH"), QDate(2001, 3, 5), 10.0, 10.0});
    });
    EXPECT_TRUE(message.contains(QStringLiteral("key violation"))) << message.toStdString();
    EXPECT_EQ(pane.recordCount(), 1);
    EXPECT_EQ(Table(t.db(), QStringLiteral("PaneDate")).recordCount(), 1);
}

TEST(TableCursor, LookupFieldsAndNamedIndexOrder) {
    TempDatabase t;
    t.create(schema::sng());
    Table sng(t.db(), QStringLiteral("Sng"));
    sng.open();
    sng.appendRecord({QStringLiteral("812"), QStringLiteral("Санкт-Петербург")});
    sng.appendRecord({QStringLiteral("495"), QStringLiteral("Москва")});
    t.create(schema::oldMg());
    Table old(t.db(), QStringLiteral("OldMG"));
    old.addLookupField(FieldDef{QStringLiteral("Sng"), FieldType::String, 25},
                       QStringLiteral("Sng"), QStringLiteral("KOD"), QStringLiteral("CITY"),
                       QStringLiteral("Code"));
    old.open();
    old.appendRecord({101, QDate(2001, 1, 1), QTime(1, 0), 1, 8, 5, QStringLiteral("495")});
    old.appendRecord({101, QDate(2001, 1, 1), QTime(1, 0), 1, 8, 5, QStringLiteral("999")});
    old.first();
    EXPECT_EQ(old.asString(QStringLiteral("Sng")), QStringLiteral("Москва"));
    old.next();
    EXPECT_EQ(old.asString(QStringLiteral("Sng")), QString());

    Table byTrf(t.db(), QStringLiteral("Sng"));
    byTrf.setIndexName(QStringLiteral("TRF"));
    byTrf.open();
    EXPECT_EQ(byTrf.asString(QStringLiteral("KOD")), QStringLiteral("495"));
}

TEST(TableStore, StatementsOverMoreThanTenTableFiles) {
    TempDatabase t;
    QStringList parts;
    for (int day = 1; day <= 14; ++day) {
        TableDef def = schema::desttar();
        def.name = QStringLiteral("D%1").arg(day, 2, 10, QLatin1Char('0'));
        def.fileName.clear();
        t.create(def);
        Query(t.db(),
              QStringLiteral("INSERT INTO %1 (AbNumber) VALUES (%2)").arg(def.name).arg(day))
            .execute();
        parts.append(QStringLiteral("SELECT AbNumber FROM %1").arg(def.name));
    }
    EXPECT_LE(orv::test::attachedTableFiles(t.db()), 10);
    Query all(t.db(), parts.join(QStringLiteral("\nUNION ALL\n")));
    all.open();
    EXPECT_EQ(all.recordCount(), 14);
    qint64 sum = 0;
    for (all.first(); !all.eof(); all.next()) sum += all.asInteger(QStringLiteral("AbNumber"));
    EXPECT_EQ(sum, 14 * 15 / 2);
}

TEST(TableStore, TwelveTablesInOneStatementOnAFreshConnection) {
    TempDatabase t;
    QStringList parts;
    for (int day = 1; day <= 12; ++day) {
        TableDef def = schema::desttar();
        def.name = QStringLiteral("Day%1").arg(day, 2, 10, QLatin1Char('0'));
        def.fileName.clear();
        t.create(def);
        Query(t.db(),
              QStringLiteral("INSERT INTO %1 (AbNumber) VALUES (%2)").arg(def.name).arg(day))
            .execute();
        parts.append(QStringLiteral("SELECT AbNumber FROM %1").arg(def.name));
    }
    // A connection of its own has none of the files attached when the statement comes.
    Database fresh(QStringLiteral("Fresh"), t.path());
    const QString merge = parts.join(QStringLiteral("\nUNION ALL\n"));
    Query all(fresh, merge);
    all.open();
    EXPECT_EQ(all.recordCount(), 12);
    Query copy(fresh, merge);
    EXPECT_EQ(batchMove(copy, QStringLiteral("Merged")), 12);
    Database check(QStringLiteral("Check"), t.path());
    Query sum(check, QStringLiteral("SELECT Sum(AbNumber) S, Count(*) N FROM Merged"));
    sum.open();
    EXPECT_EQ(sum.asInteger(QStringLiteral("S")), 12 * 13 / 2);
    EXPECT_LE(test::attachedTableFiles(fresh), 10);
}

TEST(TableStore, ABusyTableIsWaitedForThenReportedAsLocked) {
    TempDatabase t;
    t.create(schema::desttar());
    sqlite3* collector = nullptr;
    ASSERT_EQ(sqlite3_open(t.file(QStringLiteral("DESTTAR.db")).toUtf8().constData(), &collector),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(collector, "BEGIN EXCLUSIVE; INSERT INTO DESTTAR(AbNumber) VALUES (1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    t.db().connection().setBusyTimeout(50);
    const QString message =
        errorOf([&] { Query(t.db(), QStringLiteral("SELECT * FROM DESTTAR")).open(); });
    EXPECT_TRUE(message.contains(QStringLiteral("table is locked"))) << message.toStdString();
    ASSERT_EQ(sqlite3_exec(collector, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(collector);
    Query after(t.db(), QStringLiteral("SELECT * FROM DESTTAR"));
    after.open();
    EXPECT_EQ(after.recordCount(), 1);
}
