#pragma once
// The --list FILE.lst option of the commands that show a list-filtered view (view, debts): the
// list's filter, or nothing for an empty list, which is then said on stderr and filters nothing.
// The file is found whatever the letter case of its name, as the window finds it.
// A file that cannot be read or holds a line that is not a number throws Error (exit 1).

#include "cli/CliContext.h"
#include "db/RecordFilter.h"

#include <optional>

namespace orv::cli {

std::optional<db::RecordFilter> readListOption(CliContext& context, const QString& path);

}  // namespace orv::cli
