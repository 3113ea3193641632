#pragma once

#include <string>
#include <string_view>

// The text without any of `blanks` at either end.
std::string_view Trim(std::string_view text, std::string_view blanks = " ");

// Equal but for the case of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Lower case of ASCII and of the capital Latin-1 letters in UTF-8 (U+00C0..U+00DE but the
// multiplication sign): names that differ only so are one name to the store and on the command line.
std::string FoldCase(std::string_view text);

// The whole number with zeros before its digits up to `width` of them: Padded(7, 2) is "07".
std::string Padded(long value, int width);

// The shortest digits in fixed notation that read back to the same number; "0" for -0 too.
std::string ExactNumberText(double value);
