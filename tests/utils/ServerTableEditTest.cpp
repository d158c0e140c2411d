// The table editor's model on a table of a server, with a second seat on the same table: rows
// read in windows and edited as in a folder; a row edited twice keeps its place and its edits;
// a row another seat changed or deleted meanwhile is never written over, the edit is refused
// and the table read again; a row another seat's transaction holds refuses the edit without
// hanging and keeps what was typed.

#include "PgServer.h"
#include "TestSupport.h"
#include "core/Error.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/Schema.h"
#include "db/Transaction.h"
#include "utils/TableEditModel.h"

#include <QSignalSpy>

using namespace orv;
using orv::utils::TableEditModel;

namespace {

constexpr int kRows = 600;
const int kFio = 3;

class ServerTableEdit : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_PG_SERVER();
        address_ = test::pgServer().newDatabase(QStringLiteral("standard"));
        seat_ =
            std::make_unique<db::Database>(QStringLiteral("Seat"), test::PgServer::url(address_));
        other_ =
            std::make_unique<db::Database>(QStringLiteral("Other"), test::PgServer::url(address_));
        seat_->createTable(db::schema::abTab());
        db::Transaction fill(*seat_, {});
        db::Statement insert = seat_->statement(
            QStringLiteral("INSERT INTO %1 (AbNumber, Priznak, Exist, FIO) VALUES (?, 'ALL', "
                           "'YES', ?)")
                .arg(seat_->qualified(QStringLiteral("AbTab"))));
        for (int i = 0; i < kRows; ++i) {
            insert.reset();
            insert.bind(1, qint64(1000 + i));
            insert.bind(2, QStringLiteral("Абонент %1").arg(i));
            insert.run();
        }
        fill.commit();
        model_.open(*seat_, QStringLiteral("abtab.db"));
    }

    // The names stored for a number, as the other seat reads them.
    QStringList storedNames(int number) {
        db::Statement read =
            other_->statement(QStringLiteral("SELECT FIO FROM %1 WHERE AbNumber = ? ORDER BY FIO")
                                  .arg(other_->qualified(QStringLiteral("AbTab"))));
        read.bind(1, qint64(number));
        QStringList names;
        while (read.step()) names.append(read.column(0).toString());
        return names;
    }
    void otherSeatRuns(const QString& sql) {
        other_->execute(sql.arg(other_->qualified(QStringLiteral("AbTab"))));
    }
    QString shownName(int row) { return model_.index(row, kFio).data().toString(); }
    // The row that shows the number; the server's stored order moves a row written by another
    // seat, so rows are found by their number after a refresh.
    int rowOf(int number) {
        for (int row = 0; row < model_.rowCount(); ++row)
            if (model_.index(row, 0).data().toString() == QString::number(number)) return row;
        return -1;
    }

    // The refusal of post() (or of the given work), or an empty text when it went through.
    static QString refusalOf(const std::function<void()>& work) {
        try {
            work();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }

    db::ServerAddress address_;
    std::unique_ptr<db::Database> seat_, other_;
    TableEditModel model_;
};

TEST_F(ServerTableEdit, RowsAreReadEditedInsertedAndDeletedAsInAFolder) {
    EXPECT_EQ(model_.tableName(), QStringLiteral("AbTab"));
    ASSERT_EQ(model_.rowCount(), kRows);
    EXPECT_EQ(model_.columnCount(), 7);
    EXPECT_EQ(model_.index(0, 0).data().toString(), QStringLiteral("1000"));
    EXPECT_EQ(shownName(kRows - 1), QStringLiteral("Абонент %1").arg(kRows - 1));
    EXPECT_EQ(model_.index(300, 0).data().toString(), QStringLiteral("1300"));
    EXPECT_EQ(model_.TEST_cachedWindows(), 3);

    // The same row edited twice: the second write finds the row the first one left.
    ASSERT_TRUE(model_.setData(model_.index(300, kFio), QStringLiteral("Петров")));
    EXPECT_EQ(storedNames(1300), QStringList{QStringLiteral("Абонент 300")});
    model_.post();
    EXPECT_EQ(shownName(300), QStringLiteral("Петров"));
    ASSERT_TRUE(model_.setData(model_.index(300, kFio), QStringLiteral("Петров П. П.")));
    model_.post();
    EXPECT_EQ(storedNames(1300), QStringList{QStringLiteral("Петров П. П.")});
    EXPECT_EQ(model_.index(300, 0).data().toString(), QStringLiteral("1300"));

    // Values are checked against the field's type and width before the server sees them.
    QSignalSpy refused(&model_, &TableEditModel::refused);
    EXPECT_FALSE(model_.setData(model_.index(5, 0), QStringLiteral("12a")));
    EXPECT_FALSE(
        model_.setData(model_.index(5, kFio), QStringLiteral("Константинопольский-Задунайский")));
    ASSERT_EQ(refused.size(), 2);
    EXPECT_EQ(refused.at(0).at(0).toString(),
              QStringLiteral("Поле AbNumber: Значение '12a' не является целым числом"));
    EXPECT_EQ(refused.at(1).at(0).toString(),
              QStringLiteral("Поле FIO: значение длиннее 20 символов"));
    model_.cancel();

    const int row = model_.insertRecord();
    ASSERT_TRUE(model_.setData(model_.index(row, 0), QStringLiteral("2345678")));
    ASSERT_TRUE(model_.setData(model_.index(row, kFio), QStringLiteral("Новиков")));
    model_.post();
    EXPECT_EQ(model_.recordCount(), kRows + 1);
    EXPECT_EQ(shownName(row), QStringLiteral("Новиков"));
    ASSERT_TRUE(model_.setData(model_.index(row, kFio), QStringLiteral("Новиков Н.")));
    model_.post();
    EXPECT_EQ(storedNames(2345678), QStringList{QStringLiteral("Новиков Н.")});

    model_.deleteRecord(0);
    EXPECT_EQ(model_.recordCount(), kRows);
    EXPECT_EQ(model_.index(0, 0).data().toString(), QStringLiteral("1001"));
    EXPECT_TRUE(storedNames(1000).isEmpty());
    model_.refresh();
    EXPECT_EQ(model_.recordCount(), kRows);
    EXPECT_EQ(storedNames(2345678), QStringList{QStringLiteral("Новиков Н.")});
}

TEST_F(ServerTableEdit, ARowAnotherSeatChangedOrDeletedIsNeverWrittenOver) {
    const QString gone = QStringLiteral("Запись изменена или удалена на другом рабочем месте");
    EXPECT_EQ(shownName(10), QStringLiteral("Абонент 10"));

    // Changed by the other seat after this one read it.
    otherSeatRuns(QStringLiteral("UPDATE %1 SET FIO = 'Чужая правка' WHERE AbNumber = 1010"));
    ASSERT_TRUE(model_.setData(model_.index(10, kFio), QStringLiteral("Своя правка")));
    const QString edit = refusalOf([&] { model_.post(); });
    EXPECT_TRUE(edit.startsWith(gone)) << edit.toStdString();
    EXPECT_EQ(storedNames(1010), QStringList{QStringLiteral("Чужая правка")});
    EXPECT_EQ(model_.state(), TableEditModel::State::Browse);
    EXPECT_EQ(model_.recordCount(), kRows);
    ASSERT_GE(rowOf(1010), 0);
    EXPECT_EQ(shownName(rowOf(1010)), QStringLiteral("Чужая правка")) << "read again";

    // Changed there, then deleted here.
    otherSeatRuns(QStringLiteral("UPDATE %1 SET FIO = 'Новый владелец' WHERE AbNumber = 1011"));
    const QString removal = refusalOf([&] { model_.deleteRecord(rowOf(1011)); });
    EXPECT_TRUE(removal.startsWith(gone)) << removal.toStdString();
    EXPECT_EQ(storedNames(1011), QStringList{QStringLiteral("Новый владелец")});
    EXPECT_EQ(model_.recordCount(), kRows);

    // Deleted there, then edited here: nothing comes back.
    const int deleted = rowOf(1012);
    otherSeatRuns(QStringLiteral("DELETE FROM %1 WHERE AbNumber = 1012"));
    ASSERT_TRUE(model_.setData(model_.index(deleted, kFio), QStringLiteral("Воскрешённый")));
    const QString lost = refusalOf([&] { model_.post(); });
    EXPECT_TRUE(lost.startsWith(gone)) << lost.toStdString();
    EXPECT_TRUE(storedNames(1012).isEmpty());
    EXPECT_EQ(model_.recordCount(), kRows - 1);

    // An edit after the refusal goes through on the row as read again.
    ASSERT_TRUE(model_.setData(model_.index(rowOf(1010), kFio), QStringLiteral("Своя правка")));
    model_.post();
    EXPECT_EQ(storedNames(1010), QStringList{QStringLiteral("Своя правка")});
}

TEST_F(ServerTableEdit, ARowHeldByAnotherSeatsTransactionRefusesTheEditAndKeepsIt) {
    db::PgConnection holder(address_);
    auto hold = std::make_unique<db::PgTransaction>(holder);
    holder.execute(QStringLiteral("UPDATE abtab SET Exist = 'NO' WHERE AbNumber = 1020"));

    ASSERT_TRUE(model_.setData(model_.index(20, kFio), QStringLiteral("Ждущий")));
    const QString busy = refusalOf([&] { model_.post(); });
    EXPECT_TRUE(busy.startsWith(QStringLiteral("Запись сейчас изменяет другое рабочее место")))
        << busy.toStdString();
    EXPECT_EQ(model_.state(), TableEditModel::State::Edit);
    EXPECT_EQ(shownName(20), QStringLiteral("Ждущий"));
    EXPECT_EQ(storedNames(1020), QStringList{QStringLiteral("Абонент 20")});

    // The holder gives the row up unchanged: the edit typed meanwhile now lands.
    hold.reset();
    model_.post();
    EXPECT_EQ(storedNames(1020), QStringList{QStringLiteral("Ждущий")});
}

TEST_F(ServerTableEdit, ATableRefusalKeepsTheBuffer) {
    seat_->createTable(db::schema::prazdn());
    TableEditModel days;
    days.open(*seat_, QStringLiteral("Prazdn"));
    int row = days.insertRecord();
    ASSERT_TRUE(days.setData(days.index(row, 0), QStringLiteral("08.03.2002")));
    days.post();
    row = days.insertRecord();
    ASSERT_TRUE(days.setData(days.index(row, 0), QStringLiteral("08.03.2002")));
    const QString refusal = refusalOf([&] { days.post(); });
    EXPECT_TRUE(refusal.startsWith(QStringLiteral("Запись с таким ключом уже есть")))
        << refusal.toStdString();
    EXPECT_EQ(days.state(), TableEditModel::State::Insert);
    EXPECT_EQ(days.index(row, 0).data().toString(), QStringLiteral("08.03.2002"));
    ASSERT_TRUE(days.setData(days.index(row, 0), QStringLiteral("09.03.2002")));
    days.post();
    days.refresh();
    ASSERT_EQ(days.recordCount(), 2);
    EXPECT_EQ(days.index(1, 0).data().toString(), QStringLiteral("09.03.2002"));
}

}  // namespace
