#include "ui/Command.h"

#include <array>

namespace orv::ui {
namespace {

using enum Command;
using M = Menu;

constexpr std::array kCommands = {
    CommandInfo{DropAll, "DropAll", "&Все", "Все разговоры", 100, M::PopupMenuRazg},
    CommandInfo{DropCity, "DropCity", "&Городские", "Городские разговоры", 100, M::PopupMenuRazg},
    CommandInfo{DropMG, "DropMG", "&Междугородние", "Междугородние и Международные разговоры", 100,
                M::PopupMenuRazg},
    CommandInfo{DropAllGroup, "DropAllGroup", "Вс&е с групп.",
                "Все разговоры с группировкой по номеру и тарификацией", 100, M::PopupMenuRazg},
    CommandInfo{DropCityGroup, "DropCityGroup", "Городские с груп&п.",
                "Городские разговоры с группировкой по номеру и тарификацией", 100,
                M::PopupMenuRazg},
    CommandInfo{DropMGGroup, "DropMGGroup", "МежГор &с групп.",
                "Междугородние и Международные разговоры с группировкой по номеру и "
                "тарификацией",
                100, M::PopupMenuRazg},
    CommandInfo{N7, "N7", "&Устаревшие МежГор.", "", 0, M::PopupMenuRazg},
    CommandInfo{N1, "N1", "&Редактор Таблиц", "", 600, M::PopupMenuUtils},
    CommandInfo{N2, "N2", "&Заполнение Абон.Таблицы", "", 700, M::PopupMenuUtils},
    CommandInfo{N4, "N4", "Заполнение &Праздн-Вых Таблицы", "", 0, M::PopupMenuUtils},
    CommandInfo{N8, "N8", "&Восстановление таблиц", "", 0, M::PopupMenuUtils},
    CommandInfo{N9, "N9", "&Слияние таблиц", "", 0, M::PopupMenuUtils},
    CommandInfo{N78791, "N78791", "&Используемые списки", "", 0, M::N12},
    CommandInfo{N13, "N13", "&Редактор списков", "", 0, M::N12},
    CommandInfo{N3, "N3", "&Расчет долга на 1-е число текущего месяца", "", 900, M::PopupMenuDolg},
    CommandInfo{N11, "N11", "&Показ долгов на 1-е число текущего месяца", "", 1000,
                M::PopupMenuDolg},
    CommandInfo{PaneInform, "PaneInform", "Показ &информации проплат", "", 0, M::PopupMenuDolg},
    CommandInfo{N6, "N6", "Печать &счетов за услуги электросвязи", "", 0, M::PopupMenuReport},
    CommandInfo{PrintWindow, "PrintWindow", "Печать содержимого &окна отображения", "", 0,
                M::PopupMenuReport},
    CommandInfo{ToolButtonRazg, "ToolButtonRazg", "Разговоры", "Все разговоры", 0, M::None},
    CommandInfo{ToolButtonRaschet, "ToolButtonRaschet", "Рас&чет",
                "Расчет с потребителем за услуги связи", 0, M::None},
    CommandInfo{ToolButtonBrowseSQL, "ToolButtonBrowseSQL", "&Запрос", "Только для специалистов", 0,
                M::None},
    CommandInfo{ToolButtonSettings, "ToolButtonSettings", "&Настройки", "Настройки", 0, M::None},
    CommandInfo{Help, "Help", "Помо&щь", "Вызов справки", 0, M::None},
    CommandInfo{ToolButtonExit, "ToolButtonExit", "&Выход", "Выход из программы", 0, M::None},
    CommandInfo{NRestoreBackup, "NRestoreBackup", "Восстановить из &копии…", "", 0,
                M::PopupMenuUtils},
    CommandInfo{NPaymentJournal, "NPaymentJournal", "&Журнал оплат", "", 0, M::PopupMenuDolg},
    CommandInfo{NDryRun, "NDryRun", "Пр&обный расчет долга", "", 0, M::PopupMenuDolg},
    CommandInfo{NImportCdr, "NImportCdr", "Загрузка записей &АТС…",
                "Загрузка записей разговоров Asterisk или FreeSWITCH в DESTTAR", 0,
                M::PopupMenuUtils},
    CommandInfo{DropUnbilled, "DropUnbilled", "&Нетарифицированные",
                "Разговоры, которые не тарифицируются, с причиной", 0, M::PopupMenuRazg},
    CommandInfo{NBankStatement, "NBankStatement", "Загрузка выписки &банка…",
                "Оплаты из выписки банка (1CClientBankExchange)", 0, M::PopupMenuRaschet},
    CommandInfo{NUnmatchedPayments, "NUnmatchedPayments", "&Неразнесенные платежи…",
                "Платежи выписок, не отнесенные к абоненту", 0, M::PopupMenuRaschet},
    CommandInfo{NSaveXlsx, "NSaveXlsx", "Сохранить в &Excel…",
                "Содержимое окна отображения в книгу Excel", 0, M::PopupMenuReport},
    CommandInfo{NCallStatement, "NCallStatement", "&Детализация разговоров…",
                "Разговоры номера за месяц из архива разговоров", 0, M::PopupMenuReport},
    CommandInfo{NCallArchive, "NCallArchive", "&Архив…",
                "Текущие разговоры или месяц из архива разговоров", 0, M::PopupMenuRazg},
};

// commandInfo() indexes the table by the enum's value.
constexpr bool inEnumOrder() {
    for (size_t i = 0; i < kCommands.size(); ++i)
        if (static_cast<size_t>(kCommands[i].id) != i) return false;
    return true;
}
static_assert(inEnumOrder(), "the command table follows the order of enum Command");

}  // namespace

std::span<const CommandInfo> commandTable() { return kCommands; }

const CommandInfo& commandInfo(Command command) {
    return kCommands.at(static_cast<size_t>(command));
}

QString commandName(Command command) { return QString::fromLatin1(commandInfo(command).name); }

}  // namespace orv::ui
