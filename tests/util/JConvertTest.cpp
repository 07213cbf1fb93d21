// Tests of the Shift_JIS <-> EUC-JP conversion: the filter memo cases, cut-off characters,
// and every JIS X 0208 character against the C library's iconv tables.
#include <gtest/gtest.h>

#include "ByteText.h"
#include "HenkanJ.h"
#include "IconvOracle.h"
#include "JConvert.h"

namespace {

TEST(JConvertTest, FullWidthKatakanaBothWays) {
    EXPECT_EQ(Hex(SjisToEuc(Bytes({0x83, 0x41}))), "A5 A2");  // ア
    EXPECT_EQ(Hex(EucToSjis(Bytes({0xA5, 0xA2}))), "83 41");
}

TEST(JConvertTest, HalfWidthKatakanaTravelsBehind8E) {
    EXPECT_EQ(Hex(SjisToEuc(Bytes({0xB1}))), "8E B1");  // ｱ
    EXPECT_EQ(Hex(EucToSjis(Bytes({0x8E, 0xB1}))), "B1");
    EXPECT_EQ(Hex(SjisToEuc(Bytes({0xA1, 0xDF}))), "8E A1 8E DF");
}

TEST(JConvertTest, AsciiPassesUnchanged) {
    std::string ascii;
    for (int c = 0; c <= 0x7F; ++c) ascii += static_cast<char>(c);
    EXPECT_EQ(SjisToEuc(ascii), ascii);
    EXPECT_EQ(EucToSjis(ascii), ascii);
    EXPECT_EQ(SjisToEuc(""), "");
    EXPECT_EQ(EucToSjis(""), "");
}

TEST(JConvertTest, MixedMemoRoundTrips) {
    // "PC ｱ 事務所" with a full-width, a half-width and two kanji characters.
    std::string sjis = Bytes({'P', 'C', ' ', 0xB1, ' ', 0x8E, 0x96, 0x96, 0xB1, 0x8F, 0x8A});
    std::string euc = SjisToEuc(sjis);
    EXPECT_EQ(Hex(euc), "50 43 20 8E B1 20 BB F6 CC B3 BD EA");
    EXPECT_EQ(EucToSjis(euc), sjis);
}

TEST(JConvertTest, EucBytesUpTo80AndFFAreCopied) {
    EXPECT_EQ(Hex(EucToSjis(Bytes({0x80, 0xFF, 0x41}))), "80 FF 41");
}

TEST(JConvertTest, SjisBytesOutsideKanaAreTwoByteCharacters) {
    // 80, A0 and FD to FF are no half-width katakana: each takes the next byte with it.
    EXPECT_EQ(SjisToEuc(Bytes({0x80, 0x41})).size(), 2u);
    EXPECT_EQ(SjisToEuc(Bytes({0xA0, 0x41})).size(), 2u);
    EXPECT_EQ(SjisToEuc(Bytes({0xFF, 0x41, 0x42})).size(), 3u);
}

TEST(JConvertTest, CutOffCharacterTakesZeroAsMissingByte) {
    EXPECT_EQ(Hex(EucToSjis(Bytes({0x41, 0xA5}))), "41 83 1F");  // JIS 25 00
    EXPECT_EQ(Hex(EucToSjis(Bytes({0x8E}))), "00");
    EXPECT_EQ(Hex(SjisToEuc(Bytes({0x41, 0x83}))), "41 A5 E1");  // Shift_JIS 83 00
}

TEST(JConvertTest, BytesOutsideJisX0208FollowTheSameArithmetic) {
    EXPECT_EQ(Hex(SjisToJisChar(0x88, 0x7F)), "2F 60");
    EXPECT_EQ(Hex(JisToSjisChar(0xFF, 0xFF)), "B0 1F");
    EXPECT_EQ(Hex(SjisToJisChar(0x00, 0x00)), "1F E1");
    EXPECT_EQ(Hex(SjisToJisChar(0xFF, 0xFF)), "9E 81");
}

// Every JIS X 0208 character that iconv knows in both EUC-JP and Shift_JIS must convert to
// iconv's Shift_JIS bytes and back to the same EUC-JP bytes, through every entry point.
TEST(JConvertTest, EveryJisX0208CharacterMatchesIconv) {
    TIconvOracle eucToSjis("SHIFT_JIS", "EUC-JP");
    ASSERT_TRUE(eucToSjis.IsOpen());
    int checked = 0;
    for (int row = 0x21; row <= 0x7E; ++row) {
        for (int cell = 0x21; cell <= 0x7E; ++cell) {
            std::string euc = Bytes({row | 0x80, cell | 0x80});
            std::optional<std::string> expected = eucToSjis.Convert(euc);
            if (!expected || expected->size() != 2) continue;
            SCOPED_TRACE("JIS " + Hex(Bytes({row, cell})));
            ++checked;
            ASSERT_EQ(Hex(EucToSjis(euc)), Hex(*expected));
            ASSERT_EQ(Hex(SjisToEuc(*expected)), Hex(euc));
            ASSERT_EQ(JisToSjisChar(row, cell), *expected);
            auto lead = static_cast<std::uint8_t>((*expected)[0]);
            auto trail = static_cast<std::uint8_t>((*expected)[1]);
            ASSERT_EQ(SjisToJisChar(lead, trail), Bytes({row, cell}));
            ASSERT_EQ(CodeToText(JisToSjisCode(static_cast<std::uint16_t>(row << 8 | cell))),
                      *expected);
        }
    }
    // JIS X 0208 holds 6879 characters; iconv must have offered (nearly) all of them.
    EXPECT_GE(checked, 6879);
    RecordProperty("JisX0208CharactersChecked", checked);
    std::printf("JIS X 0208 characters checked against iconv: %d\n", checked);
}

}  // namespace
