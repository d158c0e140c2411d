// The parameter routine of the listing views: the selection panel's texts and boxes turned into
// the eight statement parameters.

#include "calls/SelectionParameters.h"
#include "core/Error.h"

#include <gtest/gtest.h>

using namespace orv;
using calls::QueryCityGroup1BeforeOpen;
using calls::ViewParameters;

namespace {

std::string describe(const ViewParameters& p) {
    return QStringLiteral("%1-%2 %3-%4 %5-%6 %7-%8")
        .arg(p.numberFrom)
        .arg(p.numberTo)
        .arg(p.dateFrom.toString(Qt::ISODate), p.dateTo.toString(Qt::ISODate),
             p.timeFrom.toString(Qt::ISODate), p.timeTo.toString(Qt::ISODate),
             p.timeFrom1.toString(Qt::ISODate), p.timeTo1.toString(Qt::ISODate))
        .toStdString();
}

}  // namespace

TEST(SelectionParameters, PanelTextsGiveTheEightParameters) {
    struct Case {
        const char* name;
        core::SelectionPanel panel;
        const char* expected;
    } cases[] = {
        {"nothing ticked",
         {},
         "0-9999999 1990-01-01-2100-01-01 00:00:00-23:59:59 00:00:00-23:59:59"},
        {"texts of unticked boxes are ignored",
         {false, {}, false, "05.03.2001", "06.03.2001", false, "22:00", "bad", false, "5", "6"},
         "0-9999999 1990-01-01-2100-01-01 00:00:00-23:59:59 00:00:00-23:59:59"},
        {"a date range",
         {false, {}, true, "05.03.2001", "31.03.2001"},
         "0-9999999 2001-03-05-2001-03-31 00:00:00-23:59:59 00:00:00-23:59:59"},
        {"an invalid start date falls back on its own",
         {false, {}, true, "31.02.2001", "10.03.2001"},
         "0-9999999 1990-01-01-2001-03-10 00:00:00-23:59:59 00:00:00-23:59:59"},
        {"empty date masks",
         {false, {}, true, "  .  .    ", "  .  .    "},
         "0-9999999 1990-01-01-2100-01-01 00:00:00-23:59:59 00:00:00-23:59:59"},
        {"an invalid end date",
         {false, {}, true, "01.03.2001", "1.3.01"},
         "0-9999999 2001-03-01-2100-01-01 00:00:00-23:59:59 00:00:00-23:59:59"},
        {"a range across midnight",
         {false, {}, false, {}, {}, true, "22:00", "06:00"},
         "0-9999999 1990-01-01-2100-01-01 22:00:00-23:59:59 00:00:00-06:00:00"},
        {"a range within the day",
         {false, {}, false, {}, {}, true, "06:00", "22:00", false, {}, {}},
         "0-9999999 1990-01-01-2100-01-01 06:00:00-22:00:00 06:00:00-22:00:00"},
        {"a range of one moment",
         {false, {}, false, {}, {}, true, "10:00", "10:00", false, {}, {}},
         "0-9999999 1990-01-01-2100-01-01 10:00:00-10:00:00 10:00:00-10:00:00"},
        {"a start number and an empty end",
         {false, {}, false, {}, {}, false, {}, {}, true, "1234   ", "       "},
         "1234-9999999 1990-01-01-2100-01-01 00:00:00-23:59:59 00:00:00-23:59:59"},
        {"an empty start and an end",
         {false, {}, false, {}, {}, false, {}, {}, true, "       ", "  5000 "},
         "0-5000 1990-01-01-2100-01-01 00:00:00-23:59:59 00:00:00-23:59:59"},
        {"digits up to the first other character",
         {false, {}, false, {}, {}, false, {}, {}, true, "12 34", "0"},
         "12-9999999 1990-01-01-2100-01-01 00:00:00-23:59:59 00:00:00-23:59:59"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(QueryCityGroup1BeforeOpen(c.panel)), c.expected);
    }
}

TEST(SelectionParameters, ATickedTimeBoxWithABadTimeIsAConversionError) {
    const std::pair<const char*, const char*> cases[] = {
        {"  :  ", "06:00"}, {"22:00", "  :  "}, {"25:00", "06:00"}, {"22:61", "06:00"}};
    for (const auto& [from, to] : cases) {
        core::SelectionPanel panel;
        panel.byTime = true;
        panel.timeFrom = QLatin1String(from);
        panel.timeTo = QLatin1String(to);
        try {
            QueryCityGroup1BeforeOpen(panel);
            ADD_FAILURE() << from << "-" << to << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Conversion);
            EXPECT_TRUE(e.message().contains(QStringLiteral("не время ЧЧ:ММ:СС")))
                << e.message().toStdString();
        }
    }
}

TEST(SelectionParameters, LeadingNumberReadsTheDigitsAfterBlanks) {
    const std::pair<const char*, qint64> cases[] = {
        {"", 0},        {"       ", 0},  {"1234567", 1234567},
        {"  42  ", 42}, {"7a", 7},       {"-5", 0},
        {"x1", 0},      {"0000012", 12}, {"99999999999999999999999", 999999999999999999},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(calls::leadingNumber(QLatin1String(text)), value) << text;
}
