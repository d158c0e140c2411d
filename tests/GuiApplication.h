#pragma once
// Shared by the window test programs: the one QApplication of the program, on the offscreen
// platform unless another is asked for, and a way to answer the next message box.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <memory>

namespace orv::test {

// The application lives from before the first test to after the last, and is gone before the
// program exits, so that Qt's own objects (the mouse device the clicks create) go with it.
// CTest runs each test alone, without a display: the platform is set here, not by the runner.
class GuiApplication : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "orvanta_gui_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

  private:
    std::unique_ptr<QApplication> app_;
};

inline const auto* const kGuiApplication = ::testing::AddGlobalTestEnvironment(new GuiApplication);

// Accepts the next message box that appears and hands its text over.
inline void closeNextMessage(QString* text) {
    QTimer::singleShot(0, [text] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                *text = box->text();
                box->accept();
                return;
            }
        }
        closeNextMessage(text);
    });
}

}  // namespace orv::test
