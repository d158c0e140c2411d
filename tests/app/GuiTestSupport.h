#pragma once
// Shared by the window tests of this folder: the one QApplication of the test program, a fresh
// home (configuration, data, settings file and both alias folders) per test, the main window on
// it, and a way to answer the next message box.

#include "app/forms/MainWindow.h"
#include "db/Aliases.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

namespace orv::test {

inline QApplication& application() {
    static int argc = 1;
    static char name[] = "main_window_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Accepts the next message box that appears and hands its text over.
inline void answerNextMessage(QString* text) {
    QTimer::singleShot(0, [text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->accept();
            return;
        }
        answerNextMessage(text);
    });
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        application();
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

    std::unique_ptr<app::TForm1> makeWindow() const {
        return std::make_unique<app::TForm1>(aliases());
    }

    QTemporaryDir home_;
};

}  // namespace orv::test
