#include "dialogs/CalculatorCost.h"

#include "engine/Values.h"
#include "settings/Settings.h"

#include <cmath>

namespace {
// The minutes the boxes hold; boxes that can't be read, or a length beyond any number, give none,
// and the round goes on.
double Minutes(const CalculatorInputs& inputs, const Locale& locale) noexcept {
    try {
        const auto number = [&](const std::string& text) {
            return ParseStoredNumber(Variant(text), locale).ToDouble(locale);
        };
        const double minutes = number(inputs.Minutes) + 60 * number(inputs.Hours);
        return std::isfinite(minutes) ? minutes : 0;
    } catch (...) {
        return 0;
    }
}
} // namespace

std::optional<std::string> CalculatorCost(const Globals& globals, const Locale& locale,
                                          const CalculatorInputs& inputs) noexcept {
    try {
        const double minutes = Minutes(inputs, locale);
        std::optional<double> result;
        // Every rate of that name is priced and the last one counts.
        for (size_t i = 1; i <= 5; ++i) {
            const ChargeRate& rate = globals.Rates[i];
            if (rate.Name != inputs.RateName) continue;
            result = inputs.IncludeISP ? minutes * (rate.Amount + globals.CostPerHour / 60)
                                       : minutes * rate.Amount;
        }
        if (!result) return std::nullopt;
        return FormatMoney(*result, globals.CurrencyLetter, locale);
    } catch (...) {
        return std::nullopt;
    }
}
