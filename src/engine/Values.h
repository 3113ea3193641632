#pragma once

#include "settings/Clock.h"
#include "settings/Globals.h"
#include "settings/Locale.h"

#include <cstdint>
#include <string>

// The clock by which calls are timed: seconds from the start of the month, running on over
// midnight and over one change of month. During a call it advances with the monotonic clock,
// so that a change of the wall clock never makes a call jump; outside a call it follows the
// wall clock exactly.
double CallClock(Globals& globals, const Clock& clock);
// The wall-clock value alone, for the moment `now` and the given base date.
double CallClockFormula(double now, double clockBaseDate);

// The currency letter, then at least two digits, a point and two to 2 + extraDecimals decimals.
std::string FormatMoney(double amount, const std::string& currencyLetter, const Locale& locale,
                        std::int16_t extraDecimals = 1);
// Hours, minutes and seconds, each with at least two digits: "25:01:01".
std::string FormatDuration(double seconds);
// The number in a money text, with every currency letter removed.
double ParseMoney(const std::string& text, const std::string& currencyLetter, const Locale& locale);
