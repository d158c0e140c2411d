#pragma once
// orvanta-cli settings: shows and changes the program's settings in the settings store
// (SettingsStore::defaultFilePath(), so $ORVANTA_SETTINGS_FILE when it is set).
//
//   settings show
//     First line: "Файл настроек: <path>", followed by " (не существует; действуют значения по
//     умолчанию)" when there is no file. Then one line per stored value, sections and values in
//     file order, "<section>\<value>=<text> (<type>)" with <type> one of string, dword (the
//     signed decimal number), float (an 8-byte binary value, written with '.'), binary (any
//     other length, as hex:..) or hex(N). Last, each of the six settings the file does not hold,
//     as "<section>\<value>=<default> (по умолчанию)".
//   settings set SECTION VALUE TEXT
//     Converts TEXT with the setting's type (bool: 1, 0, true, false, да, нет; float: '.' or the
//     locale's decimal separator; integer: read leniently) and stores it with that type, then
//     prints the stored value as a line of "show". Only the six settings and the issuer's
//     texts of the invoices (section "Реквизиты", stored as strings) can be set.
//
// args are the words after "settings". Bad arguments or an unknown setting raise Error(Usage);
// a TEXT that does not convert raises Error(Conversion) and stores nothing; the store's own
// errors (a damaged file, a failed write) pass through.

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

int runSettingsCommand(CliContext& context, const QStringList& args);

}  // namespace orv::cli
