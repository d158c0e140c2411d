#pragma once
// TForm6, the splash window shown while the main window is first shown: borderless, 282 by 155
// pixels, centred on the screen, one panel with a 10-pixel bevel and a single border holding
// the program's picture stretched to the panel.

#include <QWidget>

namespace orv::app {

class TForm6 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm6(QWidget* parent = nullptr);
};

}  // namespace orv::app
