#pragma once
// The command table of the main window, declared once: every command's component name, caption
// (with its mnemonic), hint, help context and the drop-down it belongs to. The main window builds
// its actions from this table; a subsystem connects to a command through its Command value, so a
// command that does not exist fails to compile.

#include <QString>
#include <span>

namespace orv::ui {

enum class Command {
    DropAll,
    DropCity,
    DropMG,
    DropAllGroup,
    DropCityGroup,
    DropMGGroup,
    N7,
    N1,
    N2,
    N4,
    N8,
    N9,
    N78791,
    N13,
    N3,
    N11,
    PaneInform,
    N6,
    PrintWindow,
    ToolButtonRazg,
    ToolButtonRaschet,
    ToolButtonBrowseSQL,
    ToolButtonSettings,
    Help,
    ToolButtonExit,
    NRestoreBackup,
    NPaymentJournal,
    NDryRun,
    NImportCdr,
    DropUnbilled,
    NBankStatement,
    NUnmatchedPayments,
    NSaveXlsx,
    NCallStatement,
    NCallArchive,
};

// The drop-down menus: PopupMenuRazg (views, also the grid's context menu), PopupMenuUtils with
// its sub-menu N12 (lists), PopupMenuDolg, PopupMenuReport and PopupMenuRaschet (the drop-down
// of the tool button "Расчет"). None: a tool button of its own.
enum class Menu {
    None,
    PopupMenuRazg,
    PopupMenuUtils,
    N12,
    PopupMenuDolg,
    PopupMenuReport,
    PopupMenuRaschet
};

struct CommandInfo {
    Command id;
    const char* name;     // component name, also the action's object name
    const char* caption;  // UTF-8, "&" marks the mnemonic
    const char* hint;     // UTF-8 tool tip, empty for none
    int helpContext;      // 0 for none
    Menu menu;
};

// Every command, in the order of enum Command (the order the menus show them).
std::span<const CommandInfo> commandTable();
const CommandInfo& commandInfo(Command command);
QString commandName(Command command);

}  // namespace orv::ui
