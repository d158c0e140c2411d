// The main window offscreen on an empty alias folder: the start-up tables, the command table,
// the status bar after FormShow, the VAT read at start and a damaged settings value, the
// selection panel under a foreign locale, the view button, the grid binding, F1 help and the
// order in which the window closes the databases.

#include "GuiTestSupport.h"
#include "app/forms/HelpWindow.h"
#include "core/Error.h"
#include "core/Selection.h"
#include "core/SettingsStore.h"
#include "db/Query.h"
#include "db/Schema.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest/QTest>

using namespace orv;

namespace {

class MainWindowTest : public test::WindowTest {};

QString stripped(QString text) { return text.remove(QLatin1Char('&')); }

TEST_F(MainWindowTest, EmptyFolderGetsTheEightStartupTablesAndNoOtherTable) {
    auto window = makeWindow();
    QStringList expected;
    for (const db::TableDef& def : db::schema::startupTables()) {
        EXPECT_TRUE(window->tarifStandard().tableExists(def.name)) << def.name.toStdString();
        expected.append(def.name);
    }
    EXPECT_EQ(expected.size(), 8);
    EXPECT_EQ(window->tarifStandard().tableNames().size(), 8);
    EXPECT_TRUE(window->tarifEveryday().tableNames().isEmpty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Тарификация Orvanta"));
}

TEST_F(MainWindowTest, UnreachableAliasFolderEndsStartUpWithTheEngineMessage) {
    db::Aliases a = aliases();
    ASSERT_TRUE(QDir(path("standard")).removeRecursively());
    try {
        app::ProgramData data(a);
        app::TForm1 window(data);
        FAIL() << "the window was built";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(path("standard"))) << e.message().toStdString();
    }
}

// Every command of the window: component name, caption (mnemonic removed), hint.
struct CommandCase {
    const char* name;
    const char* caption;
    const char* hint;  // nullptr: none
};

const CommandCase kActions[] = {
    {"ToolButtonRazg", "Разговоры", "Все разговоры"},
    {"DropAll", "Все", "Все разговоры"},
    {"DropCity", "Городские", "Городские разговоры"},
    {"DropMG", "Междугородние", "Междугородние и Международные разговоры"},
    {"DropAllGroup", "Все с групп.", "Все разговоры с группировкой по номеру и тарификацией"},
    {"DropCityGroup", "Городские с групп.",
     "Городские разговоры с группировкой по номеру и тарификацией"},
    {"DropMGGroup", "МежГор с групп.",
     "Междугородние и Международные разговоры с группировкой по номеру и тарификацией"},
    {"N7", "Устаревшие МежГор.", nullptr},
    {"N1", "Редактор Таблиц", nullptr},
    {"N2", "Заполнение Абон.Таблицы", nullptr},
    {"N4", "Заполнение Праздн-Вых Таблицы", nullptr},
    {"N8", "Восстановление таблиц", nullptr},
    {"N9", "Слияние таблиц", nullptr},
    {"N78791", "Используемые списки", nullptr},
    {"N13", "Редактор списков", nullptr},
    {"N3", "Расчет долга на 1-е число текущего месяца", nullptr},
    {"N11", "Показ долгов на 1-е число текущего месяца", nullptr},
    {"PaneInform", "Показ информации проплат", nullptr},
    {"ToolButtonRaschet", "Расчет", "Расчет с потребителем за услуги связи"},
    {"N6", "Печать счетов за услуги электросвязи", nullptr},
    {"PrintWindow", "Печать содержимого окна отображения", nullptr},
    {"ToolButtonBrowseSQL", "Запрос", "Только для специалистов"},
    {"ToolButtonSettings", "Настройки", "Настройки"},
    {"Help", "Помощь", "Вызов справки"},
    {"ToolButtonExit", "Выход", "Выход из программы"},
};

const CommandCase kButtons[] = {
    {"ToolButtonRazg", "Разговоры", "Все разговоры"},
    {"ToolButtonUtils", "Утилиты", "Утилиты"},
    {"ToolButtonDolg", "Долг", "Работа с долгами"},
    {"ToolButtonRaschet", "Расчет", "Расчет с потребителем за услуги связи"},
    {"ToolButtonReport", "Печать", "Печать"},
    {"ToolButtonBrowseSQL", "Запрос", "Только для специалистов"},
    {"ToolButtonSettings", "Настройки", "Настройки"},
    {"Help", "Помощь", "Вызов справки"},
    {"ToolButtonExit", "Выход", "Выход из программы"},
};

TEST_F(MainWindowTest, CommandTableHasEveryCommandWithItsCaptionAndHint) {
    auto window = makeWindow();
    for (const CommandCase& c : kActions) {
        SCOPED_TRACE(c.name);
        QAction* action = window->findChild<QAction*>(QLatin1String(c.name));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(stripped(action->text()), QString::fromUtf8(c.caption));
        if (c.hint) {
            EXPECT_EQ(action->toolTip(), QString::fromUtf8(c.hint));
        }
    }

    for (const CommandCase& c : kButtons) {
        SCOPED_TRACE(c.name);
        auto* button = window->findChild<QToolButton*>(QLatin1String(c.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(stripped(button->text()), QString::fromUtf8(c.caption));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(c.hint));
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextOnly);
        EXPECT_TRUE(button->autoRaise());
    }
    const char* bar1[] = {"ToolButtonRazg", "ToolButtonUtils", "ToolButtonDolg",
                          "ToolButtonRaschet"};
    const char* bar2[] = {"ToolButtonReport", "ToolButtonBrowseSQL", "ToolButtonSettings", "Help",
                          "ToolButtonExit"};
    for (const char* name : bar1)
        EXPECT_EQ(window->findChild<QToolButton*>(QLatin1String(name))->parent()->objectName(),
                  QStringLiteral("ToolBar1"));
    for (const char* name : bar2)
        EXPECT_EQ(window->findChild<QToolButton*>(QLatin1String(name))->parent()->objectName(),
                  QStringLiteral("ToolBar2"));

    // Without the subsystems only the window's own commands are connected.
    using enum ui::Command;
    EXPECT_EQ(test::connectedCommands(*window),
              (QList<ui::Command>{ToolButtonRazg, ToolButtonSettings, Help, ToolButtonExit}));
}

// The items of each drop-down menu, in order; a submenu is listed by its object name.
TEST_F(MainWindowTest, DropDownMenusHoldTheirItemsInOrder) {
    auto window = makeWindow();
    const struct {
        const char* button;
        QStringList items;
    } menus[] = {
        {"ToolButtonRazg",
         {"DropAll", "DropCity", "DropMG", "DropAllGroup", "DropCityGroup", "DropMGGroup", "N7",
          "DropUnbilled", "NCallArchive"}},
        {"ToolButtonUtils", {"N1", "N2", "N4", "N8", "N9", "N12", "NRestoreBackup", "NImportCdr"}},
        {"ToolButtonDolg", {"N3", "N11", "PaneInform", "NPaymentJournal", "NDryRun"}},
        {"ToolButtonReport", {"N6", "PrintWindow", "NSaveXlsx", "NCallStatement"}},
        {"ToolButtonRaschet", {"NBankStatement", "NUnmatchedPayments"}},
    };
    for (const auto& m : menus) {
        QMenu* menu = window->findChild<QToolButton*>(QLatin1String(m.button))->menu();
        ASSERT_NE(menu, nullptr) << m.button;
        QStringList names;
        for (QAction* a : menu->actions())
            names.append(a->menu() ? a->menu()->objectName() : a->objectName());
        EXPECT_EQ(names, m.items) << m.button;
    }
    auto* lists = window->findChild<QMenu*>(QStringLiteral("N12"));
    EXPECT_EQ(stripped(lists->title()), QStringLiteral("Работа со списками"));
    QStringList listItems;
    for (QAction* a : lists->actions()) listItems.append(a->objectName());
    EXPECT_EQ(listItems, (QStringList{"N78791", "N13"}));
    // The view menu is also the grid's context menu.
    EXPECT_EQ(window->grid()->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(window->findChild<QToolButton*>(QStringLiteral("ToolButtonRazg"))->menu(),
              window->findChild<QMenu*>(QStringLiteral("PopupMenuRazg")));
}

TEST_F(MainWindowTest, FormShowFillsUserAndVersionPanels) {
    auto window = makeWindow();
    window->FormShow();
    const QString user = window->statusText(2);
    ASSERT_TRUE(user.startsWith(QStringLiteral("Пользователь: ")));
    const QString name = user.mid(QStringLiteral("Пользователь: ").size());
    EXPECT_FALSE(name.isEmpty());
    EXPECT_LE(name.size(), 29);
    EXPECT_EQ(window->statusText(3), QStringLiteral("Версия: " ORVANTA_VERSION));
    EXPECT_EQ(window->startDirectory(), QDir::currentPath());
    EXPECT_TRUE(window->listNumbers().isEmpty());
    // The splash is gone once the window is shown.
    EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("Form6")), nullptr);

    const int widths[] = {100, 100, 300, 100};
    for (int i = 0; i < 4; ++i) {
        auto* panel = window->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->width(), widths[i]);
    }
}

TEST_F(MainWindowTest, VatAtStartComesFromTheStoreWithItsDefaults) {
    {
        auto window = makeWindow();
        window->FormShow();
        EXPECT_TRUE(window->vat().useNds);
        EXPECT_EQ(window->vat().ndsPercent, 20.0);
        EXPECT_FALSE(QFile::exists(settingsFile()));
    }
    core::SettingsStore store(settingsFile());
    store.writeBool(QStringLiteral("НДС"), QStringLiteral("Использовать"), false);
    store.writeFloat(QStringLiteral("НДС"), QStringLiteral("Процент"), 12.5);
    auto window = makeWindow();
    window->FormShow();
    EXPECT_FALSE(window->vat().useNds);
    EXPECT_EQ(window->vat().ndsPercent, 12.5);
}

TEST_F(MainWindowTest, DamagedSettingsValueEndsFormShowWithItsMessage) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"\"Процент\"=\"20\"", "Invalid data type for 'Процент'"},
        {"\"Процент\"=hex:00,00,00,00,00,00,34,40,00", "Failed to get data for 'Процент'"},
        {"\"Использовать\"=hex:01", "Invalid data type for 'Использовать'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        QFile file(settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("Windows Registry Editor Version 5.00\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Orvanta\\НДС]\n%1\n")
                       .arg(QString::fromUtf8(c.line))
                       .toUtf8());
        file.close();
        auto window = makeWindow();
        try {
            window->FormShow();
            ADD_FAILURE() << "FormShow succeeded";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
    }
}

// What the operator types into the panel, read back under a locale whose own date format is
// month first.
TEST_F(MainWindowTest, SelectionPanelGivesTheTypedTextsWhateverTheLocale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    auto window = makeWindow();
    window->show();
    const struct {
        const char* edit;
        const char* typed;
        QString core::SelectionPanel::*field;
        const char* raw;
    } cases[] = {
        {"MaskEditDF", "05032001", &core::SelectionPanel::dateFrom, "05.03.2001"},
        {"MaskEditDT", "", &core::SelectionPanel::dateTo, "  .  .    "},
        {"MaskEditTF", "2200", &core::SelectionPanel::timeFrom, "22:00"},
        {"MaskEditTT", "6", &core::SelectionPanel::timeTo, "6 :  "},
        {"MaskEditNumberFrom", "1234", &core::SelectionPanel::numberFrom, "1234   "},
        {"MaskEditNumberTo", "", &core::SelectionPanel::numberTo, "       "},
    };
    for (const auto& c : cases) {
        auto* edit = window->findChild<QLineEdit*>(QLatin1String(c.edit));
        ASSERT_NE(edit, nullptr) << c.edit;
        edit->setFocus();
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, QLatin1String(c.typed));
    }
    QTest::mouseClick(window->findChild<QCheckBox*>(QStringLiteral("CheckBoxByDate")),
                      Qt::LeftButton);
    const core::SelectionPanel s = window->selection();
    for (const auto& c : cases) EXPECT_EQ(s.*(c.field), QLatin1String(c.raw)) << c.edit;
    EXPECT_TRUE(s.byDate);
    EXPECT_FALSE(s.byTime);
    EXPECT_FALSE(s.byNumber);
    EXPECT_FALSE(s.byList);
    EXPECT_EQ(core::dateFromText(s.dateFrom), QDate(2001, 3, 5));
    EXPECT_EQ(core::timeFromText(s.timeFrom), QTime(22, 0));
    QLocale::setDefault(QLocale::c());
}

TEST_F(MainWindowTest, TabWalksTheSelectionPanelTopToBottom) {
    auto window = makeWindow();
    window->show();
    QApplication::setActiveWindow(window.get());
    auto* first = window->findChild<QWidget*>(QStringLiteral("CheckBoxByDate"));
    first->setFocus();
    QStringList visited{first->objectName()};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(visited,
              (QStringList{"CheckBoxByDate", "MaskEditDF", "MaskEditDT", "CheckBoxByTime",
                           "MaskEditTF", "MaskEditTT", "CheckBoxByNumber", "MaskEditNumberFrom"}));
}

TEST(SelectionTexts, DatesAndTimesReadInTheProgramsFormatOnly) {
    const struct {
        const char* text;
        QDate date;  // invalid: refused
    } dates[] = {
        {"05.03.2001", QDate(2001, 3, 5)},
        {" 5. 3.2001", QDate(2001, 3, 5)},
        {"29.02.2000", QDate(2000, 2, 29)},
        {"29.02.2001", QDate()},
        {"  .  .    ", QDate()},
        {"03/05/2001", QDate()},
        {"05.03.01  ", QDate()},
        {"32.01.2001", QDate()},
    };
    for (const auto& d : dates) {
        SCOPED_TRACE(d.text);
        if (d.date.isValid()) {
            EXPECT_EQ(core::dateFromText(QLatin1String(d.text)), d.date);
        } else {
            try {
                core::dateFromText(QLatin1String(d.text));
                ADD_FAILURE() << "accepted";
            } catch (const Error& e) {
                EXPECT_EQ(e.kind(), Error::Kind::Conversion);
                EXPECT_EQ(e.message(),
                          QStringLiteral("'%1' не дата ДД.ММ.ГГГГ").arg(QLatin1String(d.text)));
            }
        }
    }
    const struct {
        const char* text;
        QTime time;
    } times[] = {
        {"22:00", QTime(22, 0)}, {"6 :30", QTime(6, 30)}, {"23:59:59", QTime(23, 59, 59)},
        {"  :  ", QTime()},      {"24:00", QTime()},      {"12:60", QTime()},
        {"12", QTime()},         {"1:2:3:4", QTime()},
    };
    for (const auto& t : times) {
        SCOPED_TRACE(t.text);
        if (t.time.isValid()) {
            EXPECT_EQ(core::timeFromText(QLatin1String(t.text)), t.time);
        } else {
            EXPECT_THROW(core::timeFromText(QLatin1String(t.text)), Error);
        }
    }
    EXPECT_EQ(core::dateText(QDate(2001, 3, 5)), QStringLiteral("05.03.2001"));
    EXPECT_EQ(core::timeText(QTime(6, 5, 4)), QStringLiteral("06:05:04"));
}

TEST_F(MainWindowTest, ViewButtonDoesNothingUntilAViewIsChosenThenRepeatsIt) {
    auto window = makeWindow();
    window->show();
    auto* button = window->findChild<QToolButton*>(QStringLiteral("ToolButtonRazg"));
    window->setStatusText(0, QStringLiteral("Всего: 7"));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
    EXPECT_EQ(window->statusText(0), QStringLiteral("Всего: 7"));

    int runs = 0;
    window->setRazg(QStringLiteral("Городские"), QStringLiteral("Городские разговоры"),
                    [&runs] { ++runs; });
    EXPECT_EQ(button->text(), QStringLiteral("Городские"));
    EXPECT_EQ(button->toolTip(), QStringLiteral("Городские разговоры"));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
    EXPECT_EQ(runs, 1);
    window->action(ui::Command::ToolButtonRazg)->trigger();
    EXPECT_EQ(runs, 2);

    // A handler that fails shows its message and leaves the window usable.
    window->setRazg(QStringLiteral("Все"), QStringLiteral("Все разговоры"), [] {
        raise(Error::Kind::Conversion, QStringLiteral("'  :  ' не время ЧЧ:ММ:СС"));
    });
    QString message;
    test::closeNextMessage(&message);
    window->action(ui::Command::ToolButtonRazg)->trigger();
    EXPECT_EQ(message, QStringLiteral("'  :  ' не время ЧЧ:ММ:СС"));
    EXPECT_EQ(button->text(), QStringLiteral("Все"));
}

TEST_F(MainWindowTest, GridBindsFreesAndReportsTheClickedRecord) {
    auto window = makeWindow();
    window->show();
    EXPECT_TRUE(window->freeGrid().isEmpty());

    QStandardItemModel model(5, 2);
    int closed = 0;
    window->bindGrid(&model, QStringLiteral("DataSourceCity"), [&closed] { ++closed; });
    EXPECT_EQ(window->gridDataSource(), QStringLiteral("DataSourceCity"));
    EXPECT_EQ(window->grid()->model(), &model);
    EXPECT_EQ(window->grid()->editTriggers(), QAbstractItemView::NoEditTriggers);

    QTableView* grid = window->grid();
    const QRect cell = grid->visualRect(model.index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(window->statusText(1), QStringLiteral("3"));

    EXPECT_EQ(window->freeGrid(), QStringLiteral("DataSourceCity"));
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(window->gridDataSource().isEmpty());
    EXPECT_NE(grid->model(), &model);
    EXPECT_TRUE(window->freeGrid().isEmpty());
    EXPECT_EQ(closed, 1);

    // A model destroyed while bound leaves the grid unbound.
    {
        QStandardItemModel shortLived(1, 1);
        window->bindGrid(&shortLived, QStringLiteral("DataSourceAll"));
    }
    EXPECT_TRUE(window->gridDataSource().isEmpty());
}

TEST_F(MainWindowTest, F1OpensTheTopicOfTheFocusedControl) {
    auto window = makeWindow();
    window->show();
    window->activateWindow();
    const struct {
        const char* control;
        int context;
    } cases[] = {{"MaskEditDF", 300}, {"CheckBoxByNumber", 200}, {"MaskEditTT", 400}};
    for (const auto& c : cases) {
        auto* widget = window->findChild<QWidget*>(QLatin1String(c.control));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->property("helpContext").toInt(), c.context);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_F1);
        auto* help = window->findChild<app::HelpWindow*>();
        ASSERT_NE(help, nullptr) << c.control;
        EXPECT_EQ(help->currentPage(), app::HelpWindow::topicPage(c.context)) << c.control;
    }
    window->HelpClick();
    EXPECT_EQ(window->findChild<app::HelpWindow*>()->currentPage(),
              QUrl(QStringLiteral("qrc:/help/index.html")));
}

TEST(HelpPages, EveryHelpContextHasARealPage) {
    app::HelpWindow help;
    for (int context = 100; context <= 1000; context += 100) {
        SCOPED_TRACE(context);
        const QUrl page = app::HelpWindow::topicPage(context);
        ASSERT_FALSE(page.isEmpty());
        QFile file(QLatin1Char(':') + page.path());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(html.contains(QLatin1String("<title>")));
        EXPECT_GT(html.size(), 600);
        help.showTopic(context);
        EXPECT_EQ(help.currentPage(), page);
    }
    EXPECT_TRUE(app::HelpWindow::topicPage(150).isEmpty());
    help.showTopic(150);
    EXPECT_EQ(help.currentPage(), QUrl(QStringLiteral("qrc:/help/index.html")));
    // Every link of every page leads to a page that exists.
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)\""));
    for (const QString& name : QDir(QStringLiteral(":/help")).entryList({"*.html"})) {
        QFile file(QStringLiteral(":/help/") + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + target))
                << name.toStdString() << " -> " << target.toStdString();
        }
    }
}

// A view of a later subsystem is a child of the window holding an open statement; the window
// deletes it before it closes the databases.
class ViewHoldingAQuery : public QObject {
  public:
    ViewHoldingAQuery(app::TForm1& window, bool* destroyedCleanly)
        : QObject(&window),
          query_(window.tarifStandard(), QStringLiteral("SELECT * FROM DolgTb")),
          database_(&window.tarifStandard()),
          destroyedCleanly_(destroyedCleanly) {
        query_.open();
    }
    ~ViewHoldingAQuery() override {
        // The database must still answer while its statements close.
        *destroyedCleanly_ = database_->tableExists(QStringLiteral("DolgTb"));
    }

  private:
    db::Query query_;
    db::Database* database_;
    bool* destroyedCleanly_;
};

TEST_F(MainWindowTest, ChildrenHoldingStatementsGoBeforeTheDatabases) {
    bool clean = false;
    {
        auto window = makeWindow();
        new ViewHoldingAQuery(*window, &clean);
    }
    EXPECT_TRUE(clean);
}

}  // namespace
