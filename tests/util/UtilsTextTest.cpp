// Tests of the text helpers of the value utilities: splitting, IP address tidying, the HTTP
// authorisation check, masking, splitting at a blank and zero padding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Utils.h"

namespace {

using Items = std::vector<std::string>;

Items Split(const std::string& text, char separator) {
    Items items{"stale"};
    int count = SplitString(text, separator, items);
    EXPECT_EQ(count, static_cast<int>(items.size()));
    return items;
}

TEST(SplitStringTest, SeparatorsInsideAndAtTheEnds) {
    EXPECT_EQ(Split("", '.'), Items{});
    EXPECT_EQ(Split("a", '.'), Items{"a"});
    EXPECT_EQ(Split("a.b", '.'), (Items{"a", "b"}));
    EXPECT_EQ(Split("a.b.", '.'), (Items{"a", "b"}));
    EXPECT_EQ(Split(".a", '.'), (Items{"", "a"}));
    EXPECT_EQ(Split("a..b", '.'), (Items{"a", "", "b"}));
}

TEST(SplitStringTest, LastCharacterIsNeverScannedAsSeparator) {
    EXPECT_EQ(Split("a..", '.'), (Items{"a", "."}));
    EXPECT_EQ(Split(".", '.'), Items{"."});
    EXPECT_EQ(Split("..", '.'), (Items{"", "."}));
    EXPECT_EQ(Split("line1\nline2\n", '\n'), (Items{"line1", "line2"}));
}

TEST(NormalizeIPAddressTest, TrimsFourDecimalParts) {
    EXPECT_EQ(NormalizeIPAddress("192.168. 0 .1"), "192.168.0.1");
    EXPECT_EQ(NormalizeIPAddress(" 10\t. 0.0.\r1 "), "10.0.0.1");
    // Leading zeros are ignored: a padded part is decimal, never octal.
    EXPECT_EQ(NormalizeIPAddress("192.168.000.010"), "192.168.0.10");
    EXPECT_EQ(NormalizeIPAddress("0255.00000000099.08.09"), "255.99.8.9");
    EXPECT_EQ(NormalizeIPAddress("1.2.3.4."), "1.2.3.4");  // a trailing dot adds no part
}

TEST(NormalizeIPAddressTest, AnythingButFourDecimalPartsUpTo255GivesEmptyText) {
    for (const char* text : {"", "1.2.3", "1.2.3.4.5", "a.999.x.-", "1.2.3.256", "1.2.3.1000",
                             "1..2.3", "1.2.3.-1", "1.2.3.+1", "0x1.2.3.4", "1.2.3.\xA0",
                             "1.2.3.4 5", "host.example.org.x", " .1.2.3"}) {
        EXPECT_EQ(NormalizeIPAddress(text), "") << text;
    }
}

TEST(IsAuthorizedResponseTest, RefusalOnlyOnTheFirstLine) {
    EXPECT_FALSE(IsAuthorizedResponse(""));
    EXPECT_FALSE(IsAuthorizedResponse("401 Unauthorized"));
    EXPECT_FALSE(IsAuthorizedResponse("<html><title>401 Unauthorized</title>\n<body></body>"));
    EXPECT_TRUE(IsAuthorizedResponse("OK"));
    EXPECT_TRUE(IsAuthorizedResponse("<html>\n401 Unauthorized\n"));
    EXPECT_TRUE(IsAuthorizedResponse("401 unauthorized"));
    EXPECT_TRUE(IsAuthorizedResponse("\n"));
}

TEST(MaskTextTest, OneStarPerByte) {
    EXPECT_EQ(MaskText(""), "");
    EXPECT_EQ(MaskText("root"), "****");
    EXPECT_EQ(MaskText("\x83\x41"
                       "b"),
              "***");  // a two-byte character gives two
}

TEST(SplitAtSpaceTest, FirstBlankSplits) {
    std::string head = "old";
    std::string tail = "old";
    EXPECT_TRUE(SplitAtSpace("ab cd ef", head, tail));
    EXPECT_EQ(head, "ab");
    EXPECT_EQ(tail, "cd ef");
    EXPECT_TRUE(SplitAtSpace(" x", head, tail));
    EXPECT_EQ(head, "");
    EXPECT_EQ(tail, "x");
    EXPECT_FALSE(SplitAtSpace("a\tb", head, tail));
    EXPECT_EQ(head, "");
    EXPECT_EQ(tail, "");
}

TEST(PadZeroLeftTest, PadsButNeverCuts) {
    EXPECT_EQ(PadZeroLeft("5", 2), "05");
    EXPECT_EQ(PadZeroLeft("123", 2), "123");
    EXPECT_EQ(PadZeroLeft("", 2), "00");
    EXPECT_EQ(PadZeroLeft("ab", -3), "ab");
}

}  // namespace
