// The table editor's model over real table files: windows of rows read as asked for, edits
// refused by the field's type or width without touching the table, posted edits and inserts
// read back, an empty insert dropped, rows appended by another program seen after refresh.

#include "TestSupport.h"
#include "core/Error.h"
#include "db/Table.h"
#include "db/Transaction.h"
#include "utils/TableEditModel.h"

#include <QSignalSpy>

using namespace orv;
using orv::utils::TableEditModel;

namespace {

class TableEditModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        t.create(db::schema::abTab());
        db::Table table(t.db(), QStringLiteral("AbTab"));
        table.open();
        db::Transaction fill(t.db(), {QStringLiteral("AbTab")});
        for (int i = 0; i < 1000; ++i)
            table.appendRecord({1000 + i, QStringLiteral("ALL"), QStringLiteral("YES"),
                                QStringLiteral("Абонент %1").arg(i)});
        fill.commit();
        model.open(t.db(), QStringLiteral("abtab.db"));
    }

    // FIO of the stored row with this number, read through a fresh cursor.
    QString storedName(int number) {
        db::Table table(t.db(), QStringLiteral("AbTab"));
        table.open();
        if (!table.locate(QStringLiteral("AbNumber"), {number})) return QStringLiteral("<none>");
        return table.asString(QStringLiteral("FIO"));
    }

    test::TempDatabase t;
    TableEditModel model;
};

TEST_F(TableEditModelTest, RowsAreReadInWindowsAsTheyAreAsked) {
    EXPECT_EQ(model.tableName(), QStringLiteral("AbTab"));
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.TEST_cachedWindows(), 0);
    EXPECT_EQ(model.index(999, 3).data().toString(), QStringLiteral("Абонент 999"));
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("1000"));
    EXPECT_EQ(model.index(500, 0).data().toString(), QStringLiteral("1500"));
    EXPECT_EQ(model.TEST_cachedWindows(), 3);
    for (int row = 0; row < 1000; row += 10) model.index(row, 0).data();
    EXPECT_LE(model.TEST_cachedWindows(), 16);
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("FIO"));
}

TEST_F(TableEditModelTest, RefusedValuesNameTheFieldAndKeepTheRowInEdit) {
    struct Case {
        int column;
        const char* value;
        const char* message;
    };
    const Case cases[] = {
        {0, "12a", "Поле AbNumber: Значение '12a' не является целым числом"},
        {3, "Константинопольский-Задунайский", "Поле FIO: значение длиннее 20 символов"},
    };
    QSignalSpy refused(&model, &TableEditModel::refused);
    for (const Case& c : cases) {
        EXPECT_FALSE(model.setData(model.index(5, c.column), QString::fromUtf8(c.value)));
        ASSERT_FALSE(refused.isEmpty());
        EXPECT_EQ(refused.takeLast().at(0).toString().toStdString(), c.message);
        EXPECT_EQ(model.state(), TableEditModel::State::Edit);
        EXPECT_EQ(model.editRow(), 5);
    }
    EXPECT_EQ(model.index(5, 0).data().toString(), QStringLiteral("1005"));
    model.post();
    EXPECT_EQ(storedName(1005), QStringLiteral("Абонент 5"));
}

TEST_F(TableEditModelTest, PostedEditIsStoredAndCancelRestores) {
    ASSERT_TRUE(model.setData(model.index(7, 3), QStringLiteral("Петров П. П.")));
    EXPECT_EQ(model.headerData(7, Qt::Vertical).toString(), QStringLiteral("I"));
    EXPECT_EQ(storedName(1007), QStringLiteral("Абонент 7"));  // nothing written before post
    // Editing another row posts the first one.
    ASSERT_TRUE(model.setData(model.index(8, 3), QStringLiteral("Сидоров")));
    EXPECT_EQ(storedName(1007), QStringLiteral("Петров П. П."));
    model.cancel();
    EXPECT_EQ(model.state(), TableEditModel::State::Browse);
    EXPECT_EQ(model.index(8, 3).data().toString(), QStringLiteral("Абонент 8"));
    EXPECT_EQ(storedName(1008), QStringLiteral("Абонент 8"));
}

TEST_F(TableEditModelTest, InsertPostsAtTheEndAndAnEmptyInsertIsDropped) {
    int row = model.insertRecord();
    EXPECT_EQ(row, 1000);
    EXPECT_EQ(model.rowCount(), 1001);
    EXPECT_TRUE(model.insertIsEmpty());
    model.cancel();
    EXPECT_EQ(model.rowCount(), 1000);

    row = model.insertRecord();
    ASSERT_TRUE(model.setData(model.index(row, 0), QStringLiteral("2345678")));
    ASSERT_TRUE(model.setData(model.index(row, 3), QStringLiteral("Новиков")));
    model.post();
    EXPECT_EQ(model.recordCount(), 1001);
    EXPECT_EQ(model.index(1000, 3).data().toString(), QStringLiteral("Новиков"));
    EXPECT_EQ(storedName(2345678), QStringLiteral("Новиков"));
}

TEST_F(TableEditModelTest, ATableRefusalKeepsTheBuffer) {
    t.create(db::schema::prazdn());
    TableEditModel days;
    days.open(t.db(), QStringLiteral("Prazdn"));
    int row = days.insertRecord();
    ASSERT_TRUE(days.setData(days.index(row, 0), QStringLiteral("08.03.2002")));
    days.post();
    row = days.insertRecord();
    ASSERT_TRUE(days.setData(days.index(row, 0), QStringLiteral("08.03.2002")));
    try {
        days.post();
        FAIL() << "a second 08.03.2002 was accepted";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("key violation")))
            << e.message().toStdString();
    }
    EXPECT_EQ(days.state(), TableEditModel::State::Insert);
    EXPECT_EQ(days.index(row, 0).data().toString(), QStringLiteral("08.03.2002"));
    EXPECT_FALSE(days.setData(days.index(row, 0), QStringLiteral("30.02.2002")));
    EXPECT_EQ(days.index(row, 0).data().toString(), QStringLiteral("08.03.2002"));
    days.cancel();
    EXPECT_EQ(days.recordCount(), 1);
}

TEST_F(TableEditModelTest, ADecimalCommaIsReadAsThePoint) {
    t.create(db::schema::desttar());
    TableEditModel calls;
    calls.open(t.db(), QStringLiteral("DESTTAR"));
    const int row = calls.insertRecord();
    const int trf = 8;
    ASSERT_TRUE(calls.setData(calls.index(row, trf), QStringLiteral(" 1,5 ")));
    EXPECT_EQ(calls.index(row, trf).data().toString(), QStringLiteral("1.5"));
    EXPECT_FALSE(calls.setData(calls.index(row, trf), QStringLiteral("1,5,0")));
    EXPECT_EQ(calls.index(row, trf).data().toString(), QStringLiteral("1.5"));
    calls.cancel();
}

TEST_F(TableEditModelTest, DeleteAndRowsOfAnotherProgram) {
    model.deleteRecord(0);
    EXPECT_EQ(model.rowCount(), 999);
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("1001"));
    EXPECT_EQ(storedName(1000), QStringLiteral("<none>"));
    t.raw(QStringLiteral("AbTab.DB"),
          QStringLiteral("INSERT INTO AbTab (AbNumber, FIO) VALUES (7654321, 'Извне')"));
    EXPECT_EQ(model.rowCount(), 999);
    model.refresh();
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_EQ(model.index(999, 3).data().toString(), QStringLiteral("Извне"));
}

TEST_F(TableEditModelTest, ARowAnotherProgramDeletedIsNotWrittenAgain) {
    EXPECT_EQ(model.index(5, 3).data().toString(), QStringLiteral("Абонент 5"));
    t.raw(QStringLiteral("AbTab.DB"),
          QStringLiteral("DELETE FROM AbTab WHERE AbNumber IN (1005, 1006)"));
    ASSERT_TRUE(model.setData(model.index(5, 3), QStringLiteral("Петров")));
    try {
        model.post();
        ADD_FAILURE() << "the edit of a deleted row was reported as saved";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Refused);
        EXPECT_TRUE(e.message().contains(QStringLiteral("изменение не записано")))
            << e.message().toStdString();
    }
    EXPECT_EQ(model.state(), TableEditModel::State::Browse);
    EXPECT_EQ(model.recordCount(), 998) << "the table is read again";
    EXPECT_EQ(model.index(5, 0).data().toString(), QStringLiteral("1007"));
    EXPECT_EQ(storedName(1005), QStringLiteral("<none>"));

    t.raw(QStringLiteral("AbTab.DB"), QStringLiteral("DELETE FROM AbTab WHERE AbNumber = 1007"));
    EXPECT_THROW(model.deleteRecord(5), Error);
    EXPECT_EQ(model.recordCount(), 997);
    EXPECT_EQ(model.index(5, 0).data().toString(), QStringLiteral("1008"));
}

TEST_F(TableEditModelTest, UnknownTableIsRefused) {
    TableEditModel other;
    EXPECT_THROW(other.open(t.db(), QStringLiteral("AbTab; DELETE FROM DolgTb")), Error);
    EXPECT_FALSE(other.isOpen());
}

}  // namespace
