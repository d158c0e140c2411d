// The --today option of both programs: one strict reading, DD.MM.YYYY exactly; a refused text
// leaves the date the program takes as today as it was.

#include "core/Clock.h"
#include "core/Error.h"

#include <gtest/gtest.h>

using namespace orv;

namespace {

TEST(TodayOption, OnlyAFullDayMonthAndYearIsTaken) {
    setTodayFromOption(QStringLiteral("29.02.2024"));
    EXPECT_EQ(today(), QDate(2024, 2, 29));
    for (const char* text : {" 5. 3.2026", "5.3.2026", "31.02.2024", "05.03.26", "05-03-2026", ""}) {
        try {
            setTodayFromOption(QString::fromUtf8(text));
            ADD_FAILURE() << "taken: " << text;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Usage) << text;
            EXPECT_EQ(e.message(),
                      QStringLiteral("Неправильная дата --today: ") + QString::fromUtf8(text));
        }
        EXPECT_EQ(today(), QDate(2024, 2, 29)) << text;
    }
    setTodayOverride(std::nullopt);
}

}  // namespace
