#pragma once

#include "settings/Locale.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// A date value inside a Variant: days since 30 December 1899, fraction = time of day.
struct DateValue {
    double Serial = 0;
    bool operator==(const DateValue&) const = default;
};

using ByteArray = std::vector<std::uint8_t>;

// The tagged value that carries settings between the store, the helpers and the model.
class Variant {
public:
    enum class Kind { Empty, String, Int16, Int32, Double, Boolean, Date, Bytes };

    Variant() = default;
    Variant(std::string text) : m_value(std::move(text)) {}
    Variant(const char* text) : m_value(std::string(text)) {}
    Variant(std::int16_t number) : m_value(number) {}
    Variant(std::int32_t number) : m_value(number) {}
    Variant(double number) : m_value(number) {}
    Variant(bool flag) : m_value(flag) {}
    Variant(DateValue date) : m_value(date) {}
    Variant(ByteArray bytes) : m_value(std::move(bytes)) {}

    Kind GetKind() const { return static_cast<Kind>(m_value.index()); }
    bool IsWholeNumber() const { return GetKind() == Kind::Int16 || GetKind() == Kind::Int32; }
    bool IsNumeric() const;

    // The standard conversion to text: whole numbers plain, booleans True/False,
    // doubles with up to 15 significant digits and the locale's decimal separator,
    // dates in the short date format (with the time when it is not midnight).
    std::string ToText(const Locale& locale) const;

    // The standard conversions to numbers; each raises Type mismatch (13) for text that
    // is not a number, and the whole-number ones Overflow (6) beyond their range.
    double ToDouble(const Locale& locale) const;
    std::int16_t ToInt16(const Locale& locale) const;
    std::int32_t ToInt32(const Locale& locale) const;
    // False for 0, true for any other number; also reads the words True and False.
    bool ToBool(const Locale& locale) const;
    // Numbers are taken as date serials; text is read in the short date format.
    double ToDate(const Locale& locale) const;

    const ByteArray* AsBytes() const { return std::get_if<ByteArray>(&m_value); }

    bool operator==(const Variant&) const = default;

private:
    std::variant<std::monostate, std::string, std::int16_t, std::int32_t, double, bool, DateValue, ByteArray>
        m_value;
};

// Rounds to the nearest whole number, a half to the even neighbour.
double RoundHalfEven(double value);
