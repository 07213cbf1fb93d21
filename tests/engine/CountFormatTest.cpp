// The byte count text of the status page: grouping, width, rounding, and the separator taken
// from the user's locale.
#include <gtest/gtest.h>

#include <cmath>

#include "CountFormat.h"

namespace {

TEST(CountFormat, GroupsByThreeAndRightAlignsInFifteen) {
    EXPECT_EQ(FormatCount(131072, ","), "        131,072");
    EXPECT_EQ(FormatCount(0, ","), "              0");
    EXPECT_EQ(FormatCount(999, ","), "            999");
    EXPECT_EQ(FormatCount(1000, ","), "          1,000");
    EXPECT_EQ(FormatCount(4194304, ","), "      4,194,304");
    EXPECT_EQ(FormatCount(2147483647, "."), "  2.147.483.647");
    EXPECT_EQ(FormatCount(-1234567, ","), "     -1,234,567");
    EXPECT_EQ(FormatCount(-999, ","), "           -999");
}

TEST(CountFormat, RoundsToWholeNumbersWithoutMinusZero) {
    EXPECT_EQ(FormatCount(1234.5, ","), "          1,235");
    EXPECT_EQ(FormatCount(1234.49, ","), "          1,234");
    EXPECT_EQ(FormatCount(-0.4, ","), "              0");
    EXPECT_EQ(FormatCount(-1000.5, ","), "         -1,001");
}

TEST(CountFormat, WideValuesAreShownInFullAndOddValuesAreNamed) {
    EXPECT_EQ(FormatCount(1e18, ","), "1,000,000,000,000,000,000");
    EXPECT_EQ(FormatCount(1e300, ",").size(), 301u + 100u);  // 301 digits, 100 separators
    EXPECT_EQ(FormatCount(std::nan(""), ","), "            NAN");
    EXPECT_EQ(FormatCount(-HUGE_VAL, ","), "           -INF");
}

TEST(CountFormat, MultiByteSeparatorsCountInBytes) {
    // A Shift_JIS full-width comma is two bytes; the width counts bytes, as the system does.
    EXPECT_EQ(FormatCount(1234567, "\x81\x43"),
              "    1\x81\x43"
              "234\x81\x43"
              "567");
}

TEST(CountFormat, LocaleSeparatorsBecomeShiftJis) {
    EXPECT_EQ(SeparatorAsSjis("", "UTF-8"), ",");
    EXPECT_EQ(SeparatorAsSjis(".", "UTF-8"), ".");
    EXPECT_EQ(SeparatorAsSjis("'", "ANSI_X3.4-1968"), "'");
    EXPECT_EQ(SeparatorAsSjis("\u00A0", "UTF-8"), " ");
    EXPECT_EQ(SeparatorAsSjis("\u202F", "UTF-8"), " ");
    EXPECT_EQ(SeparatorAsSjis("\u2019", "UTF-8"), "\x81\x66");  // right single quote
    EXPECT_EQ(SeparatorAsSjis("\u066C", "UTF-8"), ",");         // no Shift_JIS form
    EXPECT_EQ(SeparatorAsSjis("\xA0", "ISO-8859-1"), ",");      // not UTF-8: not guessed
}

TEST(CountFormat, LocalesWithoutASeparatorUseAComma) {
    EXPECT_EQ(ThousandsSeparatorOf("C"), ",");
    EXPECT_EQ(ThousandsSeparatorOf("C.UTF-8"), ",");
    EXPECT_EQ(ThousandsSeparatorOf("xx_NOWHERE.UTF-8"), ",");
    // The user's separator is one of the locale's, never empty.
    EXPECT_FALSE(UserThousandsSeparator().empty());
    EXPECT_EQ(FormatCount(131072), "        131" + UserThousandsSeparator() + "072");
}

}  // namespace
