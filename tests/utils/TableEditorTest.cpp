// The table editor in the real main window, offscreen: a subscriber's name typed into the grid,
// posted by leaving the row, seen again after reopening; a refused value; the questions of
// "Очистить", "Закрыть" and of an export onto an existing table; alias rebinding; hostile names.

#include "GuiApplication.h"
#include "ModalHelpers.h"
#include "TestSupport.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "core/Error.h"
#include "db/Table.h"
#include "utils/TableEditModel.h"
#include "utils/forms/ExportDialog.h"
#include "utils/forms/OpenTableDialog.h"
#include "utils/forms/TableCommands.h"
#include "utils/forms/TableEditor.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>

using namespace orv;
using namespace orv::test;
using utils::TableEditModel;

namespace {

// Key presses carrying the characters of text, Cyrillic included (QTest::keyClicks knows only
// ASCII).
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

class TableEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
        qputenv("ORVANTA_SETTINGS_FILE", home_.filePath(QStringLiteral("s.reg")).toUtf8());
        db::Aliases aliases(home_.filePath(QStringLiteral("aliases.conf")));
        aliases.bindForRun(QLatin1String(db::kStandardAlias), standard_.path());
        aliases.bindForRun(QLatin1String(db::kEverydayAlias), everyday_.path());
        data_ = std::make_unique<app::ProgramData>(aliases);
        window_ = std::make_unique<app::TForm1>(*data_);
        app::installSubsystems(*window_);
        window_->FormShow();
        commands_ = window_->findChild<utils::TableCommands*>(QStringLiteral("TableCommands"));
        ASSERT_NE(commands_, nullptr);
        editor_ = commands_->Form7();
        editor_->show();
        QApplication::setActiveWindow(editor_);
        db::Table abTab(window_->tarifStandard(), QStringLiteral("AbTab"));
        abTab.open();
        for (int n : {101, 102, 103})
            abTab.appendRecord({n, QStringLiteral("ALL"), QStringLiteral("YES")});
        db::Table debts(window_->tarifStandard(), QStringLiteral("DolgTb"));
        debts.open();
        debts.appendRecord({101, QStringLiteral("ALL")});
    }
    void TearDown() override { window_.reset(); }

    // "Открыть" with the table name typed into TForm9.
    void openTable(const QString& name) {
        whenModal<utils::TForm9>([name](utils::TForm9* dialog) {
            dialog->Edit1->setText(name);
            dialog->accept();
        });
        editor_->ToolButton1Click();
    }

    // Types text into a cell the way an operator does: the first key opens the cell's editor;
    // returns the editor, still open.
    QWidget* typeInto(int row, int column, const QString& text) {
        QTableView* grid = editor_->DBGrid1;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(row, column));
        typeText(grid, text.left(1));
        QWidget* cell = openCell();
        EXPECT_NE(cell, nullptr);
        if (cell) typeText(cell, text.mid(1));
        return cell ? cell : grid;
    }

    // The grid's open cell editor, nullptr when none is open.
    QLineEdit* openCell() const {
        for (QLineEdit* cell : editor_->DBGrid1->viewport()->findChildren<QLineEdit*>())
            if (cell->isVisible()) return cell;
        return nullptr;
    }

    qint64 debtCount() {
        return db::Table(window_->tarifStandard(), QStringLiteral("DolgTb")).recordCount();
    }

    QTemporaryDir home_, standard_, everyday_;
    std::unique_ptr<app::ProgramData> data_;  // outlives the window
    std::unique_ptr<app::TForm1> window_;
    utils::TableCommands* commands_ = nullptr;
    utils::TForm7* editor_ = nullptr;
};

TEST_F(TableEditorTest, ToolBarNavigatorAndCommands) {
    EXPECT_TRUE(window_->action(ui::Command::N1)->isEnabled());
    EXPECT_TRUE(window_->action(ui::Command::ToolButtonBrowseSQL)->isEnabled());
    EXPECT_EQ(editor_->windowTitle(), QStringLiteral("Редактор таблиц"));
    const QStringList hints = {"Открыть таблицу",           "Очистить таблицу",
                               "Выполнить Запрос SQL",      "Экспорт таблицы",
                               "Экспорт результата в окне", "Закрыть таблицу"};
    const QList<QToolButton*> tools = {editor_->ToolButton1, editor_->ToolButton2,
                                       editor_->ToolButton3, editor_->ToolButton5,
                                       editor_->ToolButton6, editor_->ToolButton4};
    for (int i = 0; i < tools.size(); ++i) EXPECT_EQ(tools[i]->toolTip(), hints[i]);
    QStringList tips;
    for (QAction* a : editor_->DBNavigator1->actions()) tips.append(a->toolTip());
    EXPECT_EQ(tips, (QStringList{"Первая запись", "Предыдущая запись", "Следующая запись",
                                 "Последняя запись", "Вставить запись", "Удалить запись",
                                 "Редактировать запись", "Запомнить изменения", "Отменить изменеия",
                                 "Освежить данные"}));
    // The alias selectors were filled at FormShow.
    EXPECT_EQ(editor_->Form9()->ComboBox1->currentText(), QStringLiteral("OrvantaStandard"));
    EXPECT_EQ(editor_->Form10()->ComboBox1->count(), 2);
}

TEST_F(TableEditorTest, TypedNameIsPostedAndSeenAfterReopening) {
    openTable(QStringLiteral("abtab"));
    EXPECT_EQ(editor_->StaticText2->text(), QStringLiteral("Всего 3"));
    QTableView* grid = editor_->DBGrid1;
    QTest::keyClick(typeInto(1, 3, QStringLiteral("Иванов")), Qt::Key_Tab);
    EXPECT_EQ(editor_->Table1().state(), TableEditModel::State::Edit);
    EXPECT_EQ(grid->currentIndex().column(), 4);  // Tab went on to the next cell
    ASSERT_NE(openCell(), nullptr);
    QTest::keyClick(openCell(), Qt::Key_Escape);
    QTest::keyClick(grid, Qt::Key_Down);  // leaving the row posts it
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(editor_->Table1().state(), TableEditModel::State::Browse);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(2, 0)).center());
    EXPECT_EQ(editor_->StaticText1->text(), QStringLiteral("3 из 3"));

    editor_->ToolButton4Click();
    EXPECT_TRUE(editor_->StaticText2->text().isEmpty());
    openTable(QStringLiteral("AbTab"));
    EXPECT_EQ(grid->model()->index(1, 3).data().toString(), QStringLiteral("Иванов"));
}

// The row's record is deleted by another program while it is typed into: leaving the row shows
// the refusal and the table as it is now, and writes nothing.
TEST_F(TableEditorTest, LeavingARowAnotherProgramDeletedShowsTheTableAsItIs) {
    openTable(QStringLiteral("AbTab"));
    QTableView* grid = editor_->DBGrid1;
    QTest::keyClick(typeInto(1, 3, QStringLiteral("Иванов")), Qt::Key_Tab);
    ASSERT_NE(openCell(), nullptr);
    QTest::keyClick(openCell(), Qt::Key_Escape);
    EXPECT_EQ(editor_->Table1().state(), TableEditModel::State::Edit);
    {
        db::Table abTab(window_->tarifStandard(), QStringLiteral("AbTab"));
        abTab.open();
        ASSERT_TRUE(abTab.locate(QStringLiteral("AbNumber"), {102}));
        abTab.deleteRecord();
    }
    Answered error;
    answerMessage(QMessageBox::Ok, &error);
    QTest::keyClick(grid, Qt::Key_Down);
    QTRY_COMPARE(error.count, 1);
    EXPECT_TRUE(error.text.contains(QStringLiteral("изменение не записано")))
        << error.text.toStdString();
    EXPECT_EQ(editor_->Table1().state(), TableEditModel::State::Browse);
    ASSERT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), QStringLiteral("103"));
    EXPECT_TRUE(grid->model()->index(1, 3).data().toString().isEmpty());
    EXPECT_TRUE(editor_->isVisible());
}

TEST_F(TableEditorTest, RefusedValueIsShownAndTheRowStaysInEdit) {
    openTable(QStringLiteral("AbTab"));
    QTableView* grid = editor_->DBGrid1;
    Answered warning;
    answerMessage(QMessageBox::Ok, &warning);
    QTest::keyClick(typeInto(0, 0, QStringLiteral("12a")), Qt::Key_Return);
    QTRY_COMPARE(warning.count, 1);
    EXPECT_TRUE(warning.text.contains(QStringLiteral("AbNumber"))) << warning.text.toStdString();
    EXPECT_EQ(editor_->Table1().state(), TableEditModel::State::Edit);
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("101"));
}

TEST_F(TableEditorTest, EmptyInsertIsDroppedAndCloseOffersToSave) {
    openTable(QStringLiteral("AbTab"));
    QTableView* grid = editor_->DBGrid1;
    editor_->DBNavigator1->actions().at(4)->trigger();  // "Вставить запись"
    EXPECT_EQ(grid->model()->rowCount(), 4);
    grid->setCurrentIndex(grid->model()->index(0, 3));
    EXPECT_EQ(grid->model()->rowCount(), 3);

    ASSERT_TRUE(grid->model()->setData(grid->model()->index(0, 3), QStringLiteral("Петров")));
    Answered question;
    answerMessage(QMessageBox::Yes, &question);
    editor_->ToolButton4Click();
    EXPECT_EQ(question.text, QStringLiteral("Сохранить изменения"));
    openTable(QStringLiteral("AbTab"));
    EXPECT_EQ(grid->model()->index(0, 3).data().toString(), QStringLiteral("Петров"));
}

TEST_F(TableEditorTest, ClearAsksAndRefusesHostileNames) {
    openTable(QStringLiteral("DolgTb"));
    Answered question;
    answerMessage(QMessageBox::No, &question);
    editor_->ToolButton2Click();
    EXPECT_EQ(question.text, QStringLiteral("Вы действительно хотите очистить таблицу"));
    EXPECT_EQ(debtCount(), 1);
    EXPECT_EQ(editor_->DBGrid1->model()->rowCount(), 1);

    editor_->Form9()->Edit1->setText(QStringLiteral("AbTab; DELETE FROM DolgTb"));
    answerMessage(QMessageBox::Yes, &question);
    EXPECT_THROW(editor_->ToolButton2Click(), Error);
    EXPECT_EQ(debtCount(), 1);

    editor_->Form9()->Edit1->setText(QStringLiteral("DolgTb"));
    answerMessage(QMessageBox::Yes, &question);
    editor_->ToolButton2Click();
    EXPECT_EQ(debtCount(), 0);
    EXPECT_EQ(editor_->StaticText2->text(), QStringLiteral("Всего 0"));
}

TEST_F(TableEditorTest, ExportOntoAnExistingTableAsksFirst) {
    auto exportPaneDate = [this](QMessageBox::StandardButton answer, Answered* asked) {
        whenModal<utils::TForm9>([this, answer, asked](utils::TForm9* open) {
            open->Edit1->setText(QStringLiteral("PaneDate"));
            whenModal<utils::TForm10>([answer, asked](utils::TForm10* target) {
                target->Edit1->setText(QStringLiteral("dolgtb"));
                answerMessage(answer, asked);
                target->accept();
            });
            open->accept();
        });
        editor_->ToolButton5Click();
    };
    Answered asked;
    exportPaneDate(QMessageBox::No, &asked);
    EXPECT_EQ(asked.text, QStringLiteral("Таблица dolgtb уже существует. Заменить?"));
    EXPECT_EQ(debtCount(), 1);
    exportPaneDate(QMessageBox::Yes, &asked);
    EXPECT_EQ(asked.count, 2);
    EXPECT_EQ(debtCount(), 0);
    EXPECT_EQ(window_->tarifStandard().fields(QStringLiteral("DolgTb")).size(), 5);
    EXPECT_EQ(editor_->Table1().tableName(), QStringLiteral("PaneDate"));
}

TEST_F(TableEditorTest, AliasSelectorRebindsAtOnceEvenWhenCancelled) {
    openTable(QStringLiteral("AbTab"));
    window_->tarifEveryday().createTable(db::schema::prazdn());
    whenModal<utils::TForm9>([](utils::TForm9* dialog) {
        dialog->ComboBox1->setCurrentText(QStringLiteral("OrvantaEveryday"));
        dialog->ComboBox1Change();
        EXPECT_EQ(dialog->listedTables(), QStringList{QStringLiteral("Prazdn")});
        EXPECT_EQ(dialog->LocalView->count(), 1);
        dialog->LocalViewClick(dialog->LocalView->item(0));
        EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("Prazdn"));
        dialog->reject();
    });
    editor_->ToolButton1Click();
    EXPECT_EQ(editor_->aliasIn(), QStringLiteral("OrvantaEveryday"));
    EXPECT_EQ(QDir(editor_->DatabaseIn().folder()).canonicalPath(),
              QDir(everyday_.path()).canonicalPath());
    EXPECT_FALSE(editor_->Table1().isOpen());  // opening the dialog closed the grid's table
    EXPECT_EQ(editor_->aliasOut(), QStringLiteral("OrvantaStandard"));
}

}  // namespace
