// The command boundary: whatever a window's slot throws ends in an error box over the window and
// the program goes on. Our Error shows its own text; running out of memory and any other failure
// show a short message of their own.

#include "GuiTestSupport.h"
#include "app/Subsystems.h"
#include "core/Error.h"
#include "reports/ReportLayout.h"
#include "reports/forms/PreviewWindow.h"
#include "ui/Guarded.h"
#include "utils/forms/SqlWindow.h"
#include "utils/forms/TablePickerDialog.h"

#include <QPushButton>
#include <new>
#include <stdexcept>

using namespace orv;

namespace {

const QString kOutOfMemory = QStringLiteral("Недостаточно памяти. Команда не выполнена.");
const QString kInternal = QStringLiteral("Внутренняя ошибка программы. Команда не выполнена.");

struct Failure {
    const char* name;
    std::function<void()> fail;
    QString shown;
};

std::vector<Failure> failures() {
    return {
        {"Error", [] { raise(Error::Kind::Refused, QStringLiteral("Нет такой таблицы")); },
         QStringLiteral("Нет такой таблицы")},
        {"bad_alloc", [] { throw std::bad_alloc(); }, kOutOfMemory},
        {"runtime_error", [] { throw std::runtime_error("disk on fire"); }, kInternal},
        {"not an exception class", [] { throw 42; }, kInternal},
    };
}

// Runs act while the next message box is answered; returns its text (empty when none came).
QString messageOf(const std::function<void()>& act) {
    QString text;
    test::closeNextMessage(&text);
    act();
    return text;
}

TEST(Guarded, ShowsTheMessageOfEachKindOfFailureAndReportsIt) {
    QWidget parent;
    for (const Failure& f : failures()) {
        bool ended = true;
        EXPECT_EQ(messageOf([&] { ended = ui::guarded(&parent, f.fail); }), f.shown) << f.name;
        EXPECT_FALSE(ended) << f.name;
    }
    bool ran = false;
    EXPECT_TRUE(ui::guarded(&parent, [&] { ran = true; }));
    EXPECT_TRUE(ran);
}

class GuardedWindows : public test::WindowTest {};

TEST_F(GuardedWindows, AMainWindowCommandThatThrowsLeavesTheWindowWorking) {
    auto window = makeWindow();
    window->show();
    for (const Failure& f : failures()) {
        window->connectCommand(ui::Command::N13, f.fail);
        EXPECT_EQ(messageOf([&] { window->action(ui::Command::N13)->trigger(); }), f.shown)
            << f.name;
        QObject::disconnect(window->action(ui::Command::N13), &QAction::triggered, window.get(),
                            nullptr);
    }
    int runs = 0;
    window->connectCommand(ui::Command::N13, [&] { ++runs; });
    window->action(ui::Command::N13)->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(window->isVisible());
}

TEST(GuardedDialogs, TheSqlWindowSurvivesAStatementThatThrows) {
    int runs = 0;
    utils::TForm3 sql(
        [&](const QStringList&) {
            if (++runs == 1) throw std::bad_alloc();
        },
        [](const QString&) {}, [] {});
    sql.show();
    EXPECT_EQ(messageOf([&] { sql.BitBtn3->click(); }), kOutOfMemory);
    EXPECT_TRUE(sql.isVisible());
    sql.BitBtn3->click();
    EXPECT_EQ(runs, 2);
}

TEST(GuardedDialogs, ThePreviewSurvivesAPdfWriterThatThrows) {
    reports::ReportLayout layout;
    reports::ReportPreview preview(layout, nullptr, QStringLiteral("Счета"));
    preview.setPdfWriter([](const QString&) { throw std::runtime_error("writer broke"); });
    preview.show();
    EXPECT_EQ(messageOf([&] { preview.saveAsPdf(QStringLiteral("/nonexistent/a.pdf")); }),
              kInternal);
    EXPECT_TRUE(preview.isVisible());
}

TEST(GuardedDialogs, TheTablePickerSurvivesAnAliasThatThrows) {
    utils::TablePickerDialog picker(QStringLiteral("Открыть"), [](const QString&) -> db::Database& {
        throw std::bad_alloc();
    });
    picker.show();
    EXPECT_EQ(messageOf([&] { picker.ComboBox1Change(); }), kOutOfMemory);
    EXPECT_TRUE(picker.listedTables().isEmpty());
    EXPECT_TRUE(picker.isVisible());
}

}  // namespace
