#include "platform/windows/Win32RegistryStore.h"

// After our header: windows.h turns the registry's names into macros of the same values.
#include <windows.h>

namespace {
// Query, set, create subkey, enumerate, notify and create link: what every write asks for.
constexpr REGSAM AllAccess = 0x3F;

HKEY Root(std::int32_t root) {
    // The predefined handles are sign-extended on 64-bit Windows.
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root));
}

// Owns an open key for the length of one call.
class OpenKey {
public:
    explicit OpenKey(std::uint32_t view) : m_view(view) {}
    ~OpenKey() {
        if (m_key) RegCloseKey(m_key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    LONG Open(std::int32_t root, std::string_view path, REGSAM access) {
        return RegOpenKeyExA(Root(root), std::string(path).c_str(), 0, access | m_view, &m_key);
    }
    LONG Create(std::int32_t root, std::string_view path) {
        // All zeros: the default security.
        SECURITY_ATTRIBUTES security{};
        DWORD disposition = 0;
        char emptyClass[] = "";
        return RegCreateKeyExA(Root(root), std::string(path).c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE,
                               AllAccess | m_view, &security, &m_key, &disposition);
    }
    HKEY Get() const { return m_key; }

private:
    REGSAM m_view;
    HKEY m_key = nullptr;
};
} // namespace

bool Win32RegistryStore::KeyExists(std::int32_t root, std::string_view path) {
    OpenKey key(m_view);
    return key.Open(root, path, KEY_QUERY_VALUE) == ERROR_SUCCESS;
}

long Win32RegistryStore::CreateKey(std::int32_t root, std::string_view path) {
    OpenKey key(m_view);
    return key.Create(root, path);
}

long Win32RegistryStore::DeleteKey(std::int32_t root, std::string_view path) {
    return RegDeleteKeyExA(Root(root), std::string(path).c_str(), m_view, 0);
}

long Win32RegistryStore::QueryValue(std::int32_t root, std::string_view path, std::string_view name,
                                    RegistryValue& value) {
    OpenKey key(m_view);
    if (const LONG result = key.Open(root, path, KEY_QUERY_VALUE); result != ERROR_SUCCESS) return result;
    const std::string valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size);
    // The value may grow between the probe and the read.
    for (int attempt = 0; attempt < 4 && result == ERROR_SUCCESS; ++attempt) {
        value.Data.resize(size);
        DWORD read = size;
        result = RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type,
                                  value.Data.empty() ? nullptr : value.Data.data(), &read);
        if (result == ERROR_SUCCESS) {
            value.Data.resize(read);
            value.Name = valueName;
            value.Type = static_cast<std::uint32_t>(type);
            return ERROR_SUCCESS;
        }
        if (result == ERROR_MORE_DATA) {
            size = read;
            result = ERROR_SUCCESS;
        }
    }
    return result;
}

long Win32RegistryStore::SetValue(std::int32_t root, std::string_view path, std::string_view name,
                                  std::uint32_t type, const std::vector<std::uint8_t>& data) {
    OpenKey key(m_view);
    if (const LONG result = key.Create(root, path); result != ERROR_SUCCESS) return result;
    return RegSetValueExA(key.Get(), std::string(name).c_str(), 0, type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size()));
}

long Win32RegistryStore::DeleteValue(std::int32_t root, std::string_view path, std::string_view name) {
    OpenKey key(m_view);
    if (const LONG result = key.Open(root, path, AllAccess); result != ERROR_SUCCESS) return result;
    return RegDeleteValueA(key.Get(), std::string(name).c_str());
}

long Win32RegistryStore::EnumValues(std::int32_t root, std::string_view path,
                                    std::vector<std::string>& names) {
    names.clear();
    OpenKey key(m_view);
    if (const LONG result = key.Open(root, path, KEY_QUERY_VALUE); result != ERROR_SUCCESS) return result;
    DWORD longest = 0;
    LONG result = RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &longest, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) return result;
    for (DWORD index = 0;; ++index) {
        std::string name(longest + 1, '\0');
        DWORD length = longest + 1;
        result = RegEnumValueA(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) break;
        name.resize(length);
        names.push_back(std::move(name));
    }
    return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
}

long Win32RegistryStore::EnumKeys(std::int32_t root, std::string_view path, std::vector<std::string>& names) {
    names.clear();
    OpenKey key(m_view);
    if (const LONG result = key.Open(root, path, KEY_ENUMERATE_SUB_KEYS); result != ERROR_SUCCESS)
        return result;
    LONG result = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index) {
        // Key names are at most 255 characters.
        char name[256] = {};
        result = RegEnumKeyA(key.Get(), index, name, sizeof(name));
        if (result != ERROR_SUCCESS) break;
        names.emplace_back(name);
    }
    return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
}

std::string Win32RegistryStore::ExpandEnvironment(std::string_view text) {
    const std::string source(text);
    // The size probe counts the terminating NUL.
    const DWORD size = ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
    if (size == 0) return source;
    std::string expanded(size, '\0');
    ExpandEnvironmentStringsA(source.c_str(), expanded.data(), size);
    expanded.resize(size - 1);
    return expanded;
}
