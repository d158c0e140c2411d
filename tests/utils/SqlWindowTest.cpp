// The SQL window in the real main window, offscreen: files saved and reopened with the caption
// following; "Выполнить" applying a statement exactly once; OK showing a result in the main grid
// with "Всего: N"; "Неправильный набор" with the engine's message on refusals.

#include "GuiApplication.h"
#include "ModalHelpers.h"
#include "app/Subsystems.h"
#include "app/forms/HelpWindow.h"
#include "app/forms/MainWindow.h"
#include "db/Table.h"
#include "utils/forms/SqlWindow.h"
#include "utils/forms/TableCommands.h"
#include "utils/forms/TableEditor.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

using namespace orv;
using namespace orv::test;
using utils::TForm3;

namespace {

class SqlWindowTest : public ::testing::Test {
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
        sql_ = commands_->Form3();
        db::Table debts(window_->tarifStandard(), QStringLiteral("DolgTb"));
        debts.open();
        debts.appendRecord({101, QStringLiteral("ALL")});
        debts.appendRecord({102, QStringLiteral("VECH")});
    }
    void TearDown() override { window_.reset(); }

    // "Запрос" of the main window with the memo set and one of the window's buttons clicked.
    void runSql(const QString& text, QPushButton* TForm3::*button) {
        whenModal<TForm3>([text, button](TForm3* window) {
            window->Memo1->setPlainText(text);
            (window->*button)->click();
        });
        window_->action(ui::Command::ToolButtonBrowseSQL)->trigger();
    }

    qint64 debtCount() {
        return db::Table(window_->tarifStandard(), QStringLiteral("DolgTb")).recordCount();
    }

    QTemporaryDir home_, standard_, everyday_;
    std::unique_ptr<app::ProgramData> data_;  // outlives the window
    std::unique_ptr<app::TForm1> window_;
    utils::TableCommands* commands_ = nullptr;
    TForm3* sql_ = nullptr;
};

TEST_F(SqlWindowTest, FilesSavedAndReopenedWithTheCaption) {
    EXPECT_EQ(sql_->windowTitle(), QStringLiteral("SQL"));
    EXPECT_EQ(sql_->ComboBox1->currentText(), QStringLiteral("OrvantaStandard"));
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("dolg.sql"));
    int asked = 0;
    QString answer = path;
    sql_->setFileChooser([&](QWidget*, bool) {
        ++asked;
        return answer;
    });
    sql_->setLines({QStringLiteral("SELECT * FROM DolgTb"), QStringLiteral("WHERE Dolg > 0")});
    sql_->ToolButton2Click();  // no file yet: asks for a name
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(sql_->windowTitle(), QStringLiteral("SQL dolg.sql"));
    sql_->setLines({QStringLiteral("SELECT AbNumber FROM DolgTb")});
    sql_->ToolButton2Click();  // writes to the same file without asking
    EXPECT_EQ(asked, 1);

    sql_->ToolButton4Click();
    EXPECT_EQ(sql_->windowTitle(), QStringLiteral("SQL"));
    EXPECT_TRUE(sql_->Memo1->toPlainText().isEmpty());
    answer.clear();  // cancelled dialogs change nothing
    sql_->ToolButton1Click();
    sql_->ToolButton2Click();
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(sql_->windowTitle(), QStringLiteral("SQL"));
    answer = path;
    sql_->ToolButton1Click();
    EXPECT_EQ(sql_->lines(), QStringList{QStringLiteral("SELECT AbNumber FROM DolgTb")});
    EXPECT_EQ(sql_->windowTitle(), QStringLiteral("SQL dolg.sql"));
}

TEST_F(SqlWindowTest, ExecuteAppliesTheStatementOnce) {
    runSql(QStringLiteral("INSERT INTO DolgTb (AbNumber, Priznak) VALUES (103, \"ALL\")"),
           &TForm3::BitBtn3);
    EXPECT_EQ(debtCount(), 3);
    EXPECT_EQ(sql_->result(), TForm3::Retry);

    Answered refused;
    answerMessage(QMessageBox::Ok, &refused);
    runSql(QStringLiteral("DELETE FROM NoSuchTable"), &TForm3::BitBtn3);
    EXPECT_EQ(refused.text, QStringLiteral("Неправильный набор"));
    EXPECT_FALSE(refused.details.isEmpty());
    EXPECT_EQ(debtCount(), 3);
}

TEST_F(SqlWindowTest, OkShowsTheResultInTheMainGrid) {
    runSql(QStringLiteral("SELECT AbNumber Номер, Priznak FROM DolgTb ORDER BY AbNumber"),
           &TForm3::BitBtn1);
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceQuery"));
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 2"));
    const QAbstractItemModel* grid = window_->grid()->model();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Номер"));
    EXPECT_EQ(grid->index(1, 1).data().toString(), QStringLiteral("VECH"));

    Answered refused;
    answerMessage(QMessageBox::Ok, &refused);
    runSql(QString(), &TForm3::BitBtn1);
    EXPECT_EQ(refused.text, QStringLiteral("Неправильный набор"));
    EXPECT_TRUE(refused.details.contains(QStringLiteral("пуст"))) << refused.details.toStdString();
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceQuery"));
    EXPECT_EQ(window_->grid()->model()->rowCount(), 0);
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 2"));

    runSql(QStringLiteral("SELECT * FROM DolgTb"), &TForm3::BitBtn2);  // Cancel: nothing runs
    EXPECT_EQ(window_->grid()->model()->rowCount(), 0);
}

TEST_F(SqlWindowTest, EditorQueryShowsItsResultAndCancelEmptiesIt) {
    utils::TForm7* editor = commands_->Form7();
    whenModal<TForm3>([](TForm3* window) {
        window->Memo1->setPlainText(QStringLiteral("SELECT * FROM DolgTb"));
        window->BitBtn1->click();
    });
    editor->ToolButton3Click();
    EXPECT_TRUE(editor->showsQuery());
    EXPECT_EQ(editor->DBGrid1->model()->rowCount(), 2);
    EXPECT_EQ(editor->StaticText2->text(), QStringLiteral("Всего 2"));

    whenModal<TForm3>([](TForm3* window) { window->BitBtn2->click(); });
    editor->ToolButton3Click();
    EXPECT_EQ(editor->DBGrid1->model()->rowCount(), 0);
    editor->ToolButton4Click();
    EXPECT_FALSE(editor->showsQuery());
}

TEST_F(SqlWindowTest, AnAliasThatCannotConnectIsSilent) {
    sql_->ComboBox1->addItem(QStringLiteral("NoSuchAlias"));
    sql_->ComboBox1->setCurrentText(QStringLiteral("NoSuchAlias"));
    sql_->ComboBox1Change();  // no message box: nothing would answer it
    Answered refused;
    answerMessage(QMessageBox::Ok, &refused);
    runSql(QStringLiteral("DELETE FROM DolgTb"), &TForm3::BitBtn3);
    EXPECT_EQ(refused.text, QStringLiteral("Неправильный набор"));
}

TEST_F(SqlWindowTest, HelpOpensThePageOnTheDialect) {
    sql_->findChild<QToolButton*>(QStringLiteral("ToolButton5"))->click();
    auto* help = window_->findChild<app::HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->currentPage(), QUrl(QStringLiteral("qrc:/help/sql.html")));
}

}  // namespace
