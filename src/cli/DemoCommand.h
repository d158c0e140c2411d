#pragma once
// orvanta-cli demo [--subscribers N] [--calls N] [--months M] [--seed S]: fills the folder of
// alias OrvantaStandard with the demo exchange of utils::fillDemoData as of today (--today
// honoured) and prints a short summary of what it wrote.
//
// Defaults: 200 subscribers, 20000 calls, 3 months, seed 1. A malformed or out-of-range option
// raises Error(Usage); a folder whose demo tables already hold rows is refused (Error Refused)
// and left as it was.

#include "cli/CliContext.h"

#include <QStringList>

namespace orv::cli {

int runDemo(CliContext& context, const QStringList& args);

}  // namespace orv::cli
