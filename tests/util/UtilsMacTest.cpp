// Tests of the MAC address helpers: colon form checks and normalisation, halves form, and
// the parsing of filter file lines.
#include <gtest/gtest.h>

#include <string>

#include "Utils.h"

namespace {

TEST(IsValidMacAddressTest, AcceptsSixHexFieldsUpToFF) {
    EXPECT_TRUE(IsValidMacAddress("0:1:2:a:B:ff"));
    EXPECT_TRUE(IsValidMacAddress("00:1A:2B:3C:4D:5E"));
    EXPECT_TRUE(IsValidMacAddress("000FF:0:0:0:0:0"));  // leading zeros are allowed
}

TEST(IsValidMacAddressTest, RefusesMalformedText) {
    for (const char* text : {"00:11:22:33:44:55:",    // trailing colon
                             "00:11:22:33:44:100",    // above FF
                             "00:11:22:33:44: 5",     // blank in front
                             "00:11:22:33:44:5 ",     // blank behind
                             "00:11:22:33:44",        // five fields
                             "00:11:22:33:44:55:66",  // seven fields
                             "00:11::33:44:55",       // empty field
                             "00:11:22:33:44:-1",     // sign
                             "00:11:22:33:44:x5",     // prefix inside a field
                             "00:11:22:33:44:FFFFFFFF", "", ":", ":::::"}) {
        EXPECT_FALSE(IsValidMacAddress(text)) << text;
    }
}

TEST(NormalizeMacAddressTest, TwoUpperCaseDigitsPerField) {
    EXPECT_EQ(NormalizeMacAddress("0:1a:2:B:c:FF"), "00:1A:02:0B:0C:FF");
    EXPECT_EQ(NormalizeMacAddress("000FF:0:0:0:0:0"), "FF:00:00:00:00:00");
    // Fields that do not convert are left out.
    EXPECT_EQ(NormalizeMacAddress("1:zz:2"), "01:02");
    EXPECT_EQ(NormalizeMacAddress(""), "");
}

TEST(IsValidMacHalvesTest, SixBytesEachFormingAValidAddress) {
    EXPECT_TRUE(IsValidMacHalves("001a2B", "3C4D5e"));
    EXPECT_FALSE(IsValidMacHalves("001A2", "3C4D5E"));
    EXPECT_FALSE(IsValidMacHalves("001A2B", "3C4D5E6"));
    EXPECT_FALSE(IsValidMacHalves("001A2G", "3C4D5E"));
    EXPECT_FALSE(IsValidMacHalves("001A 2", "3C4D5E"));
    EXPECT_FALSE(IsValidMacHalves("001A2B", "3C:D5E"));  // would give an empty field
    EXPECT_FALSE(IsValidMacHalves("", ""));
}

struct TMafLine {
    std::string first, second, memo;
};

TMafLine Parse(const std::string& line) {
    TMafLine parsed{"stale", "stale", "stale"};
    EXPECT_TRUE(ParseMafLine(line, parsed.first, parsed.second, parsed.memo));
    return parsed;
}

TEST(ParseMafLineTest, HalvesAndMemo) {
    TMafLine parsed = Parse("001122-334455 note");
    EXPECT_EQ(parsed.first, "001122");
    EXPECT_EQ(parsed.second, "334455");
    EXPECT_EQ(parsed.memo, "note");
    parsed = Parse("001122 334455 note with  blanks ");
    EXPECT_EQ(parsed.second, "334455");
    EXPECT_EQ(parsed.memo, "note with  blanks ");
}

TEST(ParseMafLineTest, MemoIsEverythingAfterTheSecondSeparator) {
    EXPECT_EQ(Parse("001122-334455").memo, "");
    EXPECT_EQ(Parse("001122-334455  memo").memo, " memo");
    EXPECT_EQ(Parse("001122-334455-x-y").memo, "x-y");
    TMafLine parsed = Parse("0011 22-33 x");
    EXPECT_EQ(parsed.first, "0011");
    EXPECT_EQ(parsed.second, "22");
    EXPECT_EQ(parsed.memo, "33 x");
}

TEST(ParseMafLineTest, MissingPartsStayEmpty) {
    TMafLine parsed = Parse("001122");
    EXPECT_EQ(parsed.first, "001122");
    EXPECT_EQ(parsed.second, "");
    EXPECT_EQ(parsed.memo, "");
    parsed = Parse("");
    EXPECT_EQ(parsed.first + parsed.second + parsed.memo, "");
}

TEST(MacToHalvesFormTest, PadsFieldsAndKeepsCase) {
    EXPECT_EQ(MacToHalvesForm("0:1:2:a:b:c"), "000102-0a0b0c");
    EXPECT_EQ(MacToHalvesForm("00:1A:2B:3C:4D:5E"), "001A2B-3C4D5E");
    EXPECT_EQ(MacToHalvesForm("0:1:2:3:4:5:"), "");
    EXPECT_EQ(MacToHalvesForm("0:1:2:3:4"), "");
    EXPECT_EQ(MacToHalvesForm(""), "");
}

TEST(HalvesFormToMacTest, ThirteenBytesWithSeventhSkipped) {
    EXPECT_EQ(HalvesFormToMac("001122-334455"), "00:11:22:33:44:55");
    EXPECT_EQ(HalvesFormToMac("001122x334455"), "00:11:22:33:44:55");
    EXPECT_EQ(HalvesFormToMac("001122334455"), "");
    EXPECT_EQ(HalvesFormToMac("001122--334455"), "");
    EXPECT_EQ(HalvesFormToMac(""), "");
}

}  // namespace
