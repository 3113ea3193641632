#pragma once

#include "settings/Locale.h"

#include <optional>
#include <string>

// The hours and minutes boxes of the free-time-left window.
struct FreeTimeLeftTexts {
    std::string Hours;
    std::string Minutes;
};

// The boxes for `freeTimeLeftNow` seconds: whole hours and the minutes beyond them, each after one
// blank; the seconds below a whole minute are dropped.
FreeTimeLeftTexts FreeTimeLeftBoxes(double freeTimeLeftNow);

// The free time left at the start of the session that makes the free time left now what the boxes
// say, `sessionTime` seconds into the session. Nothing when the boxes make a number too large to hold.
std::optional<double> FreeTimeLeftFromBoxes(const FreeTimeLeftTexts& boxes, double sessionTime,
                                            const Locale& locale);
