#include "common/textnum.h"

#include <gtest/gtest.h>

using namespace tarsen;

TEST(ParseNumber, AcceptsWholeNumbersOnlyWhateverTheLocale)
{
    EXPECT_EQ(ParseNumber("12.5").value(), 12.5);
    EXPECT_EQ(ParseNumber("  -3 ").value(), -3.0);
    EXPECT_EQ(ParseNumber("+4").value(), 4.0);
    EXPECT_EQ(ParseNumber("3.").value(), 3.0);
    EXPECT_EQ(ParseNumber("1e3").value(), 1000.0);
    EXPECT_FALSE(ParseNumber("").has_value());
    EXPECT_FALSE(ParseNumber("-").has_value());
    EXPECT_FALSE(ParseNumber("12,5").has_value());
    EXPECT_FALSE(ParseNumber("12abc").has_value());
    EXPECT_FALSE(ParseNumber("nan").has_value());
    EXPECT_FALSE(ParseNumber("inf").has_value());
    EXPECT_FALSE(ParseNumber("1e999").has_value());
}

TEST(SingleText, ShortestFormReadsBackAndPrintFormHasALeadingBlank)
{
    EXPECT_EQ(ShortestSingle(1.8f), "1.8");
    EXPECT_EQ(ShortestSingle(0.008f), "0.008");
    EXPECT_EQ(ShortestSingle(12.5f), "12.5");
    EXPECT_EQ(ShortestSingle(-2.0f), "-2");
    const float odd = 0.1f * 3.0f;
    EXPECT_EQ(static_cast<float>(ParseNumber(ShortestSingle(odd)).value()), odd);
    EXPECT_EQ(PrintForm(3.5f), " 3.5");
    EXPECT_EQ(PrintForm(0.0f), " 0");
    EXPECT_EQ(PrintForm(-1.25f), "-1.25");
    EXPECT_EQ(PrintForm(42LL), " 42");
    EXPECT_EQ(PrintForm(-7LL), "-7");
}
