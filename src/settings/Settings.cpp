#include "settings/Settings.h"

#include "settings/DateSerial.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"
#include "settings/cRegistry.h"

#include <charconv>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The power of ten of the first significant digit of a number read by LeadingNumber, roughly.
long DecimalMagnitude(const std::string& plain) {
    size_t i = plain[0] == '-' ? 1 : 0;
    long magnitude = 0;
    bool significant = false;
    for (; i < plain.size() && IsDigit(plain[i]); ++i)
        if (significant || plain[i] != '0') {
            significant = true;
            ++magnitude;
        }
    if (i < plain.size() && plain[i] == '.')
        for (++i; !significant && i < plain.size() && IsDigit(plain[i]); ++i) {
            if (plain[i] != '0')
                significant = true;
            else
                --magnitude;
        }
    const size_t e = plain.find('e');
    if (e != std::string::npos) {
        long exponent = 0;
        for (size_t j = e + 1; j < plain.size(); ++j)
            if (IsDigit(plain[j]) && exponent < 100000) exponent = exponent * 10 + (plain[j] - '0');
        magnitude += plain.compare(e, 2, "e-") == 0 ? -exponent : exponent;
    }
    return magnitude;
}

// The longest leading number of the text, read with a point; blanks anywhere don't count.
double LeadingNumber(const std::string& text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s += c;
    size_t i = 0;
    std::string plain;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') plain += '-';
        ++i;
    }
    bool digits = false;
    while (i < s.size() && IsDigit(s[i])) {
        plain += s[i++];
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        plain += '.';
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            plain += s[i++];
            digits = true;
        }
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
        const size_t start = j;
        while (j < s.size() && IsDigit(s[j]))
            exponent += s[j++];
        if (j > start) plain += exponent;
    }
    double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Tiny magnitudes read as zero, with or without an exponent; huge ones can't be held.
        if (DecimalMagnitude(plain) < 0) return 0;
        RunTimeErrors::Raise(RunTimeErrors::Overflow);
    }
    return value;
}

// Defaults are stored in forms that read back alike in every locale: numbers with a point, dates
// as day numbers.
std::string StoredDefaultText(const Variant& value) {
    switch (value.GetKind()) {
    case Variant::Kind::Double:
        return PointNumberText(value.ToDouble(Locale::DecimalPoint()));
    case Variant::Kind::Date:
        return DayNumberText(value.ToDouble(Locale::DecimalPoint()));
    default:
        return value.ToText(Locale::DecimalPoint());
    }
}

} // namespace

Settings::Settings(RegistryStore& store, const Locale& locale, const ProfileList& profiles)
    : m_store(store), m_locale(locale), m_profiles(profiles) {}

Variant Settings::ReadRegistryValue(const std::string& keyPath, const std::string& valueName,
                                    std::int32_t valueType, std::int32_t rootKey) const {
    cRegistry registry(m_store, m_locale);
    registry.ClassKey(rootKey);
    registry.SectionKey(keyPath);
    registry.ValueKey(valueName);
    registry.ValueType(valueType);
    return registry.Value();
}

void Settings::WriteRegistryValue(const std::string& keyPath, const std::string& valueName,
                                  std::int32_t valueType, const Variant& value, std::int32_t rootKey) const {
    cRegistry registry(m_store, m_locale);
    registry.ClassKey(rootKey);
    registry.SectionKey(keyPath);
    registry.ValueKey(valueName);
    registry.ValueType(valueType);
    registry.Value(value);
}

Variant Settings::GetProfileSetting(const std::string& section, const std::string& valueName,
                                    const Variant& defaultValue) const {
    const std::string profileKey = std::string(BaseKey) + m_profiles.CurrentName();
    const std::string ownKey = profileKey + "\\" + section;
    const std::string base = ReadRegistryValue(profileKey, "Base", REG_SZ).ToText(m_locale);

    Variant result;
    // A new profile keeps its own totals: they are never taken over from the base profile.
    if (EqualsNoCase(section, "CumulativeTotal") || base.empty()) {
        result = ReadRegistryValue(ownKey, valueName, REG_SZ);
    } else {
        result = ReadRegistryValue(std::string(BaseKey) + base + "\\" + section, valueName, REG_SZ);
        if (!result.ToText(m_locale).empty()) WriteRegistryValue(ownKey, valueName, REG_SZ, result);
    }
    if (result.ToText(m_locale).empty()) {
        result = defaultValue;
        WriteRegistryValue(ownKey, valueName, REG_SZ, Variant(StoredDefaultText(defaultValue)));
    }
    return result;
}

Variant Settings::GetProfileNumber(const std::string& section, const std::string& valueName,
                                   const Variant& defaultValue) const {
    return ParseStoredNumber(GetProfileSetting(section, valueName, defaultValue), m_locale);
}

void Settings::SetProfileSetting(const std::string& section, const std::string& valueName,
                                 const std::string& text) const {
    WriteRegistryValue(std::string(BaseKey) + m_profiles.CurrentName() + "\\" + section, valueName, REG_SZ,
                       Variant(text));
}

Variant Settings::GetBaseSetting(const std::string& valueName, const std::string& defaultText) const {
    Variant result = ReadRegistryValue(BaseKey, valueName, REG_SZ);
    if (result.ToText(m_locale).empty()) {
        result = Variant(defaultText);
        WriteRegistryValue(BaseKey, valueName, REG_SZ, result);
    }
    return result;
}

void Settings::SetBaseSetting(const std::string& valueName, const std::string& text) const {
    WriteRegistryValue(BaseKey, valueName, REG_SZ, Variant(text));
}

Variant ParseStoredNumber(const Variant& value, const Locale& locale) {
    if (value.GetKind() == Variant::Kind::Date) return Variant(value.ToDate(locale));
    const std::string text = value.ToText(locale);

    // Word booleans and short dates are stored by the defaults of the settings; they read as their value.
    const std::string_view trimmed = Trim(text, " \t\r\n");
    if (EqualsNoCase(trimmed, "true")) return Variant(-1.0);
    if (EqualsNoCase(trimmed, "false")) return Variant(0.0);
    if (auto date = locale.ParseShortDate(trimmed))
        return Variant(static_cast<double>(DateSerial::DayNumber(*date)));

    if (text.find('.') != std::string::npos) return Variant(LeadingNumber(text));
    if (text.empty()) return Variant(std::int16_t{0});
    if (auto number = locale.ParseNumber(text)) return Variant(*number);
    // Without a grouping mark a comma can only be the decimal comma of the locale it was written in.
    if (locale.GroupSeparator.empty()) return Variant(LeadingNumber(StoredNumberText(text)));
    return Variant(LeadingNumber(text));
}

std::string StoredNumberText(const std::string& text) {
    std::string result = text;
    const size_t comma = result.find(',');
    if (comma != std::string::npos) result[comma] = '.';
    return result;
}

std::string PlainIntegerText(double value) {
    return std::to_string(static_cast<long long>(RoundHalfEven(value)));
}

std::string PaddedNumberText(double value) {
    if (value == 0) return " 0";
    std::string text = Locale::DecimalPoint().FormatNumber(value);
    if (text.rfind("0.", 0) == 0)
        text.erase(0, 1);
    else if (text.rfind("-0.", 0) == 0)
        text.erase(1, 1);
    return value < 0 ? text : " " + text;
}

std::string PointNumberText(double value) {
    return Locale::DecimalPoint().FormatNumber(value);
}

std::string WordBooleanText(bool value) {
    return Variant(value).ToText(Locale::DecimalPoint());
}

std::string DayNumberText(double dateSerial) {
    return std::to_string(DateSerial::DayNumber(dateSerial));
}
