#include "settings/EnvironmentStrings.h"

#include <cstdlib>

std::string ExpandEnvironmentStrings(std::string_view text) {
    return ExpandEnvironmentStrings(text, [](const std::string& name) -> std::optional<std::string> {
        if (name.empty()) return std::nullopt;
        const char* value = std::getenv(name.c_str());
        if (!value) return std::nullopt;
        return std::string(value);
    });
}

std::string
ExpandEnvironmentStrings(std::string_view text,
                         const std::function<std::optional<std::string>(const std::string&)>& lookup) {
    std::string result;
    result.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        const char c = text[position];
        if (c == '%') {
            const std::size_t close = text.find('%', position + 1);
            if (close != std::string_view::npos) {
                if (auto value = lookup(std::string(text.substr(position + 1, close - position - 1)))) {
                    result += *value;
                    position = close + 1;
                    continue;
                }
            }
        }
        // An unknown or unclosed reference keeps its "%"; scanning resumes right after it.
        result += c;
        ++position;
    }
    return result;
}
