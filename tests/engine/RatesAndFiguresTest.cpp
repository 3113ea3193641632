#include "engine/ChargeRates.h"
#include "settings/DateSerial.h"

#include <gtest/gtest.h>

namespace {

Globals DefaultRates() {
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

TEST(AutoSelectRate, DefaultRatesPickTheFirstMatchingWindow) {
    const struct {
        const char* Name;
        double Now;
        std::int16_t Expected;
    } rows[] = {
        {"WednesdayBeforeSix", Day(3, 17, 59), 1},
        {"WednesdayAtSix", Day(3, 18, 0), 2},
        {"LastSecondBeforeSixIsNotRoundedUp", Day(3, 17, 59) + 59.6 / 86400, 1},
        {"SaturdayMorning", Day(6, 10, 0), 3},
        {"MondayBeforeEight", Day(1, 7, 59), 2},
        {"FridayAtEight", Day(5, 8, 0), 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AutoSelectRate(DefaultRates(), row.Now), row.Expected) << row.Name;
}

struct WindowCase {
    const char* Name;
    ChargeRate Window;
    std::vector<int> Days;  // weekdays to try at noon
    std::vector<int> Hours; // hours to try on a Wednesday
    std::vector<bool> DayMatches;
    std::vector<bool> HourMatches;
};

TEST(AutoSelectRate, WindowsOverTheWeekEndAndOverMidnight) {
    const WindowCase cases[] = {
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
    for (const WindowCase& c : cases) {
        Globals g;
        g.Rates[1] = {"Fallback", 0, 9,
                      9,          0, 0}; // no day matches, nor do the empty windows after 2: no match is 1
        g.Rates[2] = c.Window;
        for (size_t i = 0; i < c.Days.size(); ++i)
            EXPECT_EQ(AutoSelectRate(g, Day(c.Days[i], 12)), c.DayMatches[i] ? 2 : 1)
                << c.Name << " day " << c.Days[i];
        for (size_t i = 0; i < c.Hours.size(); ++i)
            EXPECT_EQ(AutoSelectRate(g, Day(3, c.Hours[i])), c.HourMatches[i] ? 2 : 1)
                << c.Name << " hour " << c.Hours[i];
    }
}

} // namespace
