#pragma once
// The date the program takes as today. It is the computer's date unless an override was set
// (the --today option of both programs, and tests that need the last day of February).

#include <QDate>
#include <optional>

namespace orv {

QDate today();
void setTodayOverride(std::optional<QDate> date);

}  // namespace orv
