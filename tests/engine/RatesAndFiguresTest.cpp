#include "engine/ChargeRates.h"
#include "settings/DateSerial.h"
#include "settings/SettingsTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The rates of a fresh profile.
Globals DefaultRatesModel() {
    Globals g;
    for (std::size_t rate = 1; rate <= 5; ++rate)
        for (const RateSetting* row : kRateSettings)
            SetToDefault(*row, rate, g);
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

// A second rate's window against a fallback that never matches: where the second is picked.
struct WindowRow {
    const char* Name;
    ChargeRate Window;
    const char* Days;  // at noon, Monday to Sunday: 'x' where it is picked
    const char* Hours; // on a Wednesday, from 0 to 23 o'clock
};
class RateWindows : public testing::TestWithParam<WindowRow> {};

TEST_P(RateWindows, OverTheWeekEndAndOverMidnight) {
    Globals g;
    g.Rates[1] = {"Fallback", 0, 9,
                  9,          0, 0}; // no day matches, nor do the empty windows after 2: no match is 1
    g.Rates[2] = GetParam().Window;
    std::string days, hours;
    for (int day = 1; day <= 7; ++day)
        days += AutoSelectRate(g, Day(day, 12)) == 2 ? 'x' : '.';
    for (int hour = 0; hour < 24; ++hour)
        hours += AutoSelectRate(g, Day(3, hour)) == 2 ? 'x' : '.';
    EXPECT_EQ(days, GetParam().Days);
    EXPECT_EQ(hours, GetParam().Hours);
}

const WindowRow windowRows[] = {
    {"FridayToMonday", {"W", 0, 5, 1, 0, 0}, "x...xxx", "........................"},
    {"AllHours", {"W", 0, 1, 7, 0, 0}, "xxxxxxx", "xxxxxxxxxxxxxxxxxxxxxxxx"},
    {"OverMidnight", {"W", 0, 1, 7, 6, 22}, ".......", "xxxxxx................xx"},
    {"DayHours", {"W", 0, 1, 7, 22, 6}, "xxxxxxx", "......xxxxxxxxxxxxxxxx.."},
};
INSTANTIATE_TEST_SUITE_P(AutoSelectRate, RateWindows, testing::ValuesIn(windowRows), RowName());

} // namespace
