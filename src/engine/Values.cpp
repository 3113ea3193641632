#include "engine/Values.h"

#include "settings/DateSerial.h"
#include "settings/Settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

double CallClockFormula(double now, double clockBaseDate) {
    // Single precision, as the toolkit's timer gives seconds since midnight.
    const float seconds = static_cast<float>((now - std::floor(now)) * 86400.0);
    const CivilDate today = DateSerial::ToCivil(now);
    const CivilDate base = DateSerial::ToCivil(clockBaseDate);
    const int days = base.Month != today.Month ? base.Day + today.Day : today.Day;
    return static_cast<double>(seconds) + 86400.0 * days;
}

double CallClock(Globals& globals, const Clock& clock) {
    const double formula = CallClockFormula(clock.Now(), globals.ClockBaseDate);
    const double monotonic = clock.MonotonicSeconds();
    CallClockState& anchor = globals.CallClockAnchor;
    double value = formula;
    if (globals.InCall && anchor.Anchored)
        value = anchor.LastValue + std::max(0.0, monotonic - anchor.LastMonotonic);
    anchor = {true, value, monotonic};
    return value;
}

namespace {

// Adds one to a string of decimal digits.
void Increment(std::string& digits) {
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}

// |value| as whole digits and `decimals` fraction digits, rounded half away from zero on its
// 15 significant digits, so that 1.005 rounds as written rather than as stored in binary.
std::pair<std::string, std::string> RoundedDigits(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const std::string text(buffer, result.ptr);
    const size_t e = text.find('e');
    std::string mantissa;
    for (size_t i = 0; i < e; ++i)
        if (text[i] != '.') mantissa += text[i];
    const int exponent = std::stoi(text.substr(e + 1));

    std::string whole, fraction;
    if (exponent >= 0) {
        const size_t wholeCount = static_cast<size_t>(exponent) + 1;
        if (mantissa.size() < wholeCount) mantissa.append(wholeCount - mantissa.size(), '0');
        whole = mantissa.substr(0, wholeCount);
        fraction = mantissa.substr(wholeCount);
    } else {
        whole = "0";
        fraction = std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
    }
    const size_t keep = static_cast<size_t>(decimals);
    const bool roundUp = fraction.size() > keep && fraction[keep] >= '5';
    fraction.resize(keep, '0');
    if (roundUp) {
        std::string all = whole + fraction;
        Increment(all);
        whole = all.substr(0, all.size() - keep);
        fraction = all.substr(all.size() - keep);
    }
    return {whole, fraction};
}

std::string TwoDigits(double part) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(part), std::chars_format::fixed, 0);
    std::string digits(buffer, result.ptr);
    if (digits.size() < 2) digits.insert(digits.begin(), 2 - digits.size(), '0');
    return (part < 0 ? "-" : "") + digits;
}

} // namespace

std::string FormatMoney(double amount, const std::string& currencyLetter, const Locale& locale,
                        std::int16_t extraDecimals) {
    if (!std::isfinite(amount)) amount = 0;
    const int decimals = 2 + std::max<int>(0, extraDecimals);
    auto [whole, fraction] = RoundedDigits(amount, decimals);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.size() < 2) whole.insert(whole.begin(), 2 - whole.size(), '0');
    while (fraction.size() > 2 && fraction.back() == '0')
        fraction.pop_back();
    const bool zero = whole.find_first_not_of('0') == std::string::npos &&
                      fraction.find_first_not_of('0') == std::string::npos;
    const std::string sign = amount < 0 && !zero ? "-" : "";
    return StoredNumberText(currencyLetter + sign + whole + locale.DecimalSeparator + fraction);
}

std::string FormatDuration(double seconds) {
    // A part that can't be computed stays 0 and the text is built from the others.
    double s = 0, m = 0, h = 0, minutes = 0, rest = 0;
    if (std::isfinite(seconds)) {
        s = std::floor(seconds);
        m = std::floor(s / 60);
        h = std::floor(m / 60);
        minutes = m - 60 * h;
        // The remainder is taken in 32-bit whole numbers.
        if (s >= std::numeric_limits<std::int32_t>::min() && s <= std::numeric_limits<std::int32_t>::max())
            rest = std::fmod(s, 60.0);
    }
    return TwoDigits(h) + ":" + TwoDigits(minutes) + ":" + TwoDigits(rest);
}

double ParseMoney(const std::string& text, const std::string& currencyLetter, const Locale& locale) {
    std::string t = text;
    if (!currencyLetter.empty()) {
        for (size_t at = t.find(currencyLetter); at != std::string::npos; at = t.find(currencyLetter))
            t.erase(at, currencyLetter.size());
    }
    return ParseStoredNumber(Variant(t), locale).ToDouble(locale);
}
