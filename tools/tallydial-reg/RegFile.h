#pragma once

#include "settings/PlainText.h"
#include "settings/RegistryStore.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A key as the user writes it: a root (short or long name, any case) and the path below it.
struct RegKeyName {
    std::int32_t Root = HKEY_LOCAL_MACHINE;
    std::string Path; // without leading or trailing backslashes; empty for the root itself
};

// "HKLM\Software\X", "hkey_current_user", ... Nothing for an unknown root or an empty path part.
std::optional<RegKeyName> ParseKeyName(std::string_view text);
std::string RootLongName(std::int32_t root);
// The key's path with the spelling the store keeps; parts it doesn't have keep the caller's spelling.
std::string StoredKeyPath(RegistryStore& store, const RegKeyName& key);
// The same with the root's long name in front ("HKEY_LOCAL_MACHINE\Software\...").
std::string StoredKeyName(RegistryStore& store, const RegKeyName& key);
// The value's name as stored, or nothing when the key has no such value.
std::optional<std::string> StoredValueName(RegistryStore& store, const RegKeyName& key,
                                           std::string_view name);

// Deletes the key with all its subkeys (the store deletes only childless keys).
long DeleteKeyTree(RegistryStore& store, std::int32_t root, const std::string& path);

// The registry script ("Windows Registry Editor Version 5.00") of the key and all its subkeys, as UTF-8.
std::string ExportRegText(RegistryStore& store, const RegKeyName& key);

// One step of a script, applied only once the whole script has been read.
struct ImportStep {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue } What = Kind::CreateKey;
    RegKeyName Key;
    std::string Name;
    std::uint32_t Type = REG_SZ;
    std::vector<std::uint8_t> Data;
};

struct RegImportResult {
    bool Ok = true;
    std::string Error; // what went wrong, naming the line
};
// Reads a registry script, handing its steps in order to `onStep`, which returns false to stop.
// Stops at the first error, naming its line.
RegImportResult ParseRegText(std::string_view bytes, const std::function<bool(const ImportStep&)>& onStep);
// The same, collecting the steps.
RegImportResult ParseRegText(std::string_view bytes, std::vector<ImportStep>& steps);
// Applies a registry script (UTF-8 or UTF-16LE with a byte order mark) as one change of the store:
// a script with a syntax error, or an import cut short, changes nothing.
RegImportResult ImportRegText(RegistryStore& store, std::string_view bytes);

// Registry scripts carry the text of string types as UTF-16LE; the store keeps UTF-8.
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text);
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);
