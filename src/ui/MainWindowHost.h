#pragma once
// The main window as the subsystems' windows see it: the commands to connect, the grid DBGrid1
// to bind, the selection panel's values, the status bar and the program-wide state (databases,
// settings store, VAT, the chosen list's numbers, the start directory). TForm1 implements it; a
// subsystem's forms/ code depends on this interface only, never on the main window's class.
//
// Objects a subsystem creates with widget() as their parent are deleted before the databases
// close.

#include "core/Selection.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "db/Aliases.h"
#include "db/Database.h"
#include "ui/Command.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

class QAbstractItemModel;
class QAction;
class QCheckBox;
class QComboBox;
class QTableView;

namespace orv::ui {

class MainWindowHost {
  public:
    virtual ~MainWindowHost() = default;

    // The window itself: parent of the subsystems' objects and dialogs.
    virtual QWidget* widget() = 0;

    // The action of a command (ToolButtonRazg's body included).
    virtual QAction* action(Command command) const = 0;
    // Makes the command run handler through runCommand() and enables it.
    virtual void connectCommand(Command command, std::function<void()> handler) = 0;
    // Runs a command body behind the command boundary (ui::guarded): what it throws is shown in
    // an error box, and the command ends there.
    virtual void runCommand(const std::function<void()>& body) = 0;
    // Relabels ToolButtonRazg and makes its body run handler (through runCommand).
    virtual void setRazg(const QString& caption, const QString& hint,
                         std::function<void()> handler) = 0;
    // Disables every command of the window (its actions and tool bars) while long work runs;
    // true restores each command as it was before.
    virtual void setCommandsEnabled(bool enabled) = 0;
    // A step for FormShow, run after the VAT read in the order added.
    virtual void addShowStep(std::function<void()> step) = 0;
    // A button of the settings dialog "Настройки" that opens a subsystem's own settings.
    virtual void addSettingsButton(const QString& caption, std::function<void()> handler) = 0;

    // Binds DBGrid1 to a view's model under the name of its data source ("DataSourceCity");
    // close, when given, is how freeGrid() closes this source's data set.
    virtual void bindGrid(QAbstractItemModel* model, const QString& dataSourceName,
                          std::function<void()> close = {}) = 0;
    // Closes the grid's data source and returns its name (empty when none was bound).
    virtual QString freeGrid() = 0;
    virtual QString gridDataSource() const = 0;
    virtual QTableView* grid() const = 0;

    // The four panels of StatusBar1: 0 the record count, 1 the clicked record, 2 the user,
    // 3 the version.
    virtual void setStatusText(int panel, const QString& text) = 0;
    virtual QString statusText(int panel) const = 0;

    // The current contents of the selection panel.
    virtual core::SelectionPanel selection() const = 0;
    // The list filter of the selection panel, CheckBox1 "По списку" and ComboBoxList; both stay
    // disabled until the number lists connect to them.
    virtual QCheckBox* listCheckBox() const = 0;
    virtual QComboBox* listComboBox() const = 0;
    // Opens the help on the topic of a help context (100..1000); 0 opens the contents.
    virtual void showHelp(int context) = 0;
    // Opens a page of the help by its file name ("sql.html").
    virtual void showHelpPage(const QString& page) = 0;

    virtual db::Database& tarifStandard() = 0;
    virtual db::Database& tarifEveryday() = 0;
    virtual const db::Aliases& aliases() const = 0;
    virtual core::SettingsStore& settingsStore() = 0;
    // UseNDS and NDSPercent.
    virtual const core::VatSettings& vat() const = 0;
    // The numbers of the chosen number list; empty at start.
    virtual QStringList& listNumbers() = 0;
    // The process's current directory when FormShow ran.
    virtual const QString& startDirectory() const = 0;
};

}  // namespace orv::ui
