#pragma once
// Shared by the window tests of this folder: a fresh home (configuration, data, settings file and
// both alias folders) per test, and the main window on it.

#include "app/forms/MainWindow.h"
#include "db/Aliases.h"

#include "GuiApplication.h"

#include <QAction>
#include <QTemporaryDir>
#include <list>
#include <memory>

namespace orv::test {

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
        qputenv("XDG_DATA_HOME", path("data").toUtf8());
        qputenv("ORVANTA_SETTINGS_FILE", settingsFile().toUtf8());
        ASSERT_TRUE(QDir().mkpath(path("standard")));
        ASSERT_TRUE(QDir().mkpath(path("everyday")));
    }

    QString path(const char* name) const { return home_.filePath(QLatin1String(name)); }
    QString settingsFile() const { return path("Orvanta.reg"); }

    db::Aliases aliases() const {
        db::Aliases a(path("aliases.conf"));
        a.bindForRun(QLatin1String(db::kStandardAlias), path("standard"));
        a.bindForRun(QLatin1String(db::kEverydayAlias), path("everyday"));
        return a;
    }

    // The window's data stays until the end of the test, after every window made.
    std::unique_ptr<app::TForm1> makeWindow() const {
        return std::make_unique<app::TForm1>(data_.emplace_back(aliases()));
    }

    QTemporaryDir home_;
    mutable std::list<app::ProgramData> data_;
};

// The commands of the window that are enabled with a handler of the window's, in table order.
// A command enabled without a handler, or with one but disabled, fails the test. Disconnects the
// handlers: the window's commands do nothing afterwards.
inline QList<ui::Command> connectedCommands(app::TForm1& window) {
    QList<ui::Command> connected;
    for (const ui::CommandInfo& info : ui::commandTable()) {
        QAction* action = window.action(info.id);
        const bool handler = QObject::disconnect(action, &QAction::triggered, &window, nullptr);
        EXPECT_EQ(action->isEnabled(), handler) << info.name;
        if (handler) connected.append(info.id);
    }
    return connected;
}

}  // namespace orv::test
