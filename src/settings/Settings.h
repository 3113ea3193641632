#pragma once

#include "settings/ProfileList.h"
#include "settings/RegistryStore.h"
#include "settings/Variant.h"

#include <cstdint>
#include <string>

// The settings helpers: the only way the program reaches the store for its settings.
// Each call creates its own cRegistry, as the store keeps nothing open.
class Settings {
public:
    static constexpr const char* BaseKey = "Software\\Orvane\\Tallydial\\";

    // The profile in use is read from `profiles` at every call.
    Settings(RegistryStore& store, const Locale& locale, const ProfileList& profiles);

    Variant ReadRegistryValue(const std::string& keyPath, const std::string& valueName,
                              std::int32_t valueType, std::int32_t rootKey = HKEY_LOCAL_MACHINE) const;
    void WriteRegistryValue(const std::string& keyPath, const std::string& valueName, std::int32_t valueType,
                            const Variant& value, std::int32_t rootKey = HKEY_LOCAL_MACHINE) const;

    Variant GetProfileSetting(const std::string& section, const std::string& valueName,
                              const Variant& defaultValue) const;
    Variant GetProfileNumber(const std::string& section, const std::string& valueName,
                             const Variant& defaultValue) const;
    void SetProfileSetting(const std::string& section, const std::string& valueName,
                           const std::string& text) const;
    Variant GetBaseSetting(const std::string& valueName, const std::string& defaultText) const;
    void SetBaseSetting(const std::string& valueName, const std::string& text) const;

    const Locale& UserLocale() const { return m_locale; }
    RegistryStore& Store() const { return m_store; }

private:
    RegistryStore& m_store;
    const Locale& m_locale;
    const ProfileList& m_profiles;
};

// Text forms of stored numbers, and their reader.
Variant ParseStoredNumber(const Variant& value, const Locale& locale);
std::string StoredNumberText(const std::string& text);
std::string PlainIntegerText(double value); // "-1", "25"
std::string PaddedNumberText(double value); // " 2", " .5", "-1.25"
// The form every number the program stores is written in: a point whatever the locale, no grouping,
// up to 15 significant digits ("0.75", "1234.5", "1E+20"). Any locale reads it back to the same value.
std::string PointNumberText(double value);
std::string WordBooleanText(bool value);      // "True", "False"
std::string DayNumberText(double dateSerial); // "36526"
