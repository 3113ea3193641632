#pragma once

#include "settings/EnvironmentStrings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The registry's root keys, as the predefined handle values of the Windows API.
inline constexpr std::int32_t HKEY_CLASSES_ROOT = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t HKEY_CURRENT_USER = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::int32_t HKEY_LOCAL_MACHINE = static_cast<std::int32_t>(0x80000002u);

// Registry value types.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_DWORD_BIG_ENDIAN = 5;
inline constexpr std::uint32_t REG_LINK = 6;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

// Results of store operations, with the Windows error numbers.
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_NO_MORE_ITEMS = 259;
inline constexpr long ERROR_WRITE_FAULT = 29;

// The registry's limit for the levels of a key path.
inline constexpr std::size_t kMaxKeyDepth = 512;

struct RegistryValue {
    std::string Name;
    std::uint32_t Type = REG_NONE;
    std::vector<std::uint8_t> Data; // exactly the stored bytes (REG_SZ text includes its NUL)
};

// A tree of keys with typed values under three roots, with the registry's semantics:
// key and value names compare without regard to case and keep the spelling of the first write;
// values keep their type and bytes. No handle stays open between calls.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    virtual bool KeyExists(std::int32_t root, std::string_view path) = 0;
    // Creates the key and any missing parents.
    virtual long CreateKey(std::int32_t root, std::string_view path) = 0;
    // Fails when the key has subkeys, as the registry does.
    virtual long DeleteKey(std::int32_t root, std::string_view path) = 0;
    virtual long QueryValue(std::int32_t root, std::string_view path, std::string_view name,
                            RegistryValue& value) = 0;
    // Creates the key and any missing parents, then the value, in one step.
    virtual long SetValue(std::int32_t root, std::string_view path, std::string_view name, std::uint32_t type,
                          const std::vector<std::uint8_t>& data) = 0;
    virtual long DeleteValue(std::int32_t root, std::string_view path, std::string_view name) = 0;
    // Value names in the store's own order (Windows: as first written; Wine: alphabetical);
    // ERROR_FILE_NOT_FOUND for a missing key.
    virtual long EnumValues(std::int32_t root, std::string_view path, std::vector<std::string>& names) = 0;
    // Subkey names, in alphabetical order without regard to case.
    virtual long EnumKeys(std::int32_t root, std::string_view path, std::vector<std::string>& names) = 0;
    // False when what is written lasts only for this run.
    virtual bool Persistent() const { return true; }
    // Runs the changes that `steps` makes as one: all of them are kept when it returns ERROR_SUCCESS,
    // none when it returns anything else or never returns. A store without transactions runs them
    // as they come.
    virtual long Batch(const std::function<long()>& steps) { return steps(); }
    // Takes up a backing file deleted or replaced since the last write now rather than at the next
    // one; cheap enough for every journal write. A store without such a file does nothing.
    virtual void Follow() {}
    // An expandable value's text with its %NAME% references replaced from the environment.
    virtual std::string ExpandEnvironment(std::string_view text) { return ExpandEnvironmentStrings(text); }
};
