#pragma once
// Every window of the program on the screen it opens on: a window (dialog, preview, editor)
// whose size would reach past the screen's free area is made smaller to fit it and moved inside
// it when shown. A window cannot be made smaller than its minimum size; the windows are laid out
// so that theirs fit a 1366x768 screen.

#include <QObject>

class QApplication;
class QRect;
class QWidget;

namespace orv::ui {

// Makes the window fit the free area of its screen: smaller when larger, moved inside.
void fitToScreen(QWidget* window);
// The same within the given free area.
void fitInto(QWidget* window, const QRect& free);

// Calls fitToScreen for every window of the application as it is shown. Owned by application.
void installScreenFit(QApplication& application);

}  // namespace orv::ui
