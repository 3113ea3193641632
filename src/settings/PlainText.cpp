#include "settings/PlainText.h"

#include <array>
#include <charconv>

std::string_view Trim(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

namespace {
char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        auto& c = reinterpret_cast<unsigned char&>(folded[i]);
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<unsigned char>(c + 32);
        } else if (c == 0xC3 && i + 1 < folded.size()) {
            auto& next = reinterpret_cast<unsigned char&>(folded[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97) next = static_cast<unsigned char>(next + 0x20);
            ++i;
        }
    }
    return folded;
}

std::size_t Utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) continue; // a continuation byte
        // Four-byte characters lie beyond the first plane and take two units.
        units += byte >= 0xF0 && byte <= 0xF4 ? 2 : 1;
    }
    return units;
}

std::string Padded(long value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < static_cast<std::size_t>(width)) digits.insert(0, width - digits.size(), '0');
    return (value < 0 ? "-" : "") + digits;
}

std::string ExactNumberText(double value) {
    if (value == 0) return "0"; // no "-0"
    // Fixed notation without a precision gives the shortest digits that read back exactly; the
    // widest such text (the smallest denormal) is a few hundred characters.
    std::array<char, 400> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    return std::string(buffer.data(), result.ptr);
}
