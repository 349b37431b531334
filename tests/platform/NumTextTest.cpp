// Number texts and arithmetic: every list column and label depends on these.
#include <gtest/gtest.h>

#include "platform/NumText.h"

namespace vt {
namespace {

TEST(StandardNumberText, WholeNumbersCarryABlankForTheSign) {
    EXPECT_EQ(Str(5), " 5");
    EXPECT_EQ(Str(0), " 0");
    EXPECT_EQ(Str(-3), "-3");
    EXPECT_EQ(Str(int16_t{-32768}), "-32768");
    EXPECT_EQ(Str(2147483647L), " 2147483647");
}

TEST(StandardNumberText, SinglesPrintWithoutLeadingZeroAndSevenDigits) {
    EXPECT_EQ(Str(0.9f), " .9");
    EXPECT_EQ(Str(1.5f), " 1.5");
    EXPECT_EQ(Str(-0.25f), "-.25");
    EXPECT_EQ(Str(12.5f), " 12.5");
    EXPECT_EQ(Str(0.1f + 0.2f), " .3");  // float noise stays below seven digits
    EXPECT_EQ(Str(1.0f / 3.0f), " .3333333");
    EXPECT_EQ(Str(100.0f), " 100");
    EXPECT_EQ(Str(0.05f * 3), " .15");
    EXPECT_EQ(Str(12345678.0f), " 1.234568E+07");
    EXPECT_EQ(Str(0.0f), " 0");
}

TEST(StandardNumberText, DoublesPrintFifteenDigits) {
    EXPECT_EQ(Str(0.7999999999999999), " .8");
    EXPECT_EQ(Str(3 * 0.1 + 0.7), " 1");
    EXPECT_EQ(Str(-1.23), "-1.23");
    EXPECT_EQ(Str(1.0 / 3.0), " .333333333333333");
}

TEST(FormatPatterns, TwoSectionsChooseBySign) {
    EXPECT_EQ(Format(-1.23, "  0.00 ; -0.00 "), " -1.23 ");
    EXPECT_EQ(Format(1.23, "  0.00 ; -0.00 "), "  1.23 ");
    EXPECT_EQ(Format(0, "  0.00 ; -0.00 "), "  0.00 ");
    EXPECT_EQ(Format(-0.4, "  0.0 ; -0.0 "), " -0.4 ");
    EXPECT_EQ(Format(2.5, "  0.0 ; -0.0 "), "  2.5 ");
}

TEST(FormatPatterns, DigitPlaceholdersAndLiterals) {
    EXPECT_EQ(Format(0.621, "#0.000 M"), "0.621 M");
    EXPECT_EQ(Format(12.3456, "#0.000 M"), "12.346 M");
    EXPECT_EQ(Format(1234.5, "    ####0.0"), "    1234.5");
    EXPECT_EQ(Format(0, "    ####0.0"), "    0.0");
    EXPECT_EQ(Format(123456.78, "    ####0.0"), "    123456.8");  // more digits than placeholders all show
    EXPECT_EQ(Format(1.2, "    ##0.000"), "    1.200");
    EXPECT_EQ(Format(49.68, "     ###0~"), "     50~");
    EXPECT_EQ(Format(49.4, "     ###0 "), "     49 ");
    EXPECT_EQ(Format(0.621, "  ##0.000M "), "  0.621M ");
    EXPECT_EQ(Format(62.1, "###0 M/h"), "62 M/h");
    EXPECT_EQ(Format(0.5, "#.000M"), ".500M");
    EXPECT_EQ(Format(9.99, "#0.0"), "10.0");
    EXPECT_EQ(Format(1.47, "#0.00"), "1.47");
    EXPECT_EQ(Format(5, "  ###0"), "  5");
    EXPECT_EQ(Format(-7.25, "#0.0"), "-7.3");  // one section: the sign goes in front of the digits
}

TEST(FormatPatterns, HalvesRoundAwayFromZeroOnTheDecimalValue) {
    EXPECT_EQ(Format(2.345, "0.00"), "2.35");  // binary 2.34499.. still rounds as typed
    EXPECT_EQ(Format(1.005, "0.00"), "1.01");
    EXPECT_EQ(Format(2.5, "0"), "3");
    EXPECT_EQ(Format(0.05, "0.0"), "0.1");
    EXPECT_EQ(Format(-0.25, "  0.0 ; -0.0 "), " -0.3 ");
    EXPECT_EQ(Format(999.96, "0.0"), "1000.0");
}

TEST(TextToNumber, LeadingNumericPartWithBlanksIgnored) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("   "), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("12"), 12);
    EXPECT_EQ(Val(" 1 2 3"), 123);
    EXPECT_DOUBLE_EQ(Val("3.6"), 3.6);
    EXPECT_EQ(Val("-4"), -4);
    EXPECT_EQ(Val("9-3"), 9);
    EXPECT_EQ(Val("7x"), 7);
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("1e3"), 1000);
    EXPECT_EQ(Val("1e"), 1);
    EXPECT_EQ(Val("&H1F"), 31);
    EXPECT_EQ(Val("&O17"), 15);
    EXPECT_EQ(Val("inf"), 0);
    EXPECT_EQ(Val("nan"), 0);
    EXPECT_EQ(Val("0x10"), 0);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("+.25"), 0.25);
}

TEST(Rounding, IntGoesTowardsMinusInfinityNearestToEven) {
    EXPECT_EQ(Int(2.7), 2);
    EXPECT_EQ(Int(-0.5), -1);
    EXPECT_EQ(Int(-2.0), -2);
    EXPECT_EQ(Nearest(0.5), 0);
    EXPECT_EQ(Nearest(1.5), 2);
    EXPECT_EQ(Nearest(2.5), 2);
    EXPECT_EQ(Nearest(-1.5), -2);
    EXPECT_EQ(Nearest(3.6), 4);
    EXPECT_EQ(Nearest(-2.6), -3);
}

TEST(SixteenBitRule, ValuesOutsideTheRangeLeaveTheTarget) {
    EXPECT_TRUE(fits16(32767));
    EXPECT_TRUE(fits16(-32768));
    EXPECT_FALSE(fits16(32768));
    EXPECT_FALSE(fits16(-32769));
    EXPECT_FALSE(fits16(0.0 / 0.0));
    int16_t v = 7;
    EXPECT_FALSE(store16(v, 40000));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(store16(v, -5.0));
    EXPECT_EQ(v, -5);
    EXPECT_TRUE(cint(3.5, v));  // halves to even, as whole-number conversion does
    EXPECT_EQ(v, 4);
    EXPECT_TRUE(cint(2.5, v));
    EXPECT_EQ(v, 2);
    EXPECT_FALSE(cint(32767.5, v));
    EXPECT_EQ(v, 2);
}

TEST(TextPieces, RightLeftTrim) {
    EXPECT_EQ(Right("    12", 3), " 12");
    EXPECT_EQ(Right("ab", 5), "ab");
    EXPECT_EQ(Left("abcdef", 2), "ab");
    EXPECT_EQ(Trim("  1:23.45 "), "1:23.45");
    EXPECT_EQ(Trim("    "), "");
}

}  // namespace
}  // namespace vt
