#pragma once

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

// The text without any of `blanks` at either end.
std::string_view Trim(std::string_view text, std::string_view blanks = " ");

// Equal but for the case of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Lower case of ASCII and of the capital Latin-1 letters in UTF-8 (U+00C0..U+00DE but the
// multiplication sign): names that differ only so are one name to the store and on the command line.
std::string FoldCase(std::string_view text);

// The length of UTF-8 text in UTF-16 code units, as the registry counts its names; a byte that
// begins no character counts as one.
std::size_t Utf16Length(std::string_view text);

// The whole number with zeros before its digits up to `width` of them: Padded(7, 2) is "07".
std::string Padded(long value, int width);

// The shortest digits in fixed notation that read back to the same number; "0" for -0 too.
std::string ExactNumberText(double value);

// The number that the whole text spells in plain notation ("25", "-0.5"); nothing when any of the text
// is not part of it, or when the number can't be held (a floating one must be finite).
template <typename T> std::optional<T> NumberFrom(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if constexpr (std::is_floating_point_v<T>)
        if (!std::isfinite(value)) return std::nullopt;
    return value;
}
