#include "engine/Values.h"
#include "engine/CallData.h"
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
                         testing::Values(MoneyCase{"ThirdDecimalShownWhenNotZero", 1.234, 1, "01.234"},
                                         MoneyCase{"NoGrouping", 1234.5, 1, "1234.50"},
                                         MoneyCase{"TwoExtraTrimmed", 0.015, 2, "00.015"},
                                         MoneyCase{"TwoExtraKept", 0.0125, 2, "00.0125"},
                                         MoneyCase{"RoundsUpToHalfThousandth", 0.0049, 1, "00.005"},
                                         MoneyCase{"NegativeAfterTheLetter", -1.5, 1, "-01.50"},
                                         MoneyCase{"DecimalHalfNotBinaryHalf", 1.0045, 1, "01.005"},
                                         MoneyCase{"CarryIntoWholePart", 9.9999, 1, "10.00"},
                                         MoneyCase{"TinyNegativeIsZero", -0.0001, 1, "00.00"}),
                         RowName());

// A currency letter with a comma loses its comma instead; sizes take the desktop's decimal comma.
TEST(FormatMoneyAndBytes, OwnLettersAndTheDesktopsComma) {
    EXPECT_EQ(FormatMoney(2.5, "R,", Locale::DecimalComma()), "R.02,50");
    EXPECT_EQ(FormatMoney(3, "US$", Locale::DecimalPoint()), "US$03.00");
    EXPECT_EQ(FormatBytes(12.4e9, Locale::DecimalComma()), "12,4 GB");
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
    testing::Values(DurationCase{"LastSecondOfHour", 3599, "00:59:59"},
                    DurationCase{"PastADay", 90061.5, "25:01:01"},
                    DurationCase{"NegativeRoundsDown", -1, "-01:59:-01"},
                    DurationCase{"TooLargeForRemainder", 3e9, "833333:20:00"},
                    DurationCase{"LowestWholeNumberStillHasARemainder", -2147483648.0, "-596524:45:-08"},
                    DurationCase{"NotANumber", std::numeric_limits<double>::infinity(), "00:00:00"}),
    RowName());

// Bytes, and bytes against an allowance in bytes (0: none), with a decimal point.
struct BytesCase {
    const char* Name;
    double Used;
    double Allowance;
    const char* Expected;
};

class FormatBytesTest : public testing::TestWithParam<BytesCase> {};

TEST_P(FormatBytesTest, DecimalUnitsWithOneDecimalAtMost) {
    EXPECT_EQ(FormatBytesOf(GetParam().Used, GetParam().Allowance, Locale::DecimalPoint()),
              GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, FormatBytesTest,
                         testing::Values(BytesCase{"WholeBytes", 999, 0, "999 B"},
                                         BytesCase{"Kilobytes", 1500, 0, "1.5 kB"},
                                         BytesCase{"RoundedUpIntoTheNextUnit", 999960, 0, "1 MB"},

                                         BytesCase{"GigabytesAtMost", 1234.5e9, 0, "1234.5 GB"},
                                         BytesCase{"BelowZeroIsNothing", -5, 0, "0 B"},
                                         BytesCase{"OfTheAllowance", 12.44e9, 20e9, "12.4 of 20 GB"},
                                         BytesCase{"InTheAllowancesUnit", 150e6, 0.2e9, "150 of 200 MB"},
                                         BytesCase{"BeyondTheAllowance", 2.5e9, 0.2e9, "2.5 of 0.2 GB"},
                                         BytesCase{"SmallAgainstLarge", 1500, 20e9, "0 of 20 GB"}),
                         RowName());

TEST(ParseMoney, RemovesEveryCurrencyLetter) {
    EXPECT_EQ(ParseMoney(pound + "12.50", pound, Locale::DecimalPoint()), 12.5);
    EXPECT_EQ(ParseMoney(pound + "1,5", pound, Locale::DecimalComma()), 1.5);
    EXPECT_EQ(ParseMoney(pound + pound + "3", pound, Locale::DecimalPoint()), 3);
    EXPECT_EQ(ParseMoney("7", "", Locale::DecimalPoint()), 7);
    EXPECT_EQ(ParseMoney("abc", pound, Locale::DecimalPoint()), 0);
}

} // namespace
