// Tests of the integer conversion behind IsIntegerText and the MAC address checks.
#include <gtest/gtest.h>

#include <climits>

#include "IntegerText.h"
#include "Utils.h"

namespace {

TEST(IntegerTextTest, DecimalWithinSigned32BitRange) {
    EXPECT_EQ(TextToInteger("0"), 0);
    EXPECT_EQ(TextToInteger("007"), 7);
    EXPECT_EQ(TextToInteger("+5"), 5);
    EXPECT_EQ(TextToInteger("-12"), -12);
    EXPECT_EQ(TextToInteger("-0"), 0);
    EXPECT_EQ(TextToInteger("2147483647"), INT_MAX);
    EXPECT_EQ(TextToInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(TextToInteger("2147483648"), std::nullopt);
    EXPECT_EQ(TextToInteger("-2147483649"), std::nullopt);
    EXPECT_EQ(TextToInteger("99999999999999999999"), std::nullopt);
}

TEST(IntegerTextTest, EveryHexadecimalPrefixInEitherCase) {
    EXPECT_EQ(TextToInteger("$ff"), 255);
    EXPECT_EQ(TextToInteger("xFf"), 255);
    EXPECT_EQ(TextToInteger("XfF"), 255);
    EXPECT_EQ(TextToInteger("0x1A"), 26);
    EXPECT_EQ(TextToInteger("0X1a"), 26);
    EXPECT_EQ(TextToInteger("$0000000000001"), 1);  // leading zeros never overflow
}

TEST(IntegerTextTest, HexadecimalAccumulatesIn32Bits) {
    EXPECT_EQ(TextToInteger("$7FFFFFFF"), INT_MAX);
    EXPECT_EQ(TextToInteger("$80000000"), INT_MIN);
    EXPECT_EQ(TextToInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(TextToInteger("$0FFFFFFF"), 0x0FFFFFFF);
    // Once the value exceeds 0FFFFFFF a further digit is refused.
    EXPECT_EQ(TextToInteger("$100000000"), std::nullopt);
    EXPECT_EQ(TextToInteger("$1FFFFFFF0"), std::nullopt);
    EXPECT_EQ(TextToInteger("0x123456789"), std::nullopt);
}

TEST(IntegerTextTest, LeadingSpacesOnly) {
    EXPECT_EQ(TextToInteger("   42"), 42);
    EXPECT_EQ(TextToInteger("  -42"), -42);
    EXPECT_EQ(TextToInteger(" $1F"), 31);
    EXPECT_EQ(TextToInteger("\t42"), std::nullopt);
    EXPECT_EQ(TextToInteger("42 "), std::nullopt);
    EXPECT_EQ(TextToInteger("- 42"), std::nullopt);
}

TEST(IntegerTextTest, MalformedTextIsRefused) {
    for (const char* text : {"", " ", "+", "-", "--1", "1a", "$", "x", "0x", "$ 1", "$1 ", "-$1",
                             "+0x1", "$G", "0x0x1", "1.0", "1,000"}) {
        EXPECT_EQ(TextToInteger(text), std::nullopt) << '"' << text << '"';
        EXPECT_FALSE(IsIntegerText(text)) << '"' << text << '"';
    }
    EXPECT_EQ(TextToInteger(std::string("1\0", 2)), std::nullopt);
    EXPECT_TRUE(IsIntegerText("$FFFFFFFF"));
}

}  // namespace
