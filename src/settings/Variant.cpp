#include "settings/Variant.h"

#include "settings/PlainText.h"
#include "settings/RunTimeError.h"

#include <cmath>
#include <limits>

double RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) return floor + 1;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

namespace {

template <typename T> T ToWhole(const Variant& v, const Locale& locale) {
    const double rounded = RoundHalfEven(v.ToDouble(locale));
    if (!(rounded >= std::numeric_limits<T>::min() && rounded <= std::numeric_limits<T>::max()))
        RunTimeErrors::Raise(RunTimeErrors::Overflow);
    return static_cast<T>(rounded);
}

} // namespace

bool Variant::IsNumeric() const {
    switch (GetKind()) {
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Double:
    case Kind::Boolean:
        return true;
    default:
        return false;
    }
}

std::string Variant::ToText(const Locale& locale) const {
    switch (GetKind()) {
    case Kind::Empty:
        return {};
    case Kind::String:
        return std::get<std::string>(m_value);
    case Kind::Int16:
        return std::to_string(std::get<std::int16_t>(m_value));
    case Kind::Int32:
        return std::to_string(std::get<std::int32_t>(m_value));
    case Kind::Double:
        return locale.FormatNumber(std::get<double>(m_value));
    case Kind::Boolean:
        return std::get<bool>(m_value) ? "True" : "False";
    case Kind::Date: {
        const double serial = std::get<DateValue>(m_value).Serial;
        std::string text = locale.FormatShortDate(serial);
        if (serial != std::floor(serial)) {
            text += ' ';
            text += locale.FormatTime(serial);
        }
        return text;
    }
    case Kind::Bytes: {
        const ByteArray& bytes = std::get<ByteArray>(m_value);
        return std::string(bytes.begin(), bytes.end());
    }
    }
    return {};
}

double Variant::ToDouble(const Locale& locale) const {
    switch (GetKind()) {
    case Kind::Empty:
        return 0;
    case Kind::Int16:
        return std::get<std::int16_t>(m_value);
    case Kind::Int32:
        return std::get<std::int32_t>(m_value);
    case Kind::Double:
        return std::get<double>(m_value);
    case Kind::Boolean:
        return std::get<bool>(m_value) ? -1 : 0;
    case Kind::Date:
        return std::get<DateValue>(m_value).Serial;
    case Kind::String:
    case Kind::Bytes: {
        const std::string text = ToText(locale);
        if (auto number = locale.ParseNumber(text)) return *number;
        const std::string_view word = Trim(text, " \t");
        if (EqualsNoCase(word, "True")) return -1;
        if (EqualsNoCase(word, "False")) return 0;
        RunTimeErrors::Raise(RunTimeErrors::TypeMismatch);
    }
    }
    return 0;
}

std::int16_t Variant::ToInt16(const Locale& locale) const {
    return ToWhole<std::int16_t>(*this, locale);
}

std::int32_t Variant::ToInt32(const Locale& locale) const {
    return ToWhole<std::int32_t>(*this, locale);
}

bool Variant::ToBool(const Locale& locale) const {
    return ToDouble(locale) != 0;
}

double Variant::ToDate(const Locale& locale) const {
    if (GetKind() == Kind::String) {
        if (auto date = locale.ParseShortDate(std::get<std::string>(m_value))) return *date;
    }
    return ToDouble(locale);
}
