#include "settings/DateSerial.h"
#include "settings/RunTimeError.h"
#include "settings/Variant.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
const Locale point = Locale::DecimalPoint();
const Locale comma = Locale::DecimalComma();
} // namespace

TEST(DateSerial, KnownDaysAndWeekdays) {
    EXPECT_EQ(DateSerial::FromCivil(1899, 12, 30), 0);
    EXPECT_EQ(DateSerial::FromCivil(2000, 1, 1), 36526);
    const CivilDate back = DateSerial::ToCivil(36526.75);
    EXPECT_EQ(back.Year, 2000);
    EXPECT_EQ(back.Month, 1);
    EXPECT_EQ(back.Day, 1);
    EXPECT_EQ(DateSerial::ToTime(36526.75).Hour, 18);
    EXPECT_EQ(DateSerial::Weekday(DateSerial::FromCivil(2026, 12, 7)), 1) << "a Monday";
    EXPECT_EQ(DateSerial::Weekday(DateSerial::FromCivil(2026, 12, 6)), 7) << "a Sunday";
    EXPECT_EQ(DateSerial::DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DateSerial::DayNumber(36526.5), 36526) << "a half rounds to the even day";

    const TimeOfDay last =
        DateSerial::ToTime(DateSerial::FromCivil(2026, 1, 1) + DateSerial::FromTime(23, 59, 59.9999));
    EXPECT_EQ(last.Hour, 23) << "the last moment of a day stays on that day";
    EXPECT_EQ(last.Second, 59);

    // Serials beyond the calendar clamp instead of overflowing.
    EXPECT_EQ(DateSerial::ToCivil(1e300).Year, 9999);
    EXPECT_EQ(DateSerial::ToCivil(-1e300).Year, 100);
    EXPECT_EQ(DateSerial::ToTime(std::numeric_limits<double>::infinity()).Hour, 0);
    EXPECT_EQ(DateSerial::DayNumber(1e300), 2958465);
}

TEST(VariantText, StandardConversionFollowsTheLocale) {
    EXPECT_EQ(Variant(std::int16_t{-1}).ToText(point), "-1");
    EXPECT_EQ(Variant(true).ToText(comma), "True");
    EXPECT_EQ(Variant(false).ToText(point), "False");
    EXPECT_EQ(Variant(0.25).ToText(point), "0.25");
    EXPECT_EQ(Variant(0.25).ToText(comma), "0,25");
    EXPECT_EQ(Variant(1.0 / 3).ToText(point), "0.333333333333333");
    EXPECT_EQ(Variant(25.0).ToText(point), "25");
    EXPECT_EQ(Variant(DateValue{36526}).ToText(point), "01/01/2000");
    EXPECT_EQ(Variant(DateValue{36526}).ToText(comma), "01.01.2000");
}

TEST(VariantNumbers, ConversionsRoundAndReport) {
    EXPECT_EQ(Variant("2.5").ToInt16(point), 2);
    EXPECT_EQ(Variant("3.5").ToInt16(point), 4);
    EXPECT_EQ(Variant("1.234,5").ToDouble(comma), 1234.5);
    EXPECT_EQ(Variant(" 12 ").ToDouble(point), 12);
    EXPECT_TRUE(Variant("True").ToBool(point));
    EXPECT_FALSE(Variant("false").ToBool(comma));
    EXPECT_TRUE(Variant("-1").ToBool(point));
    try {
        (void)Variant("99999").ToInt16(point);
        FAIL() << "no overflow";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, 6);
    }
    try {
        (void)Variant("abc").ToDouble(point);
        FAIL() << "no type mismatch";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, 13);
    }
}

TEST(LocaleFormats, ShortDateReadsBackAndRejectsOtherText) {
    const double day = DateSerial::FromCivil(2026, 12, 6);
    EXPECT_EQ(point.ParseShortDate(point.FormatShortDate(day)), day);
    EXPECT_EQ(comma.ParseShortDate(comma.FormatShortDate(day)), day);
    EXPECT_FALSE(point.ParseShortDate("31/02/2026"));
    EXPECT_FALSE(comma.ParseShortDate("1.5"));
    EXPECT_EQ(point.FormatTime(DateSerial::FromTime(7, 5, 3)), "07:05:03");
}
