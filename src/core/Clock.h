#pragma once
// The date the program takes as today. It is the computer's date unless an override was set
// (the --today option of both programs, and tests that need the last day of February).

#include <QDate>
#include <optional>

namespace orv {

QDate today();
void setTodayOverride(std::optional<QDate> date);
// Sets the override from the text of the --today option: DD.MM.YYYY exactly ("05.03.2026").
// Otherwise Error(Usage) "Неправильная дата --today: <text>" and the override stays as it was.
void setTodayFromOption(const QString& text);

}  // namespace orv
