#include "engine/FreeTimeLeftBoxes.h"

#include "settings/RunTimeError.h"
#include "settings/Settings.h"

#include <cmath>
#include <cstdio>

FreeTimeLeftTexts FreeTimeLeftBoxes(double freeTimeLeftNow) {
    const double seconds = freeTimeLeftNow > 0 ? std::floor(freeTimeLeftNow) : 0.0;
    const double minutes = std::floor(seconds / 60);
    const double hours = std::floor(minutes / 60);
    // Whole numbers of any size, without a cast that a huge allowance would overflow.
    const auto text = [](double whole) {
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, " %.0f", whole);
        return std::string(buffer);
    };
    return {text(hours), text(minutes - hours * 60)};
}

std::optional<double> FreeTimeLeftFromBoxes(const FreeTimeLeftTexts& boxes, double sessionTime,
                                            const Locale& locale) {
    try {
        const double hours = ParseStoredNumber(Variant(boxes.Hours), locale).ToDouble(locale);
        const double minutes = ParseStoredNumber(Variant(boxes.Minutes), locale).ToDouble(locale);
        const double result = hours * 60 * 60 + minutes * 60 + sessionTime;
        if (!std::isfinite(result)) return std::nullopt;
        return result;
    } catch (const RunTimeError& e) {
        if (e.Number != RunTimeErrors::Overflow) throw;
        return std::nullopt;
    }
}
