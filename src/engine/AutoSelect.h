#pragma once

#include "settings/Globals.h"
#include "settings/Settings.h"

#include <optional>
#include <string>

// What an hour box of the auto-select editor should hold after a change: the number its text
// reads as, in the user's number format, kept within 0 ... 23. Nothing for an empty box, which is
// left alone while the user types.
std::optional<std::string> ClampedHourText(const std::string& text, const Locale& locale);

// The hour an hour box stands for when the editor is confirmed: its number within 0 ... 23; an
// empty box or one that reads as no number counts as 0.
double HourFromBox(const std::string& text, const Locale& locale);

// The day number 1 ... 7 of a day name, nothing when the name is none of them.
std::optional<int> DayNumberOf(const Globals& globals, const std::string& dayName);

// The rate's new window as the editor's OK stores it; a day left out keeps the rate's own.
struct AutoSelectWindow {
    std::optional<int> FromDay;
    std::optional<int> ToDay;
    double BeforeHour = 0;
    double AfterHour = 0;
};

// Puts the window into rate `rateNumber` and stores its four values at once.
void StoreAutoSelect(Globals& globals, const Settings& settings, int rateNumber,
                     const AutoSelectWindow& window);
