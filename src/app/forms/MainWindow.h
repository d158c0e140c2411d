#pragma once
// TForm1, the main window "Тарификация Orvanta": the two tool bars with their drop-down menus,
// the result grid DBGrid1, the selection panel and the status bar, and the program-wide state the
// commands share (the settings store, UseNDS/NDSPercent, ListNumbers, the start directory). The
// two databases belong to the ProgramData the window is given, which outlives it.
//
// The window carries every command of the command table (ui/Command.h) as a QAction (or, for the
// drop-down buttons, a QToolButton) whose object name is the component name ("DropCity", "N3",
// "ToolButtonRaschet"). A command no subsystem connects is a disabled action; the subsystems see
// the window through ui::MainWindowHost and are wired to it outside this class
// (app/Subsystems.h). Every handler runs through runCommand() (ui::guarded): whatever it throws
// is shown in an error box and the window stays usable.
//
// Objects holding statements or cursors on the databases (views, secondary windows) are
// children of the window, gone with it while the databases are still open.

#include "app/ProgramData.h"
#include "ui/MainWindowHost.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QAbstractItemModel;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QTableView;
class QToolButton;

namespace orv::app {

class HelpWindow;
class TForm6;
class TFormSettings;

class TForm1 : public QMainWindow, public ui::MainWindowHost {
    Q_OBJECT

  public:
    // Connects TarifStandard (alias OrvantaStandard) and TarifEveryday (alias OrvantaEveryday);
    // a folder that cannot be reached throws orv::Error with the engine's message and no window
    // is built. Then builds the window, runs FormCreate (creates the missing start-up tables; an
    // error there is shown in a message box and start-up goes on), creates the splash and the
    // settings dialog, and connects the window's own commands (settings, help, exit).
    // Requires: data outlives the window.
    explicit TForm1(ProgramData& data, QWidget* parent = nullptr);
    ~TForm1() override;

    // FormShow, run once before the window is first shown (the program entry does it): the start
    // directory, the splash with the hourglass, the user name and the version in the status bar,
    // UseNDS/NDSPercent from the settings store, then the steps added by addShowStep. Throws
    // orv::Error (a damaged settings value); the program then ends with that message. Later
    // calls do nothing.
    void FormShow();

    // ui::MainWindowHost
    QWidget* widget() override { return this; }
    QAction* action(ui::Command command) const override;
    void connectCommand(ui::Command command, std::function<void()> handler) override;
    void runCommand(const std::function<void()>& body) override;
    void setRazg(const QString& caption, const QString& hint,
                 std::function<void()> handler) override;
    void setCommandsEnabled(bool enabled) override;
    void addShowStep(std::function<void()> step) override;
    // The previous binding is replaced without being closed (call freeGrid() first to close
    // it). The model stays the caller's; a model destroyed while bound unbinds the grid.
    void bindGrid(QAbstractItemModel* model, const QString& dataSourceName,
                  std::function<void()> close = {}) override;
    QString freeGrid() override;
    QString gridDataSource() const override { return dataSource_; }
    QTableView* grid() const override { return grid_; }
    void setStatusText(int panel, const QString& text) override;
    QString statusText(int panel) const override;
    core::SelectionPanel selection() const override;
    QCheckBox* listCheckBox() const override { return checkList_; }
    QComboBox* listComboBox() const override { return comboList_; }
    void showHelp(int context) override;
    void showHelpPage(const QString& page) override;
    db::Database& tarifStandard() override { return data_.tarifStandard(); }
    db::Database& tarifEveryday() override { return data_.tarifEveryday(); }
    const db::Aliases& aliases() const override { return data_.aliases(); }
    core::SettingsStore& settingsStore() override { return settings_; }
    void addSettingsButton(const QString& caption, std::function<void()> handler) override;
    const core::VatSettings& vat() const override { return vat_; }
    QStringList& listNumbers() override { return listNumbers_; }
    const QString& startDirectory() const override { return startDirectory_; }

    void setVat(const core::VatSettings& vat) { vat_ = vat; }
    // The VAT pair of a confirmed settings dialog; a new percent is also the rate from the first
    // day of the current month in the table of VAT rates.
    void changeVat(const core::VatSettings& vat);

    // The window's own command handlers.
    void ToolButtonSettingsClick();                   // the settings dialog, modally
    void HelpClick();                                 // the help contents and index
    void DBGrid1CellClick(const QModelIndex& index);  // the clicked record's number in panel 1

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildToolBars();
    void buildGrid();
    QWidget* buildSelectionPanel();
    void buildStatusBar();
    void buildActions();
    QMenu* addMenu(const QString& name, int helpContext);
    void connectOwnCommands();
    void FormCreate();
    void helpOnFocus();
    HelpWindow* helpWindow();
    void raiseHelp();

    ProgramData& data_;
    core::SettingsStore settings_;
    core::VatSettings vat_;
    QStringList listNumbers_;
    QString startDirectory_;
    bool shown_ = false;
    QList<std::function<void()>> showSteps_;

    std::vector<QAction*> actions_;  // indexed by ui::Command
    QList<QAction*> heldDisabled_;   // the enabled actions setCommandsEnabled(false) disabled
    QToolButton* razgButton_ = nullptr;
    std::function<void()> razgHandler_;
    QTableView* grid_ = nullptr;
    QString dataSource_;
    std::function<void()> closeDataSource_;
    QList<QLabel*> panels_;
    QCheckBox* checkList_ = nullptr;
    QComboBox* comboList_ = nullptr;
    QCheckBox* checkDate_ = nullptr;
    QCheckBox* checkTime_ = nullptr;
    QCheckBox* checkNumber_ = nullptr;
    QLineEdit* dateFrom_ = nullptr;
    QLineEdit* dateTo_ = nullptr;
    QLineEdit* timeFrom_ = nullptr;
    QLineEdit* timeTo_ = nullptr;
    QLineEdit* numberFrom_ = nullptr;
    QLineEdit* numberTo_ = nullptr;
    QPointer<TForm6> splash_;
    TFormSettings* settingsDialog_ = nullptr;
    // Owned by the window that last asked for help: gone when that window is.
    QPointer<HelpWindow> help_;
    QLabel* dataPlace_ = nullptr;  // the folder of OrvantaStandard, right in the status bar
};

}  // namespace orv::app
