#include "engine/AutoSelect.h"

#include "settings/PlainText.h"
#include "settings/RunTimeError.h"
#include "settings/SettingsTable.h"

#include <algorithm>

namespace {

constexpr double kLastHour = 23;

// The number a box's text reads as; a number too large to hold counts as the bound on its side.
double BoxNumber(const std::string& text, const Locale& locale) {
    try {
        return ParseStoredNumber(Variant(text), locale).ToDouble(locale);
    } catch (const RunTimeError& e) {
        if (e.Number != RunTimeErrors::Overflow) throw;
        const std::string_view trimmed = Trim(text, " \t\r\n");
        return !trimmed.empty() && trimmed.front() == '-' ? -1 : kLastHour + 1;
    }
}

} // namespace

std::optional<std::string> ClampedHourText(const std::string& text, const Locale& locale) {
    if (text.empty()) return std::nullopt;
    // A sign typed alone waits for its digits, so that typing -4 ends at 0 rather than 4.
    const std::string_view trimmed = Trim(text, " \t\r\n");
    if (trimmed == "-" || trimmed == "+") return std::nullopt;
    const double number = BoxNumber(text, locale);
    if (number > kLastHour) return "23";
    if (number < 0) return "0";
    return locale.FormatNumber(number);
}

double HourFromBox(const std::string& text, const Locale& locale) {
    if (text.empty()) return 0;
    return std::clamp(BoxNumber(text, locale), 0.0, kLastHour);
}

std::optional<int> DayNumberOf(const Globals& globals, const std::string& dayName) {
    for (int i = 1; i <= 7; ++i)
        if (globals.DayNames[static_cast<size_t>(i)] == dayName) return i;
    return std::nullopt;
}

void StoreAutoSelect(Globals& globals, const Settings& settings, int rateNumber,
                     const AutoSelectWindow& window) {
    if (rateNumber < 1 || static_cast<size_t>(rateNumber) >= globals.Rates.size())
        RunTimeErrors::Raise(RunTimeErrors::SubscriptOutOfRange);
    ChargeRate& rate = globals.Rates[static_cast<size_t>(rateNumber)];
    if (window.FromDay) rate.FromDay = *window.FromDay;
    if (window.ToDay) rate.ToDay = *window.ToDay;
    rate.BeforeHour = window.BeforeHour;
    rate.AfterHour = window.AfterHour;

    for (const RateSetting* row : {&kRateFromDay, &kRateToDay, &kRateBeforeHour, &kRateAfterHour})
        SaveSetting(*row, static_cast<size_t>(rateNumber), globals, settings);
}
