#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Replaces each %NAME% by the value of the environment variable NAME. A name that is not set
// stays as written, and its closing "%" may open the next reference.
std::string ExpandEnvironmentStrings(std::string_view text);

// The same with the variables looked up through `lookup`.
std::string
ExpandEnvironmentStrings(std::string_view text,
                         const std::function<std::optional<std::string>(const std::string&)>& lookup);
