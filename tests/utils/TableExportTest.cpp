// Whole-table work of the table editor on real files: hostile and malformed names refused before
// any statement, clearing, a table copied with its fields and indexes (also when empty, also to
// another folder), a result copied without indexes, a copy onto the source refused.

#include "TestSupport.h"
#include "core/Error.h"
#include "db/Table.h"
#include "utils/TableExport.h"

using namespace orv;

namespace {

class TableExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        in.create(db::schema::paneDate());
        in.create(db::schema::dolgTb());
        db::Table pane(in.db(), QStringLiteral("PaneDate"));
        pane.open();
        pane.appendRecord({101, QStringLiteral("ALL"), QDate(2026, 3, 5), 10.5, 7.25});
        pane.appendRecord({102, QStringLiteral("VECH"), QDate(2026, 3, 6), 0.0, 3.0});
        db::Table debts(in.db(), QStringLiteral("DolgTb"));
        debts.open();
        debts.appendRecord({101, QStringLiteral("ALL")});
    }

    qint64 count(db::Database& db, const QString& table) {
        db::Table t(db, table);
        return t.recordCount();
    }

    test::TempDatabase in;
    test::TempDatabase out;
};

TEST_F(TableExportTest, HostileAndMalformedNamesAreRefused) {
    const char* const existing[] = {"AbTab; DELETE FROM DolgTb", "", "  ", "../DolgTb", "Nope"};
    for (const char* name : existing)
        EXPECT_THROW(utils::clearTable(in.db(), QString::fromUtf8(name)), Error) << name;
    EXPECT_EQ(count(in.db(), QStringLiteral("DolgTb")), 1);

    const char* const refused[] = {
        "AbTab; DELETE FROM DolgTb", "a b", "x\"y", "../x", "1abc", "t.txt", ""};
    for (const char* name : refused)
        EXPECT_THROW(utils::newTableName(QString::fromUtf8(name)), Error) << name;
    EXPECT_EQ(utils::newTableName(QStringLiteral("Итоги_2")), QStringLiteral("Итоги_2"));
    EXPECT_EQ(utils::newTableName(QStringLiteral(" AbCopy.DB ")), QStringLiteral("AbCopy"));
    EXPECT_EQ(utils::existingTable(in.db(), QStringLiteral("panedate.db")),
              QStringLiteral("PaneDate"));
    EXPECT_THROW(utils::copyTable(in.db(), QStringLiteral("PaneDate"), out.db(),
                                  QStringLiteral("X; DROP TABLE PaneDate")),
                 Error);
    EXPECT_FALSE(out.db().tableExists(QStringLiteral("X")));
}

TEST_F(TableExportTest, ClearEmptiesOnlyThatTable) {
    utils::clearTable(in.db(), QStringLiteral("dolgtb"));
    EXPECT_EQ(count(in.db(), QStringLiteral("DolgTb")), 0);
    EXPECT_EQ(count(in.db(), QStringLiteral("PaneDate")), 2);
}

TEST_F(TableExportTest, TableCopyKeepsFieldsIndexesAndValues) {
    EXPECT_EQ(
        utils::copyTable(in.db(), QStringLiteral("PaneDate"), out.db(), QStringLiteral("PaneCopy")),
        2);
    const db::TableDef source = in.db().tableDef(QStringLiteral("PaneDate"));
    const db::TableDef copy = out.db().tableDef(QStringLiteral("PaneCopy"));
    ASSERT_EQ(copy.fields.size(), source.fields.size());
    for (int i = 0; i < copy.fields.size(); ++i) {
        EXPECT_EQ(copy.fields[i].name, source.fields[i].name);
        EXPECT_EQ(copy.fields[i].type, source.fields[i].type);
        EXPECT_EQ(copy.fields[i].size, source.fields[i].size);
    }
    ASSERT_EQ(copy.indexes.size(), 1);
    EXPECT_TRUE(copy.indexes[0].primary);
    db::Query q(out.db(), QStringLiteral("SELECT * FROM PaneCopy ORDER BY AbNumber"));
    q.open();
    EXPECT_EQ(test::rowsOf(q), (QStringList{QStringLiteral("101|ALL|05.03.2026|10.5|7.25"),
                                            QStringLiteral("102|VECH|06.03.2026|0|3")}));
    // The copy refuses what the source refuses: its key and its checks came along.
    db::Table t(out.db(), QStringLiteral("PaneCopy"));
    t.open();
    EXPECT_THROW(t.appendRecord({101, QStringLiteral("ALL")}), Error);
}

TEST_F(TableExportTest, EmptyTableCopyAndReplacement) {
    utils::clearTable(in.db(), QStringLiteral("PaneDate"));
    out.create(db::schema::dolgTb());
    EXPECT_TRUE(utils::targetExists(out.db(), QStringLiteral("dolgtb.db")));
    EXPECT_EQ(
        utils::copyTable(in.db(), QStringLiteral("PaneDate"), out.db(), QStringLiteral("DolgTb")),
        0);
    const db::TableDef replaced = out.db().tableDef(QStringLiteral("DolgTb"));
    EXPECT_EQ(replaced.fields.size(), 5);
    EXPECT_EQ(replaced.indexes.size(), 1);
    EXPECT_EQ(count(out.db(), QStringLiteral("DolgTb")), 0);
}

TEST_F(TableExportTest, CopyOntoItselfIsRefusedAndSameFolderCopyWorks) {
    EXPECT_THROW(
        utils::copyTable(in.db(), QStringLiteral("PaneDate"), in.db(), QStringLiteral("panedate")),
        Error);
    EXPECT_EQ(count(in.db(), QStringLiteral("PaneDate")), 2);
    EXPECT_EQ(utils::copyTable(in.db(), QStringLiteral("PaneDate"), in.db(),
                               QStringLiteral("PaneDate2"), utils::Indexes::Omit),
              2);
    EXPECT_TRUE(in.db().tableDef(QStringLiteral("PaneDate2")).indexes.isEmpty());
}

TEST_F(TableExportTest, ResultCopyHasTheResultsColumnsAndNoIndex) {
    db::Query q(in.db(), QStringLiteral("SELECT AbNumber Номер, Pane * 2 AS Двойная, Date_of_pane "
                                        "FROM PaneDate WHERE Pane > 5"));
    q.open();
    EXPECT_EQ(utils::exportResult(q, out.db(), QStringLiteral("Итог")), 1);
    const db::TableDef def = out.db().tableDef(QStringLiteral("Итог"));
    ASSERT_EQ(def.fields.size(), 3);
    EXPECT_EQ(def.fields[0].name, QStringLiteral("Номер"));
    EXPECT_EQ(def.fields[2].type, db::FieldType::Date);
    EXPECT_TRUE(def.indexes.isEmpty());
    db::Query back(out.db(), QStringLiteral("SELECT * FROM Итог"));
    back.open();
    EXPECT_EQ(test::rowsOf(back), QStringList{QStringLiteral("101|14.5|05.03.2026")});
}

}  // namespace
