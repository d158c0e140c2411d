#include "core/Clock.h"

#include "core/Error.h"

namespace orv {
namespace {
std::optional<QDate>& todayOverride() {
    static std::optional<QDate> value;
    return value;
}
}  // namespace

QDate today() { return todayOverride().value_or(QDate::currentDate()); }

void setTodayOverride(std::optional<QDate> date) { todayOverride() = date; }

void setTodayFromOption(const QString& text) {
    const QDate date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    if (!date.isValid())
        raise(Error::Kind::Usage, QStringLiteral("Неправильная дата --today: %1").arg(text));
    setTodayOverride(date);
}

}  // namespace orv
