#pragma once
// Reading a number list file (".lst") for the list filter of the listing views: plain text, one
// entry per line, lines ending in CR LF (a missing final line end and bare LF accepted); every
// line is used as it stands, blanks included, in file order, duplicates kept.
//
// readNumberList throws Error(Engine) "Cannot open file <path>" when the file cannot be read.
// listFilter throws Error(Refused) for an entry that is not a number (a blank entry).

#include "db/RecordFilter.h"

#include <QStringList>
#include <optional>

namespace orv::calls {

QStringList readNumberList(const QString& path);

// The filter "AbNumber=<first> or AbNumber=<second> ..." of the list's lines; nothing for an
// empty list, which leaves the filter as it was.
std::optional<db::RecordFilter> listFilter(const QStringList& lines);

}  // namespace orv::calls
