#pragma once
// TForm1, the main window "Тарификация Orvanta": the two tool bars with their drop-down menus,
// the result grid DBGrid1, the selection panel and the status bar, and the program-wide state the
// commands share (the two databases, the settings store, UseNDS/NDSPercent, ListNumbers, the
// start directory).
//
// The window carries every command of the program as a QAction (or, for the drop-down buttons,
// a QToolButton) whose object name is the component name ("DropCity", "N3", "ToolButtonRaschet").
// A command whose subsystem is not built is a disabled action; a subsystem connects and enables
// its commands in installCommands() (CommandHooks.h) through connectCommand() and the small API
// below. Every handler runs through runCommand(): an orv::Error it throws is shown in an error
// box and the window stays usable.
//
// Objects holding statements or cursors on the databases (views, secondary windows) are
// children of the window: the destructor deletes every child before the databases close.

#include "app/Selection.h"
#include "app/Settings.h"
#include "app/SettingsStore.h"
#include "db/Aliases.h"
#include "db/Database.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

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

class TForm1 : public QMainWindow {
    Q_OBJECT

  public:
    // Connects TarifStandard (alias OrvantaStandard) and TarifEveryday (alias OrvantaEveryday);
    // a folder that cannot be reached throws orv::Error with the engine's message and no window
    // is built. Then builds the window, runs FormCreate (creates the missing start-up tables; an
    // error there is shown in a message box and start-up goes on), creates the splash and the
    // settings dialog, and calls installCommands(*this).
    explicit TForm1(const db::Aliases& aliases, QWidget* parent = nullptr);
    ~TForm1() override;

    // FormShow, run once before the window is first shown (the program entry does it): the start
    // directory, the splash with the hourglass, the user name and the version in the status bar,
    // UseNDS/NDSPercent from the settings store, then the steps added by addShowStep. Throws
    // orv::Error (a damaged settings value); the program then ends with that message. Later
    // calls do nothing.
    void FormShow();
    // A step for FormShow from a later subsystem (the list combo, the alias combos), run after
    // the VAT read in the order added. A step whose failure is harmless catches its own errors.
    void addShowStep(std::function<void()> step);

    // The action of a command by component name, nullptr for a name that is none. The drop-down
    // buttons ToolButtonUtils, ToolButtonDolg and ToolButtonReport carry no action of their own.
    QAction* command(const QString& componentName) const;
    // Makes the command run handler through runCommand() and enables it.
    void connectCommand(const QString& componentName, std::function<void()> handler);
    // Runs a command body; an orv::Error (or any std::exception) it throws is shown in an error
    // box with its text, and the command ends there.
    void runCommand(const std::function<void()>& body);

    // Relabels ToolButtonRazg and makes its body run handler (through runCommand). Until the
    // first call the body does nothing.
    void setRazg(const QString& caption, const QString& hint, std::function<void()> handler);

    // Binds DBGrid1 to a view's model under the name of its data source ("DataSourceCity").
    // The previous binding is replaced without being closed (call freeGrid() first to close it).
    // close, when given, is how freeGrid() closes this source's data set. The model stays the
    // caller's; a model destroyed while bound unbinds the grid.
    void bindGrid(QAbstractItemModel* model, const QString& dataSourceName,
                  std::function<void()> close = {});
    // Closes the grid's data source: runs its close callback, unbinds the grid and returns the
    // name of the source it was bound to (empty when it was bound to none).
    QString freeGrid();
    QString gridDataSource() const { return dataSource_; }
    QTableView* grid() const { return grid_; }

    // The four panels of StatusBar1: 0 the record count, 1 the clicked record, 2 the user,
    // 3 the version.
    void setStatusText(int panel, const QString& text);
    QString statusText(int panel) const;

    // The current contents of the selection panel.
    SelectionPanel selection() const;

    // Opens the help on the topic of a help context (100..1000); 0 opens the contents.
    void showHelp(int context);

    // The window's own command handlers (installCommands connects them).
    void ToolButtonSettingsClick();                   // the settings dialog, modally
    void HelpClick();                                 // the help contents and index
    void DBGrid1CellClick(const QModelIndex& index);  // the clicked record's number in panel 1

    db::Database& tarifStandard() { return *standard_; }
    db::Database& tarifEveryday() { return *everyday_; }
    const db::Aliases& aliases() const { return aliases_; }
    SettingsStore& settingsStore() { return settings_; }
    // UseNDS and NDSPercent.
    const VatSettings& vat() const { return vat_; }
    void setVat(const VatSettings& vat) { vat_ = vat; }
    // The numbers of the chosen number list; empty at start.
    QStringList& listNumbers() { return listNumbers_; }
    // The process's current directory when FormShow ran.
    const QString& startDirectory() const { return startDirectory_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildToolBars();
    void buildGrid();
    QWidget* buildSelectionPanel();
    void buildStatusBar();
    QAction* addCommand(QMenu* menu, const QString& name, const QString& caption,
                        const QString& hint, int helpContext);
    QMenu* addMenu(const QString& name, int helpContext);
    void FormCreate();
    void helpOnFocus();

    db::Aliases aliases_;
    std::unique_ptr<db::Database> standard_;
    std::unique_ptr<db::Database> everyday_;
    SettingsStore settings_;
    VatSettings vat_;
    QStringList listNumbers_;
    QString startDirectory_;
    bool shown_ = false;
    QList<std::function<void()>> showSteps_;

    QHash<QString, QAction*> commands_;
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
    HelpWindow* help_ = nullptr;
};

}  // namespace orv::app
