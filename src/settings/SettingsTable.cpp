#include "settings/SettingsTable.h"

#include "settings/PlainText.h"
#include "settings/RunTimeError.h"

#include <type_traits>

namespace {

template <typename M> struct MemberOf;
template <typename Class, typename T> struct MemberOf<T Class::*> { using Type = T; };
template <typename M> using MemberType = typename MemberOf<M>::Type;

// Text is stored as text, a boolean as a plain integer or a word, everything else as a number.
template <typename T> constexpr bool FitsForm(TextForm form) {
    if constexpr (std::is_same_v<T, std::string>)
        return form == TextForm::Text;
    else if constexpr (std::is_same_v<T, bool>)
        return form == TextForm::PlainInteger || form == TextForm::WordBoolean;
    else
        return form != TextForm::Text && form != TextForm::WordBoolean;
}

template <typename Rows> constexpr bool EveryRowFits(const Rows& rows) {
    for (const auto* row : rows)
        if (!std::visit([row](auto m) { return FitsForm<MemberType<decltype(m)>>(row->Form); }, row->Member))
            return false;
    return true;
}
static_assert(EveryRowFits(kProfileSettings) && EveryRowFits(kRateSettings),
              "a value's text form doesn't suit its member");

std::string NameOfRate(const RateSetting& row, std::size_t rate) {
    return row.Name + std::to_string(rate);
}

Variant Read(Reader reader, const Settings& settings, const std::string& section, const std::string& name,
             const Variant& fallback) {
    const Locale& locale = settings.UserLocale();
    switch (reader) {
    case Reader::Number:
        return settings.GetProfileNumber(section, name, fallback);
    case Reader::Date: {
        // A date holds 1 January 100 to 31 December 9999; anything beyond overflows.
        const double serial = settings.GetProfileNumber(section, name, fallback).ToDate(locale);
        if (!(serial >= -657434 && serial < 2958466)) RunTimeErrors::Raise(RunTimeErrors::Overflow);
        return Variant(serial);
    }
    case Reader::TrimmedText:
        return Variant(std::string(Trim(settings.GetProfileSetting(section, name, fallback).ToText(locale))));
    case Reader::Text:
        break;
    }
    return settings.GetProfileSetting(section, name, fallback);
}

// The value converted to the member's type; codes are whole numbers.
template <typename T> T As(const Variant& value, const Locale& locale) {
    if constexpr (std::is_same_v<T, bool>)
        return value.ToBool(locale);
    else if constexpr (std::is_same_v<T, std::int16_t>)
        return value.ToInt16(locale);
    else if constexpr (std::is_same_v<T, double>)
        return value.ToDouble(locale);
    else if constexpr (std::is_same_v<T, std::string>)
        return value.ToText(locale);
    else
        return static_cast<T>(value.ToInt16(locale));
}

std::string NumberText(double number, TextForm form) {
    switch (form) {
    case TextForm::Padded:
        return PaddedNumberText(number);
    case TextForm::Point:
        return PointNumberText(number);
    case TextForm::WordBoolean:
        return WordBooleanText(number != 0);
    case TextForm::DayNumber:
        return DayNumberText(number);
    case TextForm::PlainInteger:
    case TextForm::Text:
        break;
    }
    return PlainIntegerText(number);
}

template <typename T> std::string TextOf(const T& value, TextForm form) {
    if constexpr (std::is_same_v<T, std::string>)
        return value;
    else if constexpr (std::is_same_v<T, bool>)
        return NumberText(value ? -1 : 0, form);
    else
        return NumberText(static_cast<double>(value), form);
}

} // namespace

Variant Default::Value(double today) const {
    switch (Of) {
    case Kind::Whole:
        return Variant(static_cast<std::int16_t>(Number));
    case Kind::Boolean:
        return Variant(Number != 0);
    case Kind::Number:
        return Variant(Number);
    case Kind::Text:
        return Variant(std::string(Text));
    case Kind::Today:
        break;
    }
    return Variant(DateValue{today});
}

void LoadSetting(const Setting& row, Globals& g, const Settings& settings, double today) {
    const Variant value = Read(row.Read, settings, row.Section, row.Name, row.Fallback.Value(today));
    // A negative or endless volume would be counted with as it stands.
    if (HoldsVolume(row.Section, row.Name)) {
        const double volume = value.ToDouble(settings.UserLocale());
        if (!(volume >= 0 && volume <= kLargestAmount)) RunTimeErrors::Raise(RunTimeErrors::Overflow);
    }
    std::visit([&](auto m) { g.*m = As<MemberType<decltype(m)>>(value, settings.UserLocale()); }, row.Member);
}

void LoadSetting(const RateSetting& row, std::size_t rate, Globals& g, const Settings& settings) {
    ChargeRate& r = g.Rates.at(rate);
    const Variant value =
        Read(row.Read, settings, row.Section, NameOfRate(row, rate), row.Fallbacks.at(rate - 1).Value(0));
    std::visit([&](auto m) { r.*m = As<MemberType<decltype(m)>>(value, settings.UserLocale()); }, row.Member);
}

void SetToDefault(const RateSetting& row, std::size_t rate, Globals& g) {
    ChargeRate& r = g.Rates.at(rate);
    const Default& fallback = row.Fallbacks.at(rate - 1);
    std::visit(
        [&](auto m) {
            if constexpr (std::is_same_v<MemberType<decltype(m)>, std::string>)
                r.*m = fallback.Text;
            else
                r.*m = fallback.Number;
        },
        row.Member);
}

std::string StoredText(const Setting& row, const Globals& g) {
    return std::visit([&](auto m) { return TextOf(g.*m, row.Form); }, row.Member);
}

void SaveSetting(const Setting& row, const Globals& g, const Settings& settings) {
    settings.SetProfileSetting(row.Section, row.Name, StoredText(row, g));
}

void SaveSetting(const RateSetting& row, std::size_t rate, const Globals& g, const Settings& settings) {
    const ChargeRate& r = g.Rates.at(rate);
    settings.SetProfileSetting(row.Section, NameOfRate(row, rate),
                               std::visit([&](auto m) { return TextOf(r.*m, row.Form); }, row.Member));
}

bool HoldsAmount(std::string_view section, std::string_view name) {
    for (const Setting* row : {&kCumulativeTime, &kCumulativeMoney, &kMinCharge, &kFailCharge, &kAlarmMoney,
                               &kAlarmTime, &kFreeTimePerMonth, &kCostPerHour, &kFreeTimeLeft})
        if (EqualsNoCase(section, row->Section) && EqualsNoCase(name, row->Name)) return true;
    const std::string_view amount = kRateAmount.Name;
    return EqualsNoCase(section, kRateAmount.Section) && name.size() == amount.size() + 1 &&
           EqualsNoCase(name.substr(0, amount.size()), amount) && name.back() >= '1' && name.back() <= '5';
}

bool HoldsVolume(std::string_view section, std::string_view name) {
    for (const Setting* row : {&kDataAllowance, &kDataUsed})
        if (EqualsNoCase(section, row->Section) && EqualsNoCase(name, row->Name)) return true;
    return false;
}
