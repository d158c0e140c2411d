// The grid model over an open statement: the column formats and alignments, a closed or
// re-opened statement, a column naming no field, and a million rows opened and read at both
// ends without the model reading them all.

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "core/Error.h"
#include "ui/QueryModel.h"

#include <QSignalSpy>
#include <QTableView>

using namespace orv;

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

db::TableDef callsTable() {
    return {QStringLiteral("Calls"),
            {},
            {{QStringLiteral("AbNumber"), db::FieldType::Integer},
             {QStringLiteral("Priznak"), db::FieldType::String, 10},
             {QStringLiteral("Day"), db::FieldType::Date},
             {QStringLiteral("At"), db::FieldType::Time},
             {QStringLiteral("Dolg"), db::FieldType::Float},
             {QStringLiteral("Trf"), db::FieldType::Float}},
            {}};
}

TEST(QueryModel, FormatsEachColumnAsAsked) {
    test::TempDatabase t;
    t.create(callsTable());
    t.raw(QStringLiteral("Calls.db"),
          QStringLiteral("INSERT INTO Calls VALUES (101, 'ALL', '2001-03-05', '07:05:09', "
                         "1234.5, 2.25), (102, NULL, NULL, NULL, NULL, NULL)"));
    db::Query query(t.db(), QStringLiteral("SELECT * FROM Calls ORDER BY AbNumber"));
    query.open();
    ui::QueryModel model(
        query,
        {{QStringLiteral("abnumber"), QStringLiteral("АбНомер")},
         {QStringLiteral("Priznak"), QStringLiteral("Признак"),
          core::ViewColumn::Display::RightText},
         {QStringLiteral("Dolg"), QStringLiteral("К Оплате"), core::ViewColumn::Display::Money},
         {QStringLiteral("Day"), QStringLiteral("Дата"), core::ViewColumn::Display::Date},
         {QStringLiteral("Day"), QStringLiteral("ДатаР"), core::ViewColumn::Display::RightDate},
         {QStringLiteral("At"), QStringLiteral("Время"), core::ViewColumn::Display::Time},
         {QStringLiteral("Trf"), QStringLiteral("Тариф")},
         {QStringLiteral("Priznak"), QStringLiteral("Текст")}},
        kUs);
    ASSERT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 8);
    const struct {
        const char* text;
        Qt::Alignment horizontal;
    } row0[] = {{"101", Qt::AlignRight},        {"ALL", Qt::AlignRight},
                {"$1,234.50", Qt::AlignRight},  {"05.03.2001", Qt::AlignLeft},
                {"05.03.2001", Qt::AlignRight}, {"07:05:09", Qt::AlignLeft},
                {"2.25", Qt::AlignRight},       {"ALL", Qt::AlignLeft}};
    for (int c = 0; c < 8; ++c) {
        SCOPED_TRACE(c);
        const QModelIndex index = model.index(0, c);
        EXPECT_EQ(model.data(index).toString(), QLatin1String(row0[c].text));
        const auto alignment = model.data(index, Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, row0[c].horizontal);
        EXPECT_TRUE(model.data(model.index(1, c)).toString().isEmpty() || c == 0);
    }
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("К Оплате"));
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
}

TEST(QueryModel, FollowsTheStatementThroughCloseReopenAndBadColumns) {
    test::TempDatabase t;
    t.create(callsTable());
    t.raw(QStringLiteral("Calls.db"), QStringLiteral("INSERT INTO Calls (AbNumber) VALUES (1)"));
    db::Query query(t.db(), QStringLiteral("SELECT AbNumber FROM Calls"));
    ui::QueryModel model(query, {{QStringLiteral("AbNumber"), QStringLiteral("АбНомер")}}, kUs);
    ui::QueryModel wrong(query, {{QStringLiteral("NoSuchField"), QStringLiteral("Х")}}, kUs);
    EXPECT_EQ(model.rowCount(), 0);  // not open yet
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    query.open();
    model.refresh();
    EXPECT_EQ(model.rowCount(), 1);
    t.raw(QStringLiteral("Calls.db"), QStringLiteral("INSERT INTO Calls (AbNumber) VALUES (2)"));
    query.close();
    EXPECT_TRUE(model.data(model.index(0, 0)).toString().isEmpty());  // closed, not refreshed
    query.open();
    model.refresh();
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(resets.count(), 2);

    try {
        wrong.refresh();
        ADD_FAILURE() << "refreshed";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Поле NoSuchField не найдено"));
    }
    EXPECT_EQ(wrong.rowCount(), 0);
}

TEST(QueryModel, AMillionRowsOpenAndScrollToTheEnd) {
    test::TempDatabase t;
    t.create(callsTable());
    t.raw(QStringLiteral("Calls.db"),
          QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                         "WHERE i < 1000000) INSERT INTO Calls (AbNumber) SELECT i FROM n"));
    db::Query query(t.db(), QStringLiteral("SELECT AbNumber FROM Calls ORDER BY AbNumber"));
    query.open();
    ui::QueryModel model(query, {{QStringLiteral("AbNumber"), QStringLiteral("АбНомер")}}, kUs);
    ASSERT_EQ(model.rowCount(), 1000000);
    QTableView view;
    view.setModel(&model);
    view.resize(300, 200);
    view.show();
    view.scrollToBottom();
    EXPECT_EQ(model.data(model.index(999999, 0)).toString(), QStringLiteral("1000000"));
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("1"));
    EXPECT_EQ(view.rowAt(view.viewport()->height() - 1) >= 999990, true);
}

}  // namespace
