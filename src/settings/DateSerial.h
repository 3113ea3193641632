#pragma once

// Dates are doubles counting days since 30 December 1899; the fraction is the time of day.

struct CivilDate {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
};

struct TimeOfDay {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    double Fraction = 0; // of a second
};

namespace DateSerial {
double FromCivil(int year, int month, int day);
double FromTime(int hour, int minute, double second);
CivilDate ToCivil(double serial);
TimeOfDay ToTime(double serial);
// 1 Monday ... 7 Sunday.
int Weekday(double serial);
int DaysInMonth(int year, int month);
// The whole day number, rounded to the nearest day.
long DayNumber(double serial);
} // namespace DateSerial
