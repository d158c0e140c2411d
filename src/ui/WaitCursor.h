#pragma once
// The hourglass pointer for the length of a command: shown by the constructor, restored by the
// destructor on every path out of the command, also when it throws.

#include <QApplication>
#include <QCursor>

namespace orv::ui {

class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace orv::ui
