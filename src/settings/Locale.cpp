#include "settings/Locale.h"

#include "settings/DateSerial.h"
#include "settings/PlainText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

Locale Locale::DecimalPoint() {
    return Locale{".", ",", "dd/MM/yyyy", "HH:mm:ss"};
}

Locale Locale::DecimalComma() {
    return Locale{",", ".", "dd.MM.yyyy", "HH:mm:ss"};
}

std::vector<PatternRun> SplitPattern(std::string_view pattern) {
    std::vector<PatternRun> runs;
    const auto literal = [&runs]() -> std::string& {
        if (runs.empty() || runs.back().Letter != 0) runs.push_back({0, 0, {}});
        return runs.back().Literal;
    };
    for (size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\'') {
            std::string text;
            size_t j = i + 1;
            for (; j < pattern.size(); ++j) {
                if (pattern[j] != '\'') {
                    text += pattern[j];
                } else if (j + 1 < pattern.size() && pattern[j + 1] == '\'') {
                    text += '\'';
                    ++j;
                } else {
                    break;
                }
            }
            if (j == i + 1 && j < pattern.size()) text = "'";
            literal() += text;
            i = j + 1;
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) { // letters of other scripts are text
            size_t j = i;
            while (j < pattern.size() && pattern[j] == c)
                ++j;
            runs.push_back({c, j - i, {}});
            i = j;
        } else {
            literal() += c;
            ++i;
        }
    }
    return runs;
}

std::string Locale::FormatShortDate(double serial) const {
    const CivilDate date = DateSerial::ToCivil(serial);
    std::string text;
    for (const PatternRun& t : SplitPattern(ShortDateFormat)) {
        switch (t.Letter) {
        case 0:
            text += t.Literal;
            break;
        case 'd':
            text += Padded(date.Day, t.Count >= 2 ? 2 : 1);
            break;
        case 'M':
            text += Padded(date.Month, t.Count >= 2 ? 2 : 1);
            break;
        case 'y':
            text += t.Count <= 2 ? Padded(date.Year % 100, 2) : Padded(date.Year, 4);
            break;
        default:
            text += std::string(t.Count, t.Letter);
            break;
        }
    }
    return text;
}

std::string Locale::FormatTime(double serial) const {
    const TimeOfDay time = DateSerial::ToTime(serial);
    std::string text;
    for (const PatternRun& t : SplitPattern(TimeFormat)) {
        const int width = t.Count >= 2 ? 2 : 1;
        switch (t.Letter) {
        case 0:
            text += t.Literal;
            break;
        case 'H':
            text += Padded(time.Hour, width);
            break;
        case 'h':
            text += Padded(time.Hour % 12 == 0 ? 12 : time.Hour % 12, width);
            break;
        case 'm':
            text += Padded(time.Minute, width);
            break;
        case 's':
            text += Padded(time.Second, width);
            break;
        case 'A':
        case 't':
            text += time.Hour < 12 ? "AM" : "PM";
            break;
        case 'a':
            text += time.Hour < 12 ? "am" : "pm";
            break;
        case 'P':
        case 'p':
            break; // second letter of AP/ap
        default:
            text += std::string(t.Count, t.Letter);
            break;
        }
    }
    return text;
}

std::optional<double> Locale::ParseNumber(std::string_view text) const {
    size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    const auto at = [&](std::string_view what) {
        return !what.empty() && text.substr(i, what.size()) == what;
    };
    skipBlanks();
    std::string plain; // the number rewritten for strtod
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    bool digits = false;
    while (i < text.size()) {
        if (std::isdigit(static_cast<unsigned char>(text[i]))) {
            plain += text[i++];
            digits = true;
        } else if (digits && at(GroupSeparator) && GroupSeparator != DecimalSeparator) {
            i += GroupSeparator.size();
        } else {
            break;
        }
    }
    if (at(DecimalSeparator)) {
        i += DecimalSeparator.size();
        plain += '.';
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            plain += text[i++];
            digits = true;
        }
    }
    if (!digits) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        const size_t start = j;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
            exponent += text[j++];
        if (j == start) return std::nullopt;
        plain += exponent;
        i = j;
    }
    skipBlanks();
    if (i != text.size()) return std::nullopt;
    if (!plain.empty() && plain[0] == '+') plain.erase(0, 1);
    return NumberFrom<double>(plain);
}

std::optional<double> Locale::ParseShortDate(std::string_view text) const {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int day = -1, month = -1, year = -1;
    size_t i = 0;
    for (const PatternRun& t : SplitPattern(ShortDateFormat)) {
        if (t.Letter == 0) {
            if (text.substr(i, t.Literal.size()) != t.Literal) return std::nullopt;
            i += t.Literal.size();
            continue;
        }
        size_t j = i;
        while (j < text.size() && j - i < 4 && std::isdigit(static_cast<unsigned char>(text[j])))
            ++j;
        if (j == i) return std::nullopt;
        const int value = std::atoi(std::string(text.substr(i, j - i)).c_str());
        if (t.Letter == 'd')
            day = value;
        else if (t.Letter == 'M')
            month = value;
        else if (t.Letter == 'y')
            year = (j - i <= 2) ? (value < 30 ? 2000 + value : 1900 + value) : value;
        else
            return std::nullopt;
        i = j;
    }
    if (i != text.size() || day < 1 || month < 1 || month > 12 || year < 100) return std::nullopt;
    if (day > DateSerial::DaysInMonth(year, month)) return std::nullopt;
    return DateSerial::FromCivil(year, month, day);
}

std::string Locale::FormatNumber(double value) const {
    if (value == 0) return "0";
    // to_chars ignores the C library's locale, which the GUI toolkit may have changed.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    for (char& c : text)
        if (c == 'e') c = 'E';
    const size_t point = text.find('.');
    if (point != std::string::npos) text.replace(point, 1, DecimalSeparator);
    return text;
}
