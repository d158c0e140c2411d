#include "core/Clock.h"

namespace orv {
namespace {
std::optional<QDate>& todayOverride() {
    static std::optional<QDate> value;
    return value;
}
}  // namespace

QDate today() { return todayOverride().value_or(QDate::currentDate()); }

void setTodayOverride(std::optional<QDate> date) { todayOverride() = date; }

}  // namespace orv
