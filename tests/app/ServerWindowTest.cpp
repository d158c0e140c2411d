// The windowed program on an alias on a server, offscreen: it starts; the call views, grouped
// views, debts, payments and the journal show what they show on the same exchange in table
// files; the invoices open their preview; every other command works or refuses with a message,
// and the window goes on.

#include "GuiApplication.h"
#include "PgServer.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "billing/forms/BankImportDialog.h"
#include "billing/forms/RestoreDialog.h"
#include "billing/forms/UnmatchedDialog.h"
#include "db/Aliases.h"
#include "db/Database.h"
#include "db/FolderStore.h"
#include "db/ServerStore.h"
#include "db/Sqlite.h"
#include "utils/AliasCopy.h"
#include "utils/DemoData.h"
#include "utils/ModalHelpers.h"
#include "utils/TableEditModel.h"
#include "utils/forms/ExportDialog.h"
#include "utils/forms/FirstStart.h"
#include "utils/forms/OpenTableDialog.h"
#include "utils/forms/SqlWindow.h"
#include "utils/forms/TableCommands.h"
#include "utils/forms/TableEditor.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using namespace orv;
using namespace orv::test;

namespace {

// While it lives, every window that comes up over the main windows is noted and closed: a
// message box by its default button (its text noted), a dialog rejected, any other window closed.
class WindowCloser {
  public:
    explicit WindowCloser(QList<QWidget*> mainWindows) : mainWindows_(std::move(mainWindows)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { closeOne(); });
        timer_.start(20);
    }

    // What came up since the last call: "message: TEXT" or the window's class name.
    QStringList take() { return std::exchange(seen_, {}); }

  private:
    void closeOne() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || mainWindows_.contains(w)) continue;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                seen_.append(QStringLiteral("message: ") + box->text());
                if (QPushButton* chosen = box->defaultButton())
                    chosen->click();
                else
                    box->accept();
            } else if (auto* dialog = qobject_cast<QDialog*>(w)) {
                seen_.append(QString::fromLatin1(dialog->metaObject()->className()));
                dialog->reject();
            } else {
                seen_.append(QString::fromLatin1(w->metaObject()->className()));
                w->close();
            }
            return;
        }
    }

    QList<QWidget*> mainWindows_;
    QTimer timer_;
    QStringList seen_;
};

class ServerWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_PG_SERVER();
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
        qputenv("ORVANTA_SETTINGS_FILE", home_.filePath(QStringLiteral("s.reg")).toUtf8());
        {
            db::Database files(QStringLiteral("TarifStandard"), files_.path());
            utils::fillDemoData(files, utils::DemoOptions{25, 500, 2, 7}, QDate::currentDate());
        }
        const db::ServerAddress address = pgServer().newDatabase(QStringLiteral("exchange"));
        db::FolderStore from(
            std::make_unique<db::Database>(QStringLiteral("Files"), files_.path()));
        db::ServerStore to(address);
        utils::copyAlias(from, to);

        folderData_ = std::make_unique<app::ProgramData>(aliasesOn(files_.path()));
        serverUrl_ = PgServer::url(address);
        serverData_ = std::make_unique<app::ProgramData>(aliasesOn(serverUrl_));
        folder_ = openWindow(*folderData_);
        server_ = openWindow(*serverData_);
    }
    void TearDown() override {
        server_.reset();
        folder_.reset();
    }

    db::Aliases aliasesOn(const QString& standard) const {
        db::Aliases aliases(home_.filePath(QStringLiteral("aliases.conf")));
        aliases.bindForRun(QLatin1String(db::kStandardAlias), standard);
        aliases.bindForRun(QLatin1String(db::kEverydayAlias), everyday_.path());
        return aliases;
    }

    static std::unique_ptr<app::TForm1> openWindow(app::ProgramData& data) {
        auto window = std::make_unique<app::TForm1>(data);
        app::installSubsystems(*window);
        window->FormShow();
        window->show();
        return window;
    }

    // The rows of the main grid, each as its cells joined by "|".
    static QStringList gridRows(const app::TForm1& window) {
        QStringList rows;
        const QAbstractItemModel* model = window.grid()->model();
        for (int r = 0; model && r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                cells.append(model->index(r, c).data().toString());
            rows.append(cells.join(u'|'));
        }
        return rows;
    }

    // Runs the command in the window; returns what came up over it, then the grid's rows.
    QStringList outcomeOf(app::TForm1& window, ui::Command command) const {
        WindowCloser closer({folder_.get(), server_.get()});
        window.action(command)->trigger();
        QCoreApplication::processEvents();
        return closer.take() + gridRows(window);
    }

    QTemporaryDir home_, files_, everyday_;
    QString serverUrl_;
    std::unique_ptr<app::ProgramData> folderData_, serverData_;  // outlive the windows
    std::unique_ptr<app::TForm1> folder_, server_;
};

TEST_F(ServerWindow, ViewsShowWhatTheyShowOnTableFiles) {
    EXPECT_TRUE(serverData_->tarifStandard().isServer());
    // The status bar names the server as an operator reads it, not as an encoded address.
    QStringList status;
    for (const QLabel* label : server_->findChildren<QLabel*>()) status.append(label->text());
    EXPECT_TRUE(status.filter(QStringLiteral("Данные: сервер PostgreSQL ")).size() == 1)
        << status.join(u'|').toStdString();
    EXPECT_TRUE(status.filter(QStringLiteral("postgresql://")).isEmpty());
    for (ui::Command command :
         {ui::Command::DropAll, ui::Command::DropCity, ui::Command::DropMG, ui::Command::N7,
          ui::Command::DropAllGroup, ui::Command::DropCityGroup, ui::Command::DropMGGroup,
          ui::Command::DropUnbilled, ui::Command::N11, ui::Command::PaneInform,
          ui::Command::NPaymentJournal}) {
        const QStringList here = outcomeOf(*folder_, command);
        const QStringList there = outcomeOf(*server_, command);
        EXPECT_EQ(there, here) << ui::commandName(command).toStdString();
    }
    EXPECT_GT(outcomeOf(*server_, ui::Command::DropAll).size(), 100);
}

TEST_F(ServerWindow, EveryOtherCommandWorksOrRefusesWithAMessage) {
    const QString internal = QStringLiteral("Внутренняя ошибка");
    const QStringList invoices = outcomeOf(*server_, ui::Command::N6);
    EXPECT_TRUE(invoices.contains(QStringLiteral("orv::reports::ReportPreview")))
        << invoices.join(u'\n').toStdString();

    // The trial and the run itself work there as on the table files.
    const QStringList trial = outcomeOf(*server_, ui::Command::NDryRun);
    EXPECT_TRUE(trial.contains(QStringLiteral("orv::billing::TDryRunForm")))
        << trial.join(u'\n').toStdString();
    const QStringList run = outcomeOf(*server_, ui::Command::N3);
    EXPECT_FALSE(run.join(u'\n').contains(QStringLiteral("message:")))
        << run.join(u'\n').toStdString();
    outcomeOf(*folder_, ui::Command::N3);
    EXPECT_EQ(gridRows(*server_), gridRows(*folder_));
    EXPECT_GT(gridRows(*server_).size(), 10);
    const QStringList backups = outcomeOf(*server_, ui::Command::NRestoreBackup);
    EXPECT_TRUE(backups.contains(QStringLiteral("orv::billing::TRestoreForm")))
        << backups.join(u'\n').toStdString();

    for (const ui::CommandInfo& info : ui::commandTable()) {
        if (info.id == ui::Command::ToolButtonExit || info.id == ui::Command::Help) continue;
        const QStringList outcome = outcomeOf(*server_, info.id);
        EXPECT_FALSE(outcome.join(u'\n').contains(internal))
            << info.name << ": " << outcome.join(u'\n').toStdString();
        EXPECT_TRUE(server_->isVisible()) << info.name;
    }
}

TEST_F(ServerWindow, TheRunsSnapshotIsPutBackFromTheWindow) {
    const auto debts = [this] {
        server_->action(ui::Command::N11)->trigger();
        return gridRows(*server_);
    };
    const QStringList before = debts();
    server_->action(ui::Command::N3)->trigger();
    ASSERT_NE(debts(), before);

    QString notice;
    whenModal<billing::TRestoreForm>([&](billing::TRestoreForm* form) {
        whenModal<QMessageBox>([&](QMessageBox* question) {
            whenModal<QMessageBox>([&](QMessageBox* info) {
                notice = info->text();
                info->accept();
            });
            question->button(QMessageBox::Yes)->click();
        });
        form->restoreButton()->click();
    });
    server_->action(ui::Command::NRestoreBackup)->trigger();
    EXPECT_TRUE(notice.startsWith(QStringLiteral("Таблицы восстановлены из копии ")))
        << notice.toStdString();
    EXPECT_EQ(debts(), before);
}

TEST_F(ServerWindow, TheSqlWindowAndTheTableEditorRunOnTheServer) {
    const auto select = [](app::TForm1& window) {
        whenModal<utils::TForm3>([](utils::TForm3* sql) {
            sql->Memo1->setPlainText(QStringLiteral(
                "SELECT AbNumber Номер, Priznak, FIO FROM AbTab ORDER BY AbNumber, Priznak"));
            sql->BitBtn1->click();
        });
        window.action(ui::Command::ToolButtonBrowseSQL)->trigger();
        return gridRows(window);
    };
    const QStringList here = select(*folder_);
    EXPECT_GT(here.size(), 10);
    EXPECT_EQ(select(*server_), here);

    // The editor opens the table there as here, and an edit posted in its grid reaches the server.
    const auto editor = [](app::TForm1& window) {
        auto* commands = window.findChild<utils::TableCommands*>(QStringLiteral("TableCommands"));
        return commands ? commands->Form7() : nullptr;
    };
    const auto editorRows = [&](app::TForm1& window) {
        whenModal<utils::TForm9>([](utils::TForm9* dialog) {
            dialog->Edit1->setText(QStringLiteral("AbTab"));
            dialog->accept();
        });
        editor(window)->ToolButton1->click();
        QStringList rows;
        const QAbstractItemModel* grid = editor(window)->DBGrid1->model();
        for (int r = 0; r < grid->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->columnCount(); ++c)
                cells.append(grid->index(r, c).data().toString());
            rows.append(cells.join(u'|'));
        }
        rows.sort();
        return rows;
    };
    ASSERT_NE(editor(*server_), nullptr);
    const QStringList tableHere = editorRows(*folder_);
    EXPECT_GT(tableHere.size(), 10);
    EXPECT_EQ(editorRows(*server_), tableHere);

    utils::TForm7* form = editor(*server_);
    QAbstractItemModel* grid = form->DBGrid1->model();
    const QString number = grid->index(0, 0).data().toString();
    ASSERT_TRUE(grid->setData(grid->index(0, 3), QStringLiteral("Правка с места")));
    form->DBNavigator1->actions().at(7)->trigger();  // "Запомнить изменения"
    EXPECT_EQ(form->Table1().state(), utils::TableEditModel::State::Browse);
    db::Database seat(QStringLiteral("Seat"), serverUrl_);
    db::Statement read = seat.statement(QStringLiteral("SELECT FIO FROM %1 WHERE AbNumber = ?")
                                            .arg(seat.qualified(QStringLiteral("AbTab"))));
    read.bind(1, number.toLongLong());
    ASSERT_TRUE(read.step());
    EXPECT_EQ(read.column(0).toString(), QStringLiteral("Правка с места"));

    // The table exported into a new table of the server, and that copy cleared.
    // Read by a new session each time, which sees the tables made since.
    const auto rowsIn = [this](const QString& table) {
        db::Database reader(QStringLiteral("Reader"), serverUrl_);
        if (!reader.tableExists(table)) return qint64(-1);
        db::Statement count = reader.statement(
            QStringLiteral("SELECT count(*) FROM %1").arg(reader.qualified(table)));
        count.step();
        return count.columnInt(0);
    };
    whenModal<utils::TForm9>([](utils::TForm9* open) {
        open->Edit1->setText(QStringLiteral("AbTab"));
        whenModal<utils::TForm10>([](utils::TForm10* target) {
            target->Edit1->setText(QStringLiteral("AbCopy"));
            target->accept();
        });
        open->accept();
    });
    form->ToolButton5Click();
    EXPECT_EQ(rowsIn(QStringLiteral("AbCopy")), rowsIn(QStringLiteral("AbTab")));
    form->Form9()->Edit1->setText(QStringLiteral("AbCopy"));
    Answered question;
    answerMessage(QMessageBox::Yes, &question);
    form->ToolButton2Click();
    EXPECT_EQ(question.count, 1);
    EXPECT_EQ(rowsIn(QStringLiteral("AbCopy")), 0);
    EXPECT_GT(rowsIn(QStringLiteral("AbTab")), 10);
    EXPECT_TRUE(server_->isVisible());
}

// The bank statement's windows post a statement and a payment by hand on a server as they do on
// the table files.
TEST_F(ServerWindow, TheBankStatementWindowsPostAsOnTableFiles) {
    const QString ours = QStringLiteral("40702810900000000001");
    const auto account = [](app::TForm1& window) {
        db::Database& db = window.tarifStandard();
        db::Statement first = db.statement(
            QStringLiteral("SELECT AbNumber, Priznak FROM %1 ORDER BY AbNumber, Priznak LIMIT 1")
                .arg(db.qualified(QStringLiteral("AbTab"))));
        first.step();
        const QStringList found = {QString::number(first.columnInt(0)), first.column(1).toString()};
        first.run();
        db::Statement debt = db.statement(
            QStringLiteral("INSERT INTO %1 (AbNumber, Priznak, Dolg, NDS) VALUES (?, ?, 500, 20)")
                .arg(db.qualified(QStringLiteral("DolgTb"))));
        debt.bind(1, found[0].toLongLong());
        debt.bind(2, found[1]);
        debt.run();
        return found;
    };
    const QStringList debtor = account(*folder_);
    ASSERT_EQ(account(*server_), debtor);
    const QString text = QStringLiteral(
        "1CClientBankExchange\nВерсияФормата=1.03\nКодировка=Windows\n"
        "СекцияДокумент=Платежное поручение\nНомер=5\nДата=05.04.2026\nСумма=120.40\n"
        "ПлательщикСчет=40817810000000000123\nПолучательСчет=%1\n"
        "НазначениеПлатежа=Оплата, тел. %2 признак %3\nКонецДокумента\n"
        "СекцияДокумент=Платежное поручение\nНомер=6\nДата=05.04.2026\nСумма=30\n"
        "ПлательщикСчет=40817810000000000123\nПолучательСчет=%1\n"
        "НазначениеПлатежа=Оплата связи\nКонецДокумента\nКонецФайла\n")
                             .arg(ours, debtor[0], debtor[1]);
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("UTF-8"),
                                          QStringLiteral("-t"), QStringLiteral("CP1251")});
    iconv.write(text.toUtf8());
    iconv.closeWriteChannel();
    ASSERT_TRUE(iconv.waitForFinished());
    const QString path = home_.filePath(QStringLiteral("statement.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(iconv.readAllStandardOutput());
    file.close();

    const auto work = [&](app::TForm1& window) {
        QStringList seen;
        billing::TFormBankImport import(window, path, ours);
        seen.append(import.summaryLabel()->text());
        import.ButtonPostClick();
        seen.append(import.summaryLabel()->text());
        for (int row = 0; row < import.grid()->rowCount(); ++row)
            seen.append(import.grid()->item(row, 5)->text());
        billing::TFormUnmatched unmatched(window, ours);
        const QAbstractItemModel* model = unmatched.grid()->model();
        seen.append(QString::number(model->rowCount()));
        unmatched.grid()->setCurrentIndex(model->index(0, 0));
        unmatched.numberEdit()->setText(debtor[0]);
        unmatched.categoryBox()->setCurrentText(debtor[1]);
        unmatched.ButtonPostClick();
        seen.append(unmatched.resultLabel()->text());
        seen.append(QString::number(model->rowCount()));
        return seen;
    };
    const QStringList here = work(*folder_);
    EXPECT_TRUE(here.value(1).startsWith(
        QStringLiteral("Документов 2 на сумму 150.4: проведено 1 на сумму 120.4")))
        << here.join(u'\n').toStdString();
    EXPECT_TRUE(here.value(5).startsWith(QStringLiteral("Оплата записана: к оплате")))
        << here.join(u'\n').toStdString();
    EXPECT_EQ(work(*server_), here);
    EXPECT_EQ(outcomeOf(*server_, ui::Command::PaneInform),
              outcomeOf(*folder_, ui::Command::PaneInform));
}

// A window on an empty server offers the demo exchange and fills it there; the merge picks the
// server's tables from their list and writes the merged table on the server.
TEST_F(ServerWindow, AnEmptyServerIsOfferedTheDemoAndMergesItsTables) {
    const QString empty = PgServer::url(pgServer().newDatabase(QStringLiteral("fresh")));
    db::Aliases aliases(home_.filePath(QStringLiteral("fresh.conf")));
    aliases.bindForRun(QLatin1String(db::kStandardAlias), empty);
    aliases.bindForRun(QLatin1String(db::kEverydayAlias), empty);
    app::ProgramData data(aliases);
    const std::unique_ptr<app::TForm1> window = openWindow(data);
    Answered offer;
    answerMessage(QMessageBox::Yes, &offer);
    EXPECT_TRUE(utils::offerFirstData(*window));
    EXPECT_TRUE(offer.details.startsWith(QStringLiteral("Таблицы на сервере "))) << offer.details.toStdString();
    EXPECT_FALSE(utils::demoTablesEmpty(window->tarifStandard()));
    EXPECT_FALSE(utils::offerFirstData(*window));

    whenModal<QDialog>([](QDialog* dialog) {
        ASSERT_EQ(dialog->objectName(), QStringLiteral("MergeTablesDialog"));
        auto* list = dialog->findChild<QListWidget*>();
        for (const QString& name : {QStringLiteral("Foren"), QStringLiteral("Sng")})
            list->findItems(name, Qt::MatchExactly).value(0)->setSelected(true);
        dialog->accept();
    });
    window->action(ui::Command::N9)->trigger();
    db::Database& everyday = window->tarifEveryday();
    ASSERT_TRUE(everyday.tableExists(QStringLiteral("ForenSng")));
    db::Statement count = everyday.statement(
        QStringLiteral("SELECT (SELECT COUNT(*) FROM %1) - (SELECT COUNT(*) FROM %2) - (SELECT "
                       "COUNT(*) FROM %3)")
            .arg(everyday.qualified(QStringLiteral("ForenSng")),
                 everyday.qualified(QStringLiteral("Foren")),
                 everyday.qualified(QStringLiteral("Sng"))));
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.columnInt(0), 0);
}

}  // namespace
