#pragma once
// The call views of orvanta-cli.
//
//   view all|city|mg|oldmg [--numbers FROM-TO] [--dates DD.MM.YYYY-DD.MM.YYYY]
//        [--times HH:MM-HH:MM] [--list FILE.lst]
//   grouped city|mg|all
//
// view writes the rows of a listing view as CSV, with the grid's column titles as the header, in
// grid order, the lookup columns included. Each option acts as the ticked box of the selection
// panel and goes through the window's parameter routine: either end of a range may be left
// empty (--numbers 1234- selects 1234 to 9999999); --list reads a number list file and filters
// the views the list filter applies to (all, city, mg). A malformed option is a usage error
// (exit 2) and nothing is read; a time that does not convert is the window's conversion error
// (exit 1).
//
// grouped runs the pipeline(s) of the grouped view and writes its totals as CSV with the result
// column names. Engine errors (a missing table) end the command with their message (exit 1).

#include "cli/CliContext.h"
#include "cli/Options.h"
#include "core/Selection.h"
#include "db/RecordFilter.h"

#include <QStringList>
#include <optional>

namespace orv::cli {

int runView(CliContext& context, const QStringList& args);

// The view options --numbers, --dates, --times and --list as the selection panel holds them;
// shared by the commands that take them. names limits the options taken (all when empty);
// others says what a word that is no option's name is.
struct ViewOptions {
    core::SelectionPanel panel;
    std::optional<QString> list;
};
ViewOptions readViewOptions(Options& options, const QStringList& names = {},
                            Options::Others others = Options::Others::Refused);
// The filter of the --list file, nothing without --list or for an empty list (said on stderr,
// as is a list given to a view it does not apply to).
std::optional<db::RecordFilter> readListOption(CliContext& context, const ViewOptions& options,
                                               bool applies);
int runGrouped(CliContext& context, const QStringList& args);

}  // namespace orv::cli
