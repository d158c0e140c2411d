#pragma once
// The statement files of the SQL window: plain text in the system's code page, one line of the
// statement per line, lines ended by CR LF; the window's caption after a file; and the folder
// the open and save dialogs start in, "SQL" in the program's data folder, created when missing.
// A file that cannot be read or written throws orv::Error with the system's message.

#include <QString>
#include <QStringList>

namespace orv::utils {

inline constexpr char kSqlFileFilter[] = "Файлы sql (*.sql)|*.sql|Все файлы|*.*";

QStringList readSqlFile(const QString& path);
void writeSqlFile(const QString& path, const QStringList& lines);

// "SQL" without a file, "SQL " and the file's name without its folder with one.
QString sqlCaption(const QString& fileName);

// The folder "SQL" in the program's data folder; created when missing.
QString sqlFolder();

}  // namespace orv::utils
