#include "engine/ChargeRates.h"
#include "settings/DateSerial.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

Globals DefaultRatesModel() {
    Globals g;
    const ChargeRate rates[] = {{},
                                {"Daytime", 0.01, 1, 5, 18, 8},
                                {"Evening", 0.02, 1, 5, 8, 18},
                                {"Weekend", 0.03, 6, 7, 0, 0},
                                {"Rate 4", 0.04, 1, 7, 0, 0},
                                {"Rate 5", 0.05, 1, 7, 0, 0}};
    for (size_t i = 0; i < 6; ++i)
        g.Rates[i] = rates[i];
    return g;
}

// 2026-12-07 is a Monday.
double Day(int weekday, int hour, int minute = 0) {
    return DateSerial::FromCivil(2026, 12, 6 + weekday) + DateSerial::FromTime(hour, minute, 0);
}

struct DefaultRow {
    const char* Name;
    double Now;
    std::int16_t Expected;
};
class DefaultRates : public testing::TestWithParam<DefaultRow> {};

TEST_P(DefaultRates, PickTheFirstMatchingWindow) {
    EXPECT_EQ(AutoSelectRate(DefaultRatesModel(), GetParam().Now), GetParam().Expected);
}

const DefaultRow defaultRows[] = {
    {"WednesdayBeforeSix", Day(3, 17, 59), 1},
    {"WednesdayAtSix", Day(3, 18, 0), 2},
    {"LastSecondBeforeSixIsNotRoundedUp", Day(3, 17, 59) + 59.6 / 86400, 1},
    {"SaturdayMorning", Day(6, 10, 0), 3},
    {"MondayBeforeEight", Day(1, 7, 59), 2},
    {"FridayAtEight", Day(5, 8, 0), 1},
};
INSTANTIATE_TEST_SUITE_P(AutoSelectRate, DefaultRates, testing::ValuesIn(defaultRows), RowName());

struct WindowRow {
    const char* Name;
    ChargeRate Window;
    std::vector<int> Days;  // weekdays to try at noon
    std::vector<int> Hours; // hours to try on a Wednesday
    std::vector<bool> DayMatches;
    std::vector<bool> HourMatches;
};
class RateWindows : public testing::TestWithParam<WindowRow> {};

TEST_P(RateWindows, OverTheWeekEndAndOverMidnight) {
    const WindowRow& row = GetParam();
    Globals g;
    g.Rates[1] = {"Fallback", 0, 9,
                  9,          0, 0}; // no day matches, nor do the empty windows after 2: no match is 1
    g.Rates[2] = row.Window;
    for (size_t i = 0; i < row.Days.size(); ++i)
        EXPECT_EQ(AutoSelectRate(g, Day(row.Days[i], 12)), row.DayMatches[i] ? 2 : 1)
            << "day " << row.Days[i];
    for (size_t i = 0; i < row.Hours.size(); ++i)
        EXPECT_EQ(AutoSelectRate(g, Day(3, row.Hours[i])), row.HourMatches[i] ? 2 : 1)
            << "hour " << row.Hours[i];
}

const WindowRow windowRows[] = {
    {"FridayToMonday",
     {"W", 0, 5, 1, 0, 0},
     {1, 2, 4, 5, 6, 7},
     {},
     {true, false, false, true, true, true},
     {}},
    {"AllHours", {"W", 0, 1, 7, 0, 0}, {}, {0, 12, 23}, {}, {true, true, true}},
    {"OverMidnight",
     {"W", 0, 1, 7, 6, 22},
     {},
     {0, 5, 6, 21, 22, 23},
     {},
     {true, true, false, false, true, true}},
    {"DayHours", {"W", 0, 1, 7, 22, 6}, {}, {5, 6, 21, 22}, {}, {false, true, true, false}},
};
INSTANTIATE_TEST_SUITE_P(AutoSelectRate, RateWindows, testing::ValuesIn(windowRows), RowName());

} // namespace
