#pragma once

#include "settings/Locale.h"
#include "settings/RegistryStore.h"
#include "settings/Variant.h"

#include <cstdint>
#include <string>

// Addresses one registry value by root key, key path and value name; reads it with whatever
// type it has and writes it with the type the caller chose. Raises RunTimeError on failures
// with the numbers and texts below.
class cRegistry {
public:
    static constexpr long ErrorGeneral = 26001;
    static constexpr long ErrorSetValue = -2147194455; // 0x800469A9

    cRegistry(RegistryStore& store, const Locale& locale);

    std::int32_t ClassKey() const { return m_classKey; }
    void ClassKey(std::int32_t eKey) { m_classKey = eKey; }
    const std::string& SectionKey() const { return m_sectionKey; }
    void SectionKey(std::string sSectionKey) { m_sectionKey = std::move(sSectionKey); }
    const std::string& ValueKey() const { return m_valueKey; }
    void ValueKey(std::string sValueKey) { m_valueKey = std::move(sValueKey); }
    std::int32_t ValueType() const { return m_valueType; }
    void ValueType(std::int32_t eValueType) { m_valueType = eValueType; }
    const Variant& Default() const { return m_default; }
    void Default(Variant vDefault) { m_default = std::move(vDefault); }

    Variant Value();
    void Value(Variant vValue);

    bool KeyExists();
    bool CreateKey();
    bool DeleteKey();
    bool DeleteValue();

private:
    RegistryStore& m_store;
    const Locale& m_locale;
    std::int32_t m_classKey = 0;
    std::string m_sectionKey;
    std::string m_valueKey;
    Variant m_default;
    std::int32_t m_valueType = 0;
};
