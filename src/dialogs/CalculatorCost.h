#pragma once

#include "settings/Globals.h"
#include "settings/Locale.h"

#include <optional>
#include <string>

// What the calculator's boxes hold.
struct CalculatorInputs {
    std::string Hours;
    std::string Minutes;
    std::string RateName;
    bool IncludeISP = false;
};

// The money text of a call as long as the boxes say at the named rate, with the provider's hourly
// price when asked for; no minimum charge and no free time. Nothing when no rate has that name:
// the result then stays as it was. Never throws.
std::optional<std::string> CalculatorCost(const Globals& globals, const Locale& locale,
                                          const CalculatorInputs& inputs) noexcept;
