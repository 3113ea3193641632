#pragma once

#include "settings/RegistryStore.h"

// The store on Windows: the registry itself, through advapi32. Every call opens the key it
// needs and closes it before returning.
class Win32RegistryStore final : public RegistryStore {
public:
    // `view` is added to every key's access: KEY_WOW64_32KEY gives a 64-bit program the keys that
    // 32-bit programs see, so that both builds share one user's settings. 0: the program's own view.
    explicit Win32RegistryStore(std::uint32_t view = 0) : m_view(view) {}

    bool KeyExists(std::int32_t root, std::string_view path) override;
    long CreateKey(std::int32_t root, std::string_view path) override;
    long DeleteKey(std::int32_t root, std::string_view path) override;
    long QueryValue(std::int32_t root, std::string_view path, std::string_view name,
                    RegistryValue& value) override;
    long SetValue(std::int32_t root, std::string_view path, std::string_view name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override;
    long DeleteValue(std::int32_t root, std::string_view path, std::string_view name) override;
    long EnumValues(std::int32_t root, std::string_view path, std::vector<std::string>& names) override;
    long EnumKeys(std::int32_t root, std::string_view path, std::vector<std::string>& names) override;
    // Through kernel32, as Windows itself expands: names without regard to case.
    std::string ExpandEnvironment(std::string_view text) override;

private:
    std::uint32_t m_view;
};
