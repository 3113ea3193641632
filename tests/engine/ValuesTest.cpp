#include "engine/Values.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const std::string pound = "\xC2\xA3";

struct MoneyCase {
    const char* Name;
    double Amount;
    std::int16_t Extra;
    const char* Expected; // after the pound sign
};

class FormatMoneyTest : public testing::TestWithParam<MoneyCase> {};

TEST_P(FormatMoneyTest, SameTextInBothLocales) {
    const MoneyCase& c = GetParam();
    EXPECT_EQ(FormatMoney(c.Amount, pound, Locale::DecimalPoint(), c.Extra), pound + c.Expected);
    EXPECT_EQ(FormatMoney(c.Amount, pound, Locale::DecimalComma(), c.Extra), pound + c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, FormatMoneyTest,
                         testing::Values(MoneyCase{"Zero", 0, 1, "00.00"},
                                         MoneyCase{"ThirdDecimalShownWhenNotZero", 1.234, 1, "01.234"},
                                         MoneyCase{"RoundsAtTheLastDecimal", 12.3456, 1, "12.346"},
                                         MoneyCase{"NoGrouping", 1234.5, 1, "1234.50"},
                                         MoneyCase{"TwoExtraTrimmed", 0.015, 2, "00.015"},
                                         MoneyCase{"TwoExtraKept", 0.0125, 2, "00.0125"},

                                         MoneyCase{"RoundsUpToHalfThousandth", 0.0049, 1, "00.005"},
                                         MoneyCase{"NegativeAfterTheLetter", -1.5, 1, "-01.50"},
                                         MoneyCase{"DecimalHalfNotBinaryHalf", 1.0045, 1, "01.005"},
                                         MoneyCase{"CarryIntoWholePart", 9.9999, 1, "10.00"},
                                         MoneyCase{"TinyNegativeIsZero", -0.0001, 1, "00.00"}),
                         RowName());

TEST(FormatMoney, CurrencyLetterWithCommaLosesItsCommaInstead) {
    EXPECT_EQ(FormatMoney(2.5, "R,", Locale::DecimalComma()), "R.02,50");
    EXPECT_EQ(FormatMoney(3, "US$", Locale::DecimalPoint()), "US$03.00");
}

struct DurationCase {
    const char* Name;
    double Seconds;
    const char* Expected;
};

class FormatDurationTest : public testing::TestWithParam<DurationCase> {};

TEST_P(FormatDurationTest, Examples) {
    EXPECT_EQ(FormatDuration(GetParam().Seconds), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FormatDurationTest,
    testing::Values(DurationCase{"Zero", 0, "00:00:00"}, DurationCase{"FractionDropped", 59.9, "00:00:59"},

                    DurationCase{"LastSecondOfHour", 3599, "00:59:59"},
                    DurationCase{"PastADay", 90061.5, "25:01:01"},
                    DurationCase{"HoursUnbounded", 360000, "100:00:00"},
                    DurationCase{"NegativeRoundsDown", -1, "-01:59:-01"},
                    DurationCase{"TooLargeForRemainder", 3e9, "833333:20:00"},
                    DurationCase{"LowestWholeNumberStillHasARemainder", -2147483648.0, "-596524:45:-08"},
                    DurationCase{"NotANumber", std::numeric_limits<double>::infinity(), "00:00:00"}),
    RowName());

TEST(ParseMoney, RemovesEveryCurrencyLetter) {
    EXPECT_EQ(ParseMoney(pound + "12.50", pound, Locale::DecimalPoint()), 12.5);
    EXPECT_EQ(ParseMoney(pound + "1,5", pound, Locale::DecimalComma()), 1.5);
    EXPECT_EQ(ParseMoney(pound + pound + "3", pound, Locale::DecimalPoint()), 3);
    EXPECT_EQ(ParseMoney("7", "", Locale::DecimalPoint()), 7);
    EXPECT_EQ(ParseMoney("abc", pound, Locale::DecimalPoint()), 0);
}

} // namespace
