#pragma once
// The two fill commands of the utilities menu: N2 "Заполнение Абон.Таблицы"
// (ToolButtonUtilsClick, the subscriber fill through TForm5) and N4 "Заполнение Праздн-Вых
// Таблицы" (N4Click, the weekends through TForm8). Both only add rows; a success shows no
// message. Errors end the command and are shown by the window's runCommand; the hourglass is
// shown while the subscriber fill runs and the tables are closed on every path.

#include "ui/MainWindowHost.h"

#include <QObject>

namespace orv::utils {

class TForm5;
class TForm8;

class FillCommands : public QObject {
    Q_OBJECT

  public:
    explicit FillCommands(ui::MainWindowHost& window);

    void ToolButtonUtilsClick();
    void N4Click();

    TForm5* subscriberDialog() const { return form5_; }
    TForm8* holidayDialog() const { return form8_; }

  private:
    ui::MainWindowHost& window_;
    TForm5* form5_;
    TForm8* form8_;
};

// Creates the commands' object and both dialogs as children of the window, connects N2 and N4.
FillCommands& installTableFills(ui::MainWindowHost& window);

}  // namespace orv::utils
