#include "settings/cRegistry.h"

#include "settings/ProgramInfo.h"
#include "settings/RunTimeError.h"

#include <algorithm>

namespace {
[[noreturn]] void Raise(long number, std::string description) {
    throw RunTimeError(number, ProgramInfo::ExecutableName() + ".cRegistry", std::move(description));
}

std::string KeyText(std::int32_t key) {
    return std::to_string(key);
}

// Registry text as the ANSI calls hand it over: the buffer is at least one byte and its last
// byte is taken to be the terminating NUL.
std::string StoredText(const std::vector<std::uint8_t>& data) {
    if (data.empty()) return {};
    return std::string(data.begin(), data.end() - 1);
}

std::uint32_t LittleEndianDword(const std::vector<std::uint8_t>& data) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(data.size(), 4); ++i)
        number |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return number;
}

std::uint32_t ReversedBytes(std::uint32_t number) {
    return (number >> 24) | ((number >> 8) & 0xFF00u) | ((number << 8) & 0xFF0000u) | (number << 24);
}

// A "%" followed, from two characters on, by another "%" looks like a variable reference.
bool LooksExpandable(const std::string& text) {
    const std::size_t first = text.find('%');
    return first != std::string::npos && text.find('%', first + 2) != std::string::npos;
}
} // namespace

cRegistry::cRegistry(RegistryStore& store, const Locale& locale) : m_store(store), m_locale(locale) {}

Variant cRegistry::Value() {
    RegistryValue found;
    const long result = m_store.QueryValue(m_classKey, m_sectionKey, m_valueKey, found);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return m_default;
    m_valueType = static_cast<std::int32_t>(found.Type);
    switch (found.Type) {
    case REG_SZ:
    case REG_MULTI_SZ:
        return StoredText(found.Data);
    case REG_EXPAND_SZ:
        return m_store.ExpandEnvironment(StoredText(found.Data));
    case REG_DWORD:
        return static_cast<std::int32_t>(LittleEndianDword(found.Data));
    case REG_DWORD_BIG_ENDIAN:
        return static_cast<std::int32_t>(ReversedBytes(LittleEndianDword(found.Data)));
    default:
        return ByteArray(found.Data.begin(), found.Data.end());
    }
}

void cRegistry::Value(Variant vValue) {
    const Variant value = std::move(vValue);
    const auto description = [&] {
        return "Failed to set registry value Key: '" + KeyText(m_classKey) + "',Section: '" + m_sectionKey +
               "',Key: '" + m_valueKey + "' to value: '" + value.ToText(m_locale) + "'";
    };
    if (m_store.CreateKey(m_classKey, m_sectionKey) != ERROR_SUCCESS) Raise(ErrorGeneral, description());

    long result = ERROR_SUCCESS;
    switch (m_valueType) {
    case static_cast<std::int32_t>(REG_SZ):
    case static_cast<std::int32_t>(REG_EXPAND_SZ): {
        const std::string text = value.ToText(m_locale);
        std::vector<std::uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        result = m_store.SetValue(m_classKey, m_sectionKey, m_valueKey,
                                  LooksExpandable(text) ? REG_EXPAND_SZ : REG_SZ, data);
        break;
    }
    case static_cast<std::int32_t>(REG_BINARY): {
        const ByteArray* bytes = value.AsBytes();
        if (!bytes) Raise(ErrorGeneral, {});
        result = m_store.SetValue(m_classKey, m_sectionKey, m_valueKey, REG_BINARY, *bytes);
        break;
    }
    case static_cast<std::int32_t>(REG_DWORD):
    case static_cast<std::int32_t>(REG_DWORD_BIG_ENDIAN): {
        // Anything but a whole number is quietly left unwritten.
        if (!value.IsWholeNumber()) break;
        const auto number = static_cast<std::uint32_t>(value.ToInt32(m_locale));
        const std::vector<std::uint8_t> data{
            static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
        result = m_store.SetValue(m_classKey, m_sectionKey, m_valueKey, REG_DWORD, data);
        break;
    }
    default:
        result = RunTimeErrors::TypeMismatch;
        break;
    }
    if (result != ERROR_SUCCESS) Raise(ErrorSetValue, description());
}

bool cRegistry::KeyExists() {
    return m_store.KeyExists(m_classKey, m_sectionKey);
}

bool cRegistry::CreateKey() {
    if (m_store.CreateKey(m_classKey, m_sectionKey) != ERROR_SUCCESS)
        Raise(ErrorGeneral, "Failed to create registry Key: '" + m_sectionKey);
    return true;
}

bool cRegistry::DeleteKey() {
    if (m_store.DeleteKey(m_classKey, m_sectionKey) != ERROR_SUCCESS)
        Raise(ErrorGeneral,
              "Failed to delete registry Key: '" + KeyText(m_classKey) + "',Section: '" + m_sectionKey);
    return true;
}

bool cRegistry::DeleteValue() {
    if (!m_store.KeyExists(m_classKey, m_sectionKey))
        Raise(ErrorGeneral, "Failed to open key '" + KeyText(m_classKey) + "',Section: '" + m_sectionKey +
                                "' for delete access");
    if (m_store.DeleteValue(m_classKey, m_sectionKey, m_valueKey) != ERROR_SUCCESS)
        Raise(ErrorGeneral, "Failed to delete registry Key: '" + KeyText(m_classKey) + "',Section: '" +
                                m_sectionKey + "',Key: '" + m_valueKey);
    return true;
}
