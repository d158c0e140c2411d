// The fill dialogs, the list editor, the used-lists window and the list filter in the real main
// window, offscreen: each dialog is answered from the event loop while its command waits on it.

#include "GuiApplication.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "calls/CallsTestData.h"
#include "db/Aliases.h"
#include "utils/forms/HolidayFillDialog.h"
#include "utils/forms/ListEditor.h"
#include "utils/forms/ListsInUse.h"
#include "utils/forms/SubscriberFillDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <functional>

using namespace orv;
using namespace orv::test;

// Readable failures: strings printed as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

// Runs act on the next visible top-level window of type T, from the event loop of whatever
// modal window is running by then.
template <typename T>
void onNext(std::function<void(T*)> act, int tries = 2000) {
    QTimer::singleShot(5, [act = std::move(act), tries]() mutable {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<T*>(w); found && found->isVisible()) {
                act(found);
                return;
            }
        }
        if (tries > 0)
            onNext<T>(std::move(act), tries - 1);
        else
            ADD_FAILURE() << "no window of type " << T::staticMetaObject.className();
    });
}

// Answers the next message box with a button and keeps its text.
void answer(QMessageBox::StandardButton button, QString* text) {
    onNext<QMessageBox>([button, text](QMessageBox* box) {
        *text = box->text();
        box->button(button)->click();
    });
}

// Picks a file in the next file dialog.
void pick(const QString& path) {
    onNext<QFileDialog>([path](QFileDialog* dialog) {
        // Typed into the name field, as the operator would: the dialog's list may still load.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the file dialog did not take " << path.toStdString();
            dialog->reject();
        }
    });
}

void click(QWidget* window, const char* button) {
    auto* found = window->findChild<QAbstractButton*>(QLatin1String(button));
    ASSERT_NE(found, nullptr) << button;
    found->click();
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class UtilsForms : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
        qputenv("ORVANTA_SETTINGS_FILE", home_.filePath(QStringLiteral("Orvanta.reg")).toUtf8());
        previous_ = QDir::currentPath();
        QDir::setCurrent(lists_.path());
        createPermanentTables(t);
    }
    void TearDown() override {
        window_.reset();
        QDir::setCurrent(previous_);
    }

    // The main window on the tables, started in the lists folder.
    void start() {
        db::Aliases aliases(home_.filePath(QStringLiteral("aliases.conf")));
        aliases.bindForRun(QLatin1String(db::kStandardAlias), t.path());
        aliases.bindForRun(QLatin1String(db::kEverydayAlias), everyday_.path());
        data_ = std::make_unique<app::ProgramData>(aliases);
        window_ = std::make_unique<app::TForm1>(*data_);
        app::installSubsystems(*window_);
        window_->FormShow();
        window_->show();
    }

    void trigger(ui::Command command) const {
        QAction* action = window_->action(command);
        ASSERT_TRUE(action->isEnabled()) << ui::commandName(command).toStdString();
        action->trigger();
    }

    QString list(const char* name) const { return lists_.filePath(QLatin1String(name)); }
    QCheckBox* checkBox1() const { return window_->listCheckBox(); }
    QComboBox* comboBoxList() const { return window_->listComboBox(); }
    qint64 count(const char* table) {
        db::Query q(t.db(), QStringLiteral("SELECT Count(*) FROM %1").arg(QLatin1String(table)));
        q.open();
        return q.value(0, 0).toLongLong();
    }
    int gridRows() const {
        return window_->grid()->model() ? window_->grid()->model()->rowCount() : -1;
    }

    TempDatabase t;
    QTemporaryDir everyday_;
    QTemporaryDir home_;
    QTemporaryDir lists_;
    QString previous_;
    std::unique_ptr<app::ProgramData> data_;  // outlives the window
    std::unique_ptr<app::TForm1> window_;
};

}  // namespace

TEST_F(UtilsForms, SubscriberFillFromTheDialog) {
    start();
    struct Case {
        const char* from;
        const char* to;
        const char* priznak;
        const char* message;  // "" for none
        qint64 abTab, paneDate;
    } cases[] = {
        {"101", "103", "ALL", "", 3, 3},  {"101", "", "ALL", "Неправильный ввод данных", 3, 3},
        {"104", "104", "all", "", 4, 4},  {"102", "105", "VECH", "на номере 102", 5, 4},
        {"105", "101", "BUDG", "", 5, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        QString message;
        onNext<utils::TForm5>([&c, &message](utils::TForm5* dialog) {
            auto* from = dialog->findChild<QLineEdit*>(QStringLiteral("MaskEditNumberFrom"));
            auto* to = dialog->findChild<QLineEdit*>(QStringLiteral("MaskEditNumberTo"));
            for (QLineEdit* edit : {from, to}) edit->clear();
            QTest::keyClicks(from, QLatin1String(c.from));
            QTest::keyClicks(to, QLatin1String(c.to));
            auto* priznak = dialog->findChild<QComboBox*>(QStringLiteral("ComboBoxPrizn"));
            priznak->setEditText(QLatin1String(c.priznak));
            if (*c.message) answer(QMessageBox::Ok, &message);
            QTest::keyClick(dialog, Qt::Key_Return);  // OK is the default button
        });
        trigger(ui::Command::N2);
        EXPECT_EQ(message.contains(QString::fromUtf8(c.message)), true) << message.toStdString();
        EXPECT_EQ(count("AbTab"), c.abTab);
        EXPECT_EQ(count("PaneDate"), c.paneDate);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    // Cancel writes nothing; the dialog kept its last values.
    onNext<utils::TForm5>([](utils::TForm5* dialog) {
        EXPECT_EQ(dialog->numberFromText(), QStringLiteral("105    "));
        EXPECT_EQ(dialog->priznak(), QStringLiteral("BUDG"));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    trigger(ui::Command::N2);
    EXPECT_EQ(count("AbTab"), 5);
}

TEST_F(UtilsForms, WeekendsFromTheDialog) {
    start();
    QString message;
    onNext<utils::TForm8>([&message](utils::TForm8* dialog) {
        auto* year = dialog->findChild<QLineEdit*>(QStringLiteral("MaskEditYear"));
        QTest::keyClicks(year, QStringLiteral("20"));
        answer(QMessageBox::Ok, &message);
        click(dialog, "OKBtn");  // refused: the dialog stays open
        EXPECT_TRUE(dialog->isVisible());
        QTest::keyClicks(year, QStringLiteral("01"));
        click(dialog, "OKBtn");
    });
    trigger(ui::Command::N4);
    EXPECT_EQ(message, QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
    EXPECT_EQ(count("Prazdn"), 104);
    onNext<utils::TForm8>([](utils::TForm8* dialog) { click(dialog, "OKBtn"); });
    trigger(ui::Command::N4);
    EXPECT_EQ(count("Prazdn"), 104);  // a repeat adds nothing
}

TEST_F(UtilsForms, ListEditorWritesSevenCharacterLinesAndAsksBeforeLosingEntries) {
    start();
    const QString path = list("firm.lst");
    QString question;
    QString refusal;
    onNext<utils::TForm11>([&](utils::TForm11* editor) {
        auto* number = editor->findChild<QLineEdit*>(QStringLiteral("MaskEdit1"));
        QTest::keyClicks(number, QStringLiteral("1234"));
        QTest::keyClick(number, Qt::Key_Return);
        click(editor, "ToolButton5");  // the field keeps its text: added twice
        number->clear();
        answer(QMessageBox::Ok, &refusal);
        click(editor, "ToolButton5");  // an empty field adds nothing
        QTest::keyClicks(number, QStringLiteral("7"));
        QTest::keyClick(number, Qt::Key_Return);
        EXPECT_EQ(editor->entries(), (QStringList{"   1234", "   1234", "      7"}));
        pick(path);
        click(editor, "ToolButton4");  // Сохр. как
        EXPECT_EQ(editor->windowTitle(), QStringLiteral("firm"));
        auto* box = editor->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        box->setCurrentRow(1);
        click(editor, "ToolButton6");
        EXPECT_TRUE(editor->listModified());
        answer(QMessageBox::No, &question);
        editor->reject();
    });
    trigger(ui::Command::N13);
    EXPECT_EQ(refusal, QStringLiteral("Перед добавлением введите номер"));
    EXPECT_EQ(question, QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(bytesOf(path), QByteArray("   1234\r\n   1234\r\n      7\r\n"));

    // Shown again, it reloads the file of the save dialog; Yes on closing writes the change.
    question.clear();
    onNext<utils::TForm11>([&](utils::TForm11* editor) {
        EXPECT_EQ(editor->entries(), (QStringList{"   1234", "   1234", "      7"}));
        auto* box = editor->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        box->setCurrentRow(0);
        click(editor, "ToolButton6");
        answer(QMessageBox::Yes, &question);
        editor->reject();
    });
    trigger(ui::Command::N13);
    EXPECT_EQ(question, QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(bytesOf(path), QByteArray("   1234\r\n      7\r\n"));

    // "Новый" never saved: the next showing cannot load it, says so and keeps the list.
    QString error;
    onNext<utils::TForm11>([&](utils::TForm11* editor) {
        pick(list("fresh.lst"));
        click(editor, "ToolButton1");
        EXPECT_TRUE(editor->entries().isEmpty());
        EXPECT_EQ(editor->windowTitle(), QStringLiteral("fresh"));
        editor->reject();
    });
    trigger(ui::Command::N13);
    EXPECT_FALSE(QFile::exists(list("fresh.lst")));
    onNext<utils::TForm11>([&](utils::TForm11* editor) { editor->reject(); });
    answer(QMessageBox::Ok, &error);
    trigger(ui::Command::N13);
    EXPECT_EQ(error, QStringLiteral("Не удалось открыть файл ") + list("fresh.lst"));
}

TEST_F(UtilsForms, ListEditorWithNoFileAsksAndWritesNothing) {
    start();
    QString question;
    onNext<utils::TForm11>([&](utils::TForm11* editor) {
        QTest::keyClicks(editor->findChild<QLineEdit*>(QStringLiteral("MaskEdit1")),
                         QStringLiteral("55"));
        click(editor, "ToolButton5");
        click(editor, "ToolButton3");  // Сохранить without a file does nothing
        answer(QMessageBox::Yes, &question);
        editor->reject();
    });
    trigger(ui::Command::N13);
    EXPECT_EQ(question, QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(QDir(lists_.path()).entryList(QDir::Files), QStringList{});
}

TEST_F(UtilsForms, ListsInUseFillTheSelectorOnClosingSavedOrNot) {
    writeBytes(list("FirmList.txt"), "firm\r\n");
    writeBytes(list("my.list.lst"), "1\r\n");
    start();
    EXPECT_EQ(comboBoxList()->count(), 1);  // FirmList.txt, no main.slst yet
    QString question;
    onNext<utils::TForm2>([&](utils::TForm2* form) {
        EXPECT_TRUE(form->names().isEmpty());
        pick(list("my.list.lst"));
        click(form, "ToolButton5");
        pick(list("my.list.lst"));
        click(form, "ToolButton5");  // no check for duplicates
        form->findChild<QListWidget*>(QStringLiteral("ListBox1"))->setCurrentRow(1);
        click(form, "ToolButton6");
        EXPECT_EQ(form->names(), QStringList{"my"});
        answer(QMessageBox::No, &question);
        form->reject();
    });
    trigger(ui::Command::N78791);
    EXPECT_EQ(question, QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(bytesOf(list("Main.slst")), QByteArray());  // created empty when shown
    EXPECT_EQ(comboBoxList()->count(), 1);
    EXPECT_EQ(comboBoxList()->itemText(0), QStringLiteral("my"));
    EXPECT_EQ(comboBoxList()->currentIndex(), -1);

    question.clear();
    onNext<utils::TForm2>([&](utils::TForm2* form) {
        pick(list("my.list.lst"));
        click(form, "ToolButton5");
        click(form, "ToolButton3");
        EXPECT_FALSE(form->usedListsModified());
        form->reject();
    });
    trigger(ui::Command::N78791);
    EXPECT_TRUE(question.isEmpty());
    EXPECT_EQ(bytesOf(list("Main.slst")), QByteArray("my\r\n"));
}

TEST_F(UtilsForms, TheListFilterNarrowsOpenViewsAtOnce) {
    addRows(t, QStringLiteral("DESTTAR"),
            {call(101, "2001-03-05", "10:00:00", 2, 3), call(102, "2001-03-05", "11:00:00", 1, 1),
             call(205, "2001-03-06", "12:00:00", 4, 2),
             call(101, "2001-03-07", "13:00:00", 1, 9, QStringLiteral("1"))});
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("101, 'ALL', 'YES', '', '', '', ''"),
             QStringLiteral("102, 'ALL', 'YES', '', '', '', ''")});
    addRows(t, QStringLiteral("DolgTb"),
            {QStringLiteral("101, 'ALL', '2001-04-01', NULL, 1, 0, 0, 0, 0, 0"),
             QStringLiteral("102, 'ALL', '2001-04-01', NULL, 2, 0, 0, 0, 0, 0")});
    writeBytes(list("FirmList.txt"), "ignored\r\n");
    writeBytes(list("MAIN.SLST"), "two\r\nempty\r\nbad\r\nmissing\r\n");
    writeBytes(list("Two.LST"), "    101\r\n    205\r\n");
    writeBytes(list("empty.lst"), "");
    writeBytes(list("bad.lst"), "    102\r\n       \r\n");
    start();
    ASSERT_EQ(comboBoxList()->count(), 4);  // main.slst replaced FirmList.txt
    EXPECT_EQ(comboBoxList()->currentIndex(), -1);
    ASSERT_TRUE(checkBox1()->isEnabled());

    trigger(ui::Command::DropAll);
    EXPECT_EQ(gridRows(), 4);
    checkBox1()->click();  // nothing chosen: unticks itself
    EXPECT_FALSE(checkBox1()->isChecked());

    comboBoxList()->setCurrentIndex(0);  // "two"
    EXPECT_EQ(gridRows(), 4);            // the box is not ticked
    checkBox1()->click();
    EXPECT_TRUE(checkBox1()->isChecked());
    EXPECT_EQ(gridRows(), 3);
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 3"));
    EXPECT_EQ(window_->listNumbers(), (QStringList{"    101", "    205"}));

    QString message;
    comboBoxList()->setCurrentIndex(1);  // an empty list keeps the filter
    EXPECT_EQ(gridRows(), 3);
    answer(QMessageBox::Ok, &message);
    comboBoxList()->setCurrentIndex(2);  // a blank line: refused, filter kept
    EXPECT_EQ(message, QStringLiteral("Неправильный номер в списке %1, строка 2: \"       \"")
                           .arg(list("bad.lst")));
    EXPECT_EQ(gridRows(), 3);
    answer(QMessageBox::Ok, &message);
    comboBoxList()->setCurrentIndex(3);
    EXPECT_EQ(message, QStringLiteral("Не удалось открыть файл ") + list("missing.lst"));
    comboBoxList()->setEditText(QStringLiteral("bad"));  // typed, not chosen: nothing
    EXPECT_EQ(gridRows(), 3);

    trigger(ui::Command::N11);  // the debt view opens filtered
    EXPECT_EQ(gridRows(), 1);
    checkBox1()->click();
    EXPECT_EQ(gridRows(), 2);
    trigger(ui::Command::DropAll);
    EXPECT_EQ(gridRows(), 4);
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 4"));
}
