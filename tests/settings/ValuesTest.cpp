#include "settings/DateSerial.h"
#include "settings/RunTimeError.h"
#include "settings/Settings.h"
#include "settings/Variant.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace {
using testing::Field;
using testing::Throws;

const Locale point = Locale::DecimalPoint();
const Locale comma = Locale::DecimalComma();
const Locale plain{".", "", "dd/MM/yyyy", "HH:mm:ss"};

TEST(DateSerial, KnownDaysAndWeekdays) {
    EXPECT_EQ(DateSerial::FromCivil(2000, 1, 1), 36526);
    const CivilDate back = DateSerial::ToCivil(36526.75);
    EXPECT_EQ(std::tuple(back.Year, back.Month, back.Day), std::tuple(2000, 1, 1));
    EXPECT_EQ(DateSerial::ToTime(36526.75).Hour, 18);
    EXPECT_EQ(DateSerial::Weekday(DateSerial::FromCivil(2026, 12, 6)), 7) << "a Sunday";
    EXPECT_EQ(DateSerial::DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DateSerial::DayNumber(36526.5), 36526) << "a half rounds to the even day";

    const TimeOfDay last =
        DateSerial::ToTime(DateSerial::FromCivil(2026, 1, 1) + DateSerial::FromTime(23, 59, 59.9999));
    EXPECT_EQ(std::tuple(last.Hour, last.Second), std::tuple(23, 59)) << "the last moment stays on its day";

    // Serials beyond the calendar clamp instead of overflowing.
    EXPECT_EQ(DateSerial::ToCivil(1e300).Year, 9999);
    EXPECT_EQ(DateSerial::ToCivil(-1e300).Year, 100);
    EXPECT_EQ(DateSerial::ToTime(std::numeric_limits<double>::infinity()).Hour, 0);
    EXPECT_EQ(DateSerial::DayNumber(1e300), 2958465);
}

TEST(Variant, ConversionsRoundAndReport) {
    EXPECT_EQ(Variant("2.5").ToInt16(point), 2);
    EXPECT_EQ(Variant("3.5").ToInt16(point), 4);
    EXPECT_EQ(Variant("1.234,5").ToDouble(comma), 1234.5);
    EXPECT_EQ(Variant(" 12 ").ToDouble(point), 12);
    EXPECT_EQ(Variant("1,5E+3").ToDouble(comma), 1500);
    EXPECT_TRUE(Variant("True").ToBool(point));
    EXPECT_FALSE(Variant("false").ToBool(comma));
    EXPECT_TRUE(Variant("-1").ToBool(point));
    EXPECT_THAT([] { (void)Variant("abc").ToDouble(point); },
                Throws<RunTimeError>(Field(&RunTimeError::Number, 13)));
    EXPECT_EQ(Variant(std::int16_t{-1}).ToText(point), "-1");
    EXPECT_EQ(Variant(1.0 / 3).ToText(point), "0.333333333333333");
    EXPECT_EQ(Variant(25.0).ToText(point), "25");
    EXPECT_FALSE(point.ParseShortDate("31/02/2026"));
    const Locale twoDigitYears{".", ",", "M/d/yy", "h:mm:ss"};
    EXPECT_EQ(twoDigitYears.ParseShortDate("1/2/29"), 47120) << "2029";
    EXPECT_EQ(twoDigitYears.ParseShortDate("1/2/30"), 10960) << "1930";
    EXPECT_EQ(point.FormatTime(DateSerial::FromTime(7, 5, 3)), "07:05:03");
}

const double day = DateSerial::FromCivil(2026, 12, 2);
struct NumberRow {
    const char* Name;
    Variant Input;
    double Point;                               // result with a decimal point locale
    double Comma;                               // result with a decimal comma locale
    std::optional<double> Plain = std::nullopt; // result with a locale without grouping (C, POSIX)
};
class StoredNumber : public testing::TestWithParam<NumberRow> {};

TEST_P(StoredNumber, ReadsEveryStoredForm) {
    const NumberRow& row = GetParam();
    const Variant p = ParseStoredNumber(row.Input, point);
    EXPECT_EQ(p.GetKind(), Variant::Kind::Double);
    EXPECT_DOUBLE_EQ(p.ToDouble(point), row.Point);
    EXPECT_DOUBLE_EQ(ParseStoredNumber(row.Input, comma).ToDouble(comma), row.Comma);
    if (row.Plain) {
        EXPECT_DOUBLE_EQ(ParseStoredNumber(row.Input, plain).ToDouble(plain), *row.Plain);
    }
}

const NumberRow numberRows[] = {
    {"blank then digit", " 3", 3, 3},
    {"padded fraction without zero", " .25", 0.25, 0.25},
    {"point is a decimal point everywhere", "1.5", 1.5, 1.5},
    {"comma follows the locale", "1,5", 15, 1.5, 1.5},
    {"a comma total of an earlier locale keeps its value without grouping", "0,0025004642753629",
     25004642753629, 0.0025004642753629, 0.0025004642753629},
    {"a tiny number without exponent is zero", "0." + std::string(330, '0') + "1", 0, 0},
    {"a tiny number with an exponent is zero", "1.5E-400", 0, 0},
    {"a huge number is held", "1e300", 1e300, 1e300},
    {"minus zero", "-0", 0, 0, 0},
    {"trailing letters are ignored", "12abc", 12, 12},
    {"no leading number is zero", "abc", 0, 0},
    {"negative padded fraction", "-.5", -0.5, -0.5},
    {"padded exponent", " 1E+20", 1e20, 1e20},
    {"small exponent with point", "1.5E-07", 1.5e-7, 1.5e-7},
    {"negative small exponent", "-2.5E-09", -2.5e-9, -2.5e-9, -2.5e-9},
    {"a comma number with a negative exponent", "2,5E-3", 0.025, 0.0025, 0.0025},
    {"blanks inside a pointed number", "1 2.5", 12.5, 12.5},
    {"a point wins over the locale's grouping", "1.234,5", 1.234, 1.234},
    {"word true any case", " tRUE ", -1, -1},
    {"word false", "False", 0, 0},
    {"boolean variant", Variant(true), -1, -1},
    {"whole number variant", Variant(std::int16_t{7}), 7, 7},
    {"double variant in its locale text", Variant(1234.5), 1234.5, 1234.5, 1234.5},
    {"date variant", Variant(DateValue{day}), day, day},
    {"short date of the point locale", "02/12/2026", day, 2},
    {"short date of the comma locale", "02.12.2026", 2.12, day},
    {"short date on the first day of the year", "01/01/2026", 46023, 1, 46023},
};
INSTANTIATE_TEST_SUITE_P(Texts, StoredNumber, testing::ValuesIn(numberRows), RowName());

TEST(StoredNumberEmpty, IsTheWholeNumberZero) {
    EXPECT_EQ(ParseStoredNumber("", point), Variant(std::int16_t{0}));
    EXPECT_EQ(ParseStoredNumber(Variant(), comma), Variant(std::int16_t{0}));
}

TEST(TextForms, EachFormWritesItsText) {
    std::string padded;
    for (double value : {2.0, 0.5, -0.5, -1.25, 1.5, 0.0, 1e20, 1e-7, 1.0 / 3, 123456789012345.0, 3600.25})
        padded += "[" + PaddedNumberText(value) + "]";
    EXPECT_EQ(padded, "[ 2][ .5][-.5][-1.25][ 1.5][ 0][ 1E+20][ 1E-07][ .333333333333333][ 123456789012345]"
                      "[ 3600.25]");

    EXPECT_EQ(PointNumberText(1234.5), "1234.5");
    EXPECT_EQ(DayNumberText(36526.6), "36527");
    EXPECT_EQ(DayNumberText(36526.25), "36526");
    // Only the first comma of a stored number becomes a point.
    EXPECT_EQ(StoredNumberText("0,75"), "0.75");
    EXPECT_EQ(StoredNumberText("12"), "12");
    EXPECT_EQ(StoredNumberText("1,234,5"), "1.234,5");
}

} // namespace
