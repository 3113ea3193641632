#include "platform/JournalFileName.h"

#include <cstdint>

std::string JournalFileStem(const std::string& profile) {
    constexpr const char* hex = "0123456789abcdef";
    std::string stem;
    for (const char c : profile) {
        const auto byte = static_cast<unsigned char>(c);
        const char lower = byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : c;
        if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') || lower == '-' ||
            lower == '_') {
            stem += lower;
        } else {
            stem += '%';
            stem += hex[byte >> 4];
            stem += hex[byte & 15];
        }
    }
    // File names have room for 255 bytes: a long name keeps its start and a hash of the whole.
    constexpr std::size_t kKept = 80;
    if (stem.size() > 2 * kKept) {
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : stem) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ull;
        }
        stem.resize(kKept);
        stem += '-';
        for (int shift = 60; shift >= 0; shift -= 4)
            stem += hex[(hash >> shift) & 15];
    }
    return stem.empty() ? "%" : stem;
}
