// The filter list's edits, its conversions to and from the filter text, and the filter check.
// Texts are written in UTF-8 and converted, so the expectations read as the user sees them.
#include <gtest/gtest.h>

#include "Cp932.h"
#include "MafCheck.h"
#include "MafList.h"

namespace {

const char kDuplicate[] = "MACアドレスが重複しています";
const char kTooMany[] =
    "MACアドレスフィルタの設定個数を超えています。設定できるMACアドレスは2000個までです。";
const char kHalfKana[] = "半角カナは使用できません";

std::string S(const std::string& utf8) { return Utf8ToSjis(utf8); }

std::vector<std::string> Lines(const std::vector<std::string>& utf8) {
    std::vector<std::string> sjis;
    for (const std::string& text : utf8) sjis.push_back(S(text));
    return sjis;
}

// count distinct entries 000000-000000, 000000-000001, ...
TMafEntries ManyEntries(int count) {
    TMafEntries entries;
    char text[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "000000-%06X m", i);
        entries.push_back(text);
    }
    return entries;
}

std::vector<std::string> ManyLines(int count) {
    std::vector<std::string> lines;
    char text[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "02:00:00:%02X:%02X:00 m", i >> 8, i & 0xFF);
        lines.push_back(text);
    }
    return lines;
}

TEST(MafCheck, RefusesTheFirstBadLineAndPointsAtItsText) {
    const std::string pad = "00:11:22:33:44:55 ";
    struct Case {
        std::vector<std::string> lines;  // UTF-8
        const char* message;             // empty: the check passes
        int start, length, line;
    } cases[] = {
        {{"00:A0:C9:12:AB:34 事務所PC", "0:1:2:3:4:5 "}, "", -1, -1, -1},
        {{"0:1:2:3:4:5 a", "00:01:02:03:04:05 b"}, kDuplicate, 15, 17, 1},
        {{"00:11:22:33:44 x"},
         "MACアドレスの指定に誤りがあります。「XX:XX:XX:XX:XX:XX」と、1桁、または2桁の16進数を"
         "6個':'(コロン)でつないだ形で記入します。",
         0,
         14,
         0},
        {{pad + std::string(25, 'x')}, "", -1, -1, -1},
        {{"0:0:0:0:0:1", pad + std::string(26, 'x')}, "コメントが長すぎます", 30, 27, 1},
        // Half-width katakana, before the unsendable characters; the symbol ｰ passes.
        {{pad + "ｱ髙"}, kHalfKana, 17, 4, 0},
        {{pad + "ｰ｡ﾞ"}, "", -1, -1, -1},
        // A vendor-extension kanji does not come back from EUC-JP: refused, named.
        {{pad + "高橋", "00:11:22:33:44:56 髙橋"}, "「髙」は使用できません", 41, 5, 1},
    };
    for (const Case& c : cases) {
        int start = 0, length = 0, line = 0;
        std::string message;
        bool passed = CheckMafText(Lines(c.lines), start, length, message, &line);
        EXPECT_EQ(passed, std::string(c.message).empty()) << c.lines.back();
        EXPECT_EQ(SjisToUtf8(message), c.message) << c.lines.back();
        EXPECT_EQ(start, c.start) << c.lines.back();
        EXPECT_EQ(length, c.length) << c.lines.back();
        EXPECT_EQ(line, c.line) << c.lines.back();
    }
}

TEST(MafCheck, RefusesAMemoCutInsideACharacterByItsByte) {
    // A filter file memo cut at 25 bytes may end in a lead byte alone.
    std::string cut = S("00:11:22:33:44:55 ") + std::string(24, 'x') + "\x83";
    int start = 0, length = 0;
    std::string message;
    EXPECT_FALSE(CheckMafText({cut}, start, length, message));
    EXPECT_EQ(SjisToUtf8(message), "「0x83」は使用できません");
}

TEST(MafCheck, AcceptsTwoThousandLinesAndRefusesMore) {
    int start = 0, length = 0, line = 0;
    std::string message;
    EXPECT_TRUE(CheckMafText(ManyLines(2000), start, length, message, &line));
    EXPECT_FALSE(CheckMafText(ManyLines(2001), start, length, message, &line));
    EXPECT_EQ(SjisToUtf8(message), kTooMany);
    EXPECT_EQ(start, -1);
    EXPECT_EQ(length, -1);
    EXPECT_EQ(line, -1);
}

TEST(MafCheck, SplitsALineAfterTheAddressCharacters) {
    const std::pair<const char*, const char*> cases[][2] = {
        {{"00:A0:c9:1:2:3 memo", ""}, {"00:A0:c9:1:2:3", " memo"}},
        {{"zz-1 x", ""}, {"zz", "-1 x"}},
        {{"", ""}, {"", ""}},
    };
    for (const auto& c : cases) {
        std::string address, rest;
        SplitMafTextLine(c[0].first, address, rest);
        EXPECT_EQ(address, c[1].first);
        EXPECT_EQ(rest, c[1].second);
    }
}

TEST(MafList, ConvertsBetweenFilterTextAndEntries) {
    TMafEntries entries;
    FillMafListFromText(entries, Lines({"0:a0:C9:12:ab:34 テスト メモ", "00:11:22:33:44:55 ", "",
                                        "00:11:22:33:44:66"}));
    EXPECT_EQ(entries, Lines({"00a0C9-12ab34 テスト メモ", "001122-334455 ", "001122-334466 "}));
    EXPECT_EQ(FillTextFromMafList(entries),
              Lines({"00:a0:C9:12:ab:34 テスト メモ", "00:11:22:33:44:55 ", "00:11:22:33:44:66 "}));
}

TEST(MafList, ChecksAnEditInTheEditorsOrder) {
    const TMafEntries two = Lines({"00a0c9-12ab34 test", "001122-334455 "});
    const TMafEntries full = ManyEntries(2000);
    struct Case {
        const TMafEntries& entries;
        const char *first, *second, *memo;
        bool modifying;
        int index;
        const char* message;
    } cases[] = {
        {two, "00a0c9", "12ab35", "", false, -1, ""},
        {two, "00A0C9", "12AB34", "x", false, -1, kDuplicate},
        {full, "00a0c9", "12ab35", "", false, -1, kTooMany},
        {full, "00a0c9", "12ab35", "", true, 5, ""},
        {two, "zz", "", "ｶﾞ", false, -1, kHalfKana},
        {two, "zz", "", "髙", false, -1, "「髙」は使用できません"},
        {two, "001122", "334455", "", true, 0, kDuplicate},
        {two, "001122", "334455", "new", true, 1, ""},
        {two, "00112", "334455", "", false, -1,
         "MACアドレスの指定に誤りがあります。「XXXXXX-XXXXXX」と、6桁の16進数を2個記入します。"},
    };
    for (const Case& c : cases) {
        std::string message =
            CheckMafEntryEdit(c.entries, c.first, c.second, S(c.memo), c.modifying, c.index);
        EXPECT_EQ(SjisToUtf8(message), c.message) << c.first << "-" << c.second << " " << c.memo;
    }
    EXPECT_EQ(MakeMafEntry("00a0c9", "12ab34", ""), "00a0c9-12ab34 ");
}

TEST(MafList, FindsTheFirstEntryMatchingEveryGivenField) {
    const TMafEntries entries =
        Lines({"112233-445566 x", "00A0c9-12ab34 Printer", "00a1c9-ff0000 pc"});
    struct Case {
        const char *first, *second, *memo;
        int found;
    } cases[] = {
        {"00a", "", "", 1},    {"", "FF", "", 2},   {"00", "", "pc", 2},
        {"", "", "print", -1}, {"", "", "rint", 1}, {"001", "", "", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindMafEntry(entries, c.first, c.second, c.memo), c.found)
            << c.first << "/" << c.second << "/" << c.memo;
    }
}

}  // namespace
