#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The user's number, date and time formats. Filled from the system on the desktop;
// tests use the two fixed locales below.
struct Locale {
    std::string DecimalSeparator = ".";
    std::string GroupSeparator = ",";
    // Patterns of d, dd, M, MM, yy, yyyy and literal separators.
    std::string ShortDateFormat = "dd/MM/yyyy";
    // Patterns of H, HH, h, hh, m, mm, s, ss, AP/ap and literal separators; text in single quotes
    // is literal, letters too.
    std::string TimeFormat = "HH:mm:ss";

    // A locale with a decimal point (and a comma grouping digits).
    static Locale DecimalPoint();
    // A locale with a decimal comma (and a point grouping digits).
    static Locale DecimalComma();

    std::string FormatShortDate(double serial) const;
    std::string FormatTime(double serial) const;

    // The user's number format: blanks around, an optional sign, digits with grouping marks,
    // the decimal separator and an exponent. Nothing else may follow.
    std::optional<double> ParseNumber(std::string_view text) const;
    // A whole date written in the short date format, as a date serial.
    std::optional<double> ParseShortDate(std::string_view text) const;
    // A double with up to 15 significant digits, the decimal separator of this locale, no grouping.
    std::string FormatNumber(double value) const;
};

// A date or time pattern split into runs of one ASCII letter and literal text. Quoted text is
// literal, letters too, and two quotes stand for one; neighbouring literal text is one run.
struct PatternRun {
    char Letter = 0; // 0 for literal text
    std::size_t Count = 0;
    std::string Literal;
};
std::vector<PatternRun> SplitPattern(std::string_view pattern);
