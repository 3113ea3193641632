#include "settings/DateSerial.h"

#include <algorithm>
#include <cmath>

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date.
constexpr long DaysFromCivil(long y, long m, long d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp + (mp < 10 ? 3 : -9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// Fixed at compile time, so that dates taken while other files' statics are made are right too.
constexpr long kEpoch = DaysFromCivil(1899, 12, 30);

// Dates run from 1 January 100 to 31 December 9999; beyond that the day count would overflow.
long WholeDays(double serial) {
    if (!(serial > -657434.0)) return -657434;
    if (!(serial < 2958466.0)) return 2958465;
    return static_cast<long>(std::floor(serial));
}
} // namespace

namespace DateSerial {

double FromCivil(int year, int month, int day) {
    // Months outside 1..12 roll into neighbouring years, as date arithmetic expects.
    long y = year + (month - 1) / 12;
    long m = (month - 1) % 12;
    if (m < 0) {
        m += 12;
        --y;
    }
    return static_cast<double>(DaysFromCivil(y, m + 1, 1) + (day - 1) - kEpoch);
}

double FromTime(int hour, int minute, double second) {
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

CivilDate ToCivil(double serial) {
    return CivilFromDays(WholeDays(serial) + kEpoch);
}

TimeOfDay ToTime(double serial) {
    if (!std::isfinite(serial)) return {};
    double seconds = (serial - std::floor(serial)) * 86400.0;
    // Guard against 23:59:59.9999999 turning into 24:00:00 through rounding noise.
    seconds = std::round(seconds * 1000.0) / 1000.0;
    if (seconds >= 86400.0) seconds = 86399.999;
    const int whole = static_cast<int>(seconds);
    return {whole / 3600, whole / 60 % 60, whole % 60, seconds - whole};
}

int Weekday(double serial) {
    const long day = WholeDays(serial);
    return static_cast<int>(((day + 5) % 7 + 7) % 7) + 1;
}

int DaysInMonth(int year, int month) {
    return static_cast<int>(FromCivil(year, month + 1, 1) - FromCivil(year, month, 1));
}

long DayNumber(double serial) {
    if (std::isnan(serial)) return 0;
    return static_cast<long>(std::nearbyint(std::clamp(serial, -657434.0, 2958465.0)));
}

} // namespace DateSerial
