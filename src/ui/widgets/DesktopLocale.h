#pragma once

#include "settings/Locale.h"

#include <QString>

// The user's number, date and time formats, as the desktop reports them.
Locale SystemLocale();
// A Qt date or time pattern in the letters our Locale knows. A date written with names gives
// nothing, so that the numeric default stays; the time zone is dropped from times.
std::string ConvertDatePattern(const QString& pattern);
std::string ConvertTimePattern(const QString& pattern);
