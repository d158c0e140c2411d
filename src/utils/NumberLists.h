#pragma once
// Number lists as files: where the main window finds them and how a list's lines become the
// record filter of the list-filtered views.
//
// A list named N is the file N.lst in the start directory; the lists in use are the lines of
// Main.slst there, and FirmList.txt in the program's folder gives the selector's first items.
// Names are found without regard to case, because lists are copied here from machines whose
// file names ignore it; two files that differ only in case are an error naming both.
//
// A list line holds one subscriber number, blanks around it allowed (the editor pads numbers to
// seven characters). Anything else is refused, naming the file and the line, and no filter is
// made: a list's lines become a set of numbers, never the text of a statement.

#include "db/RecordFilter.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace orv::utils {

inline constexpr char kUsedListsFile[] = "Main.slst";
inline constexpr char kFirmListFile[] = "FirmList.txt";

// The file of that name in the folder, whatever the case of its letters; when there is none,
// the folder and the name as given (the path a new file gets and an error names).
QString findFileNoCase(const QString& folder, const QString& fileName);

// The file of the list named listName: start directory + "/" + listName + ".lst".
QString listFilePath(const QString& startDirectory, const QString& listName);

// The filter "AbNumber=<first> or AbNumber=<second> ..." of a list's lines, in file order;
// nothing for an empty list, which leaves the filter as it was. Throws Error(Refused)
// "Неправильный номер в списке <file>, строка <n>: "<line>"" for a line that is not a number.
std::optional<db::RecordFilter> listFilter(const QStringList& lines, const QString& fileName);

// The lines of the list file at path and their filter; throws as readListLines and listFilter.
std::optional<db::RecordFilter> readListFilter(const QString& path);

}  // namespace orv::utils
