// The call view commands in the real main window, offscreen: the grid, the status bar and the
// view button after "Городские" and the grouped views, the body of the button repeating the last
// view with the current selection, a bad time shown in a message box, the grid cell click.

#include "CallsTestData.h"
#include "GuiApplication.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "db/Aliases.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

using namespace orv;
using namespace orv::test;

namespace {

class CallViewsGui : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
        createPermanentTables(t);
        addRows(t, QStringLiteral("Sng"), {QStringLiteral("'495', 'Москва'")});
        addRows(t, QStringLiteral("AbTab"),
                {QStringLiteral("101, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'"),
                 QStringLiteral("102, 'BUDG', 'YES', 'Ф', '1', '1', 'ул.'")});
        addRows(t, QStringLiteral("VechTm"), {QStringLiteral("'22:00:00', '07:00:00'")});
        addRows(t, QStringLiteral("TarifCit"),
                {QStringLiteral("'2001-01-01', 'ALL', 1.5"),
                 QStringLiteral("'2001-01-01', 'BUDG', 2")});
        addRows(t, QStringLiteral("Tarif1"), {QStringLiteral("'2001-01-01', 1, 10")});
        addRows(
            t, QStringLiteral("DESTTAR"),
            {call(101, "2001-03-05", "10:00:00", 2, 3), call(102, "2001-03-05", "23:00:00", 1, 1),
             call(101, "2001-03-06", "11:00:00", 4, 9, QStringLiteral("1"),
                  QStringLiteral("'495'"))});
        db::Aliases aliases(home_.filePath(QStringLiteral("aliases.conf")));
        aliases.bindForRun(QLatin1String(db::kStandardAlias), t.path());
        aliases.bindForRun(QLatin1String(db::kEverydayAlias), everyday_.path());
        data_ = std::make_unique<app::ProgramData>(aliases);
        window_ = std::make_unique<app::TForm1>(*data_);
        app::installSubsystems(*window_);
        window_->show();
    }

    template <typename T>
    T* control(const char* name) const {
        T* found = window_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void trigger(ui::Command command) const {
        QAction* action = window_->action(command);
        EXPECT_TRUE(action->isEnabled()) << ui::commandName(command).toStdString();
        action->trigger();
    }

    // The grid's cells, each row its texts joined by "|", and its column titles.
    QStringList gridRows() const {
        QStringList rows;
        const QAbstractItemModel* model = window_->grid()->model();
        if (!model) return rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                cells.append(model->index(r, c).data().toString());
            rows.append(cells.join(QLatin1Char('|')));
        }
        return rows;
    }
    QStringList gridTitles() const {
        QStringList titles;
        const QAbstractItemModel* model = window_->grid()->model();
        for (int c = 0; model && c < model->columnCount(); ++c)
            titles.append(model->headerData(c, Qt::Horizontal).toString());
        return titles;
    }

    QTemporaryDir home_;
    QTemporaryDir everyday_;
    TempDatabase t;
    std::unique_ptr<app::ProgramData> data_;  // outlives the window
    std::unique_ptr<app::TForm1> window_;
};

}  // namespace

TEST_F(CallViewsGui, CityViewShowsItsCallsAndTheButtonBodyRepeatsIt) {
    auto* razg = control<QToolButton>("ToolButtonRazg");
    ASSERT_NE(razg, nullptr);
    trigger(ui::Command::DropCity);
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceCity"));
    EXPECT_EQ(gridTitles(), (QStringList{"АбНомер", "Дата звонка", "Время звонка", "КНС",
                                         "Продолжит", "Наб Номер"}));
    EXPECT_EQ(gridRows(), (QStringList{"101|05.03.2001|10:00:00|3|2|5550000",
                                       "102|05.03.2001|23:00:00|1|1|5550000"}));
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 2"));
    EXPECT_EQ(razg->text(), QStringLiteral("Городские"));
    EXPECT_EQ(razg->toolTip(), QStringLiteral("Городские разговоры"));

    // The grid cell click puts the record's number into panel 1.
    QTableView* grid = window_->grid();
    const QRect second = grid->visualRect(grid->model()->index(1, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(window_->statusText(1), QStringLiteral("2"));

    // A call arrives and the number range is ticked: the body reopens the view with them.
    addRows(t, QStringLiteral("DESTTAR"), {call(103, "2001-03-07", "09:00:00", 1, 7)});
    control<QCheckBox>("CheckBoxByNumber")->setChecked(true);
    control<QLineEdit>("MaskEditNumberFrom")->setText(QStringLiteral("102"));
    QTest::mouseClick(razg, Qt::LeftButton, {}, QPoint(4, razg->height() / 2));
    EXPECT_EQ(gridRows(), (QStringList{"102|05.03.2001|23:00:00|1|1|5550000",
                                       "103|07.03.2001|09:00:00|7|1|5550000"}));
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 2"));
}

TEST_F(CallViewsGui, GroupedViewsIgnoreTheSelectionAndShowMoneyRightAligned) {
    control<QCheckBox>("CheckBoxByNumber")->setChecked(true);
    control<QLineEdit>("MaskEditNumberFrom")->setText(QStringLiteral("102"));
    struct Case {
        ui::Command command;
        const char* caption;
        const char* source;
        int rows;
        const char* cost;
        double firstCost;  // of number 101
    } cases[] = {
        {ui::Command::DropCityGroup, "Городские с групп.", "DataSourceCityGroup3", 2, "ОбщСтГор",
         3},
        {ui::Command::DropMGGroup, "МежГород с групп.", "DataSourceMGGroup3", 1, "ОбщСтМг", 40},
        {ui::Command::DropAllGroup, "Все с групп.", "DataSourceAllGroup", 2, "ОбщСт", 43},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        trigger(c.command);
        EXPECT_EQ(window_->gridDataSource(), QLatin1String(c.source));
        EXPECT_EQ(control<QToolButton>("ToolButtonRazg")->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(gridTitles(), (QStringList{"Номер", "Признак", "КолЗвонков", "ОбщПродсть",
                                             QString::fromUtf8(c.cost)}));
        EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: %1").arg(c.rows));
        const QAbstractItemModel* model = window_->grid()->model();
        ASSERT_EQ(model->rowCount(), c.rows);
        for (int column : {1, 4}) {
            const auto alignment =
                Qt::Alignment(model->index(0, column).data(Qt::TextAlignmentRole).toInt());
            EXPECT_TRUE(alignment & Qt::AlignRight) << column;
        }
        EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("101"));
        EXPECT_EQ(model->index(0, 4).data().toString(), QLocale().toCurrencyString(c.firstCost));
    }
}

TEST_F(CallViewsGui, LongDistanceViewsShowTheLookupsAndABadTimeOpensNothing) {
    trigger(ui::Command::DropMG);
    EXPECT_EQ(gridTitles().mid(6),
              (QStringList{"Тариф", "Код МГ", "Код МН", "СНГ", "Другие страны"}));
    EXPECT_EQ(gridRows(), QStringList{"101|06.03.2001|11:00:00|9|4|5550000|1|495||Москва|"});
    trigger(ui::Command::N7);
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceOldMG"));
    EXPECT_TRUE(gridRows().isEmpty());
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 0"));

    control<QCheckBox>("CheckBoxByTime")->setChecked(true);
    control<QLineEdit>("MaskEditTF")->setText(QStringLiteral("  :  "));
    QString message;
    closeNextMessage(&message);
    trigger(ui::Command::DropAll);
    EXPECT_TRUE(message.contains(QStringLiteral("не время ЧЧ:ММ:СС"))) << message.toStdString();
    EXPECT_EQ(control<QToolButton>("ToolButtonRazg")->text(), QStringLiteral("Все"));
    EXPECT_TRUE(window_->gridDataSource().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The window stays usable.
    control<QCheckBox>("CheckBoxByTime")->setChecked(false);
    trigger(ui::Command::DropAll);
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 3"));
}
