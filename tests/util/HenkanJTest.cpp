// Tests of the half-width to full-width katakana replacement: the memo check cases, and every
// half-width katakana alone and with each voicing mark against a reference built from iconv
// and the Unicode katakana code points.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ByteText.h"
#include "HenkanJ.h"
#include "IconvOracle.h"

namespace {

TEST(HenkanJTest, VoicingMarksJoinVoiceableKana) {
    EXPECT_EQ(Hex(HalfKanaToFull(Bytes({0xB6, 0xDE}))), "83 4B");  // ｶﾞ -> ガ
    EXPECT_EQ(Hex(HalfKanaToFull(Bytes({0xCA, 0xDF}))), "83 70");  // ﾊﾟ -> パ
    EXPECT_EQ(Hex(HalfKanaToFull(Bytes({0xB6, 0xDF}))), "83 4C");  // ｶﾟ -> code of カ + 2, キ
}

TEST(HenkanJTest, MarkAfterOtherKanaBecomesFullWidthMark) {
    EXPECT_EQ(Hex(HalfKanaToFull(Bytes({0xB1, 0xDE}))), "83 41 81 4A");  // ｱﾞ -> ア゛
    EXPECT_EQ(Hex(HalfKanaToFull(Bytes({0xB1, 0xDF}))), "83 41 81 4B");  // ｱﾟ -> ア゜
}

TEST(HenkanJTest, KanaWithoutEntryStaysSoTheMemoCheckLetsItThrough) {
    for (int byte : {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xB0, 0xDE, 0xDF}) {
        std::string text = Bytes({byte});
        EXPECT_EQ(HalfKanaToFull(text), text) << Hex(text);
    }
    std::string lonePairs = Bytes({0xB0, 0xDE, 0xDE, 0xDF, 0xA1, 0xDF});
    EXPECT_EQ(HalfKanaToFull(lonePairs), lonePairs);
}

TEST(HenkanJTest, TwoByteCharactersAreNotMistakenForKana) {
    // Trail bytes in A0 to DF, and lead bytes at both ends of their ranges.
    for (std::string text : {Bytes({0x82, 0xA0}), Bytes({0x81, 0xDE}), Bytes({0x9F, 0xB1}),
                             Bytes({0xE0, 0xB6, 0xDE}), Bytes({0xFC, 0xCA})}) {
        EXPECT_EQ(Hex(HalfKanaToFull(text)), Hex(text));
    }
    // Not lead bytes: 80, A0 and FD to FF are single bytes, so the kana after them converts.
    EXPECT_EQ(Hex(HalfKanaToFull(Bytes({0x80, 0xB1}))), "80 83 41");
    EXPECT_EQ(Hex(HalfKanaToFull(Bytes({0xFD, 0xB1}))), "FD 83 41");
}

TEST(HenkanJTest, LeadByteCutOffAtTheEndIsCopiedAlone) {
    EXPECT_EQ(Hex(HalfKanaToFull(Bytes({0x41, 0x82}))), "41 82");
}

TEST(HenkanJTest, MixedTextConvertsOnlyHalfWidthKana) {
    std::string text = Bytes({'A', 0xB1, 0xB2, ' ', 0xBB, 0xDE, 0x82, 0xA0, 0xDD, '1'});
    EXPECT_EQ(Hex(HalfKanaToFull(text)), "41 83 41 83 43 20 83 55 82 A0 83 93 31");
}

TEST(HenkanJTest, PieceOutsideHalfWidthKanaIsReturnedUnchanged) {
    EXPECT_EQ(HalfKanaPieceToFull(""), "");
    EXPECT_EQ(HalfKanaPieceToFull("A"), "A");
    EXPECT_EQ(Hex(HalfKanaPieceToFull(Bytes({0xB1, 0x41}))), "B1 41");
    EXPECT_EQ(Hex(HalfKanaPieceToFull(Bytes({0xB6, 0xDE}))), "83 4B");
}

// Reference conversion of a half-width katakana byte, optionally with a voicing mark, built
// from iconv's Shift_JIS tables and the Unicode katakana blocks rather than from JIS codes.
class THalfKanaReference {
public:
    THalfKanaReference() : toUnicode_("UTF-32LE", "SHIFT_JIS"), toSjis_("SHIFT_JIS", "UTF-32LE") {}

    bool IsOpen() const { return toUnicode_.IsOpen() && toSjis_.IsOpen(); }

    std::string Convert(int kana, int mark) {
        std::string original = mark ? Bytes({kana, mark}) : Bytes({kana});
        char32_t half = CodePoint(Bytes({kana}));
        std::size_t index = kHalfWidth.find(half);
        if (index == std::u32string::npos) return original;  // no full-width katakana
        char32_t full = kFullWidth[index];
        if (mark == 0) return Sjis(full);
        bool voiceable = kVoiced.find(static_cast<char32_t>(full + 1)) != std::u32string::npos;
        // A voiceable katakana takes either mark into its code: ﾞ adds 1, ﾟ adds 2 (which
        // gives the semi-voiced form for ハ to ホ and the next katakana elsewhere).
        if (voiceable) return Sjis(static_cast<char32_t>(full + (mark == 0xDE ? 1 : 2)));
        return Sjis(full) + Sjis(mark == 0xDE ? U'゛' : U'゜');
    }

private:
    char32_t CodePoint(const std::string& sjis) {
        std::optional<std::string> utf32 = toUnicode_.Convert(sjis);
        if (!utf32 || utf32->size() != 4) return 0;
        char32_t codePoint = 0;
        std::memcpy(&codePoint, utf32->data(), 4);
        return codePoint;
    }

    std::string Sjis(char32_t codePoint) {
        std::string utf32(4, '\0');
        std::memcpy(utf32.data(), &codePoint, 4);
        return toSjis_.Convert(utf32).value_or("?");
    }

    // Half-width katakana of U+FF66 to U+FF9D and their full-width forms, from the Unicode
    // charts (U+FF70, the prolonged sound mark, is no katakana letter and has no entry).
    const std::u32string kHalfWidth = U"ｦｧｨｩｪｫｬｭｮｯｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ";
    const std::u32string kFullWidth =
        U"ヲァィゥェォャュョッアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメ"
        U"モヤユヨラリルレロワン";
    // Voiced katakana that directly follow their unvoiced form in Unicode.
    const std::u32string kVoiced = U"ガギグゲゴザジズゼゾダヂヅデドバビブベボ";

    TIconvOracle toUnicode_;
    TIconvOracle toSjis_;
};

TEST(HenkanJTest, EveryHalfWidthKanaMatchesUnicodeReference) {
    THalfKanaReference reference;
    ASSERT_TRUE(reference.IsOpen());
    int changed = 0;
    for (int kana = 0xA0; kana <= 0xDF; ++kana) {
        for (int mark : {0, 0xDE, 0xDF}) {
            std::string text = mark ? Bytes({kana, mark}) : Bytes({kana});
            std::string expected = reference.Convert(kana, mark);
            EXPECT_EQ(Hex(HalfKanaToFull(text)), Hex(expected)) << "input " << Hex(text);
            if (expected != text) ++changed;
        }
    }
    // 55 katakana letters (A6 to AF, B1 to DD), each alone and with both marks.
    EXPECT_EQ(changed, 55 * 3);
}

}  // namespace
