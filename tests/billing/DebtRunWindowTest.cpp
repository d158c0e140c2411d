// The debt run in the main window on a demo exchange of 100,000 calls: while the worker reckons,
// the progress bar advances, the window's timers fire, the commands are disabled and closing the
// window is refused; afterwards the commands are as they were and the debt view shows.

#include "GuiApplication.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "billing/forms/ProgressWindow.h"
#include "core/Clock.h"
#include "db/Aliases.h"
#include "db/Database.h"
#include "utils/DemoData.h"

#include <QAction>
#include <QDir>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

using namespace orv;

namespace {

const QDate kToday(2026, 4, 10);

TEST(DebtRunWindow, TheWindowHandlesEventsAndTheBarAdvancesWhileTheRunWorks) {
    setTodayOverride(kToday);
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString standard = home.filePath(QStringLiteral("standard"));
    const QString everyday = home.filePath(QStringLiteral("everyday"));
    ASSERT_TRUE(QDir().mkpath(standard) && QDir().mkpath(everyday));
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("ORVANTA_SETTINGS_FILE", home.filePath(QStringLiteral("Orvanta.reg")).toUtf8());
    {
        db::Database demo(QStringLiteral("Demo"), standard);
        utils::DemoOptions options;
        options.calls = 100000;
        utils::fillDemoData(demo, options, kToday);
    }
    db::Aliases aliases(home.filePath(QStringLiteral("aliases.conf")));
    aliases.bindForRun(QLatin1String(db::kStandardAlias), standard);
    aliases.bindForRun(QLatin1String(db::kEverydayAlias), everyday);
    app::ProgramData data(aliases);
    app::TForm1 window(data);
    app::installSubsystems(window);
    window.FormShow();
    window.show();

    auto* progress = window.findChild<billing::TProgrForm*>();
    ASSERT_NE(progress, nullptr);
    QList<int> bar;
    QObject::connect(progress->progressBar(), &QProgressBar::valueChanged,
                     [&bar](int value) { bar.append(value); });

    // Ticks of a timer of the window's thread that came while the run was working.
    int ticksDuringRun = 0;
    bool commandsDisabled = true;
    bool closeRefused = true;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (!progress->isVisible()) return;
        ++ticksDuringRun;
        commandsDisabled = commandsDisabled && !window.action(ui::Command::N11)->isEnabled() &&
                           !window.findChild<QToolBar*>(QStringLiteral("ToolBar1"))->isEnabled();
        if (ticksDuringRun == 1) closeRefused = !window.close() && window.isVisible();
    });
    tick.start(0);
    window.action(ui::Command::N3)->trigger();
    tick.stop();

    EXPECT_GT(ticksDuringRun, 0);
    EXPECT_TRUE(commandsDisabled);
    EXPECT_TRUE(closeRefused);
    ASSERT_FALSE(bar.isEmpty());
    EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end())) << bar.size();
    EXPECT_TRUE(std::any_of(bar.begin(), bar.end(), [](int v) { return v > 0 && v < 100; }));
    EXPECT_EQ(bar.last(), 100);
    EXPECT_FALSE(progress->isVisible());

    EXPECT_EQ(window.gridDataSource(), QStringLiteral("DataSourceQueryDolg"));
    EXPECT_GT(window.grid()->model()->rowCount(), 0);
    // The commands are back as they were.
    EXPECT_TRUE(window.action(ui::Command::N3)->isEnabled());
    EXPECT_TRUE(window.action(ui::Command::N11)->isEnabled());
    EXPECT_TRUE(window.findChild<QToolBar*>(QStringLiteral("ToolBar1"))->isEnabled());
    setTodayOverride(std::nullopt);
}

}  // namespace
