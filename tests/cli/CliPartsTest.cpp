// Parts of tivra-cli that need no access point: the system's text in each terminal encoding,
// and the comparison behind "verify" at the edges of its read blocks.
#include <gtest/gtest.h>

#include "Cp932.h"
#include "ImageCompare.h"
#include "TempDir.h"
#include "TerminalText.h"

namespace {

TEST(CliParts, SystemTextIsShownInTheTerminalsEncoding) {
    const std::string sjis = Utf8ToSjis("キャンセルしました\r２行目");
    struct Case {
        const char* codeset;
        const char* expected;  // in the terminal's bytes
    };
    const Case cases[] = {
        {"UTF-8", "キャンセルしました\n２行目"},
        {"ANSI_X3.4-1968", "キャンセルしました\n２行目"},  // the C locale: UTF-8
        {"EUC-JP",
         "\xA5\xAD\xA5\xE3\xA5\xF3\xA5\xBB\xA5\xEB\xA4\xB7\xA4\xDE\xA4\xB7\xA4\xBF\n"
         "\xA3\xB2\xB9\xD4\xCC\xDC"},
        {"SHIFT_JIS",
         "\x83\x4C\x83\x83\x83\x93\x83\x5A\x83\x8B\x82\xB5\x82\xDC\x82\xB5\x82\xBD\n"
         "\x82\x51\x8D\x73\x96\xDA"},
    };
    for (const Case& c : cases) {
        TTerminalText text(c.codeset);
        EXPECT_EQ(text.FromSjis(sjis), c.expected) << c.codeset;
        EXPECT_EQ(text.ToSjis(c.expected), Utf8ToSjis("キャンセルしました\n２行目")) << c.codeset;
    }
}

TEST(CliParts, ComparisonFindsTheFirstDifferenceAcrossReadBlocks) {
    TempDir dir;
    std::string base(200000, '\0');
    for (std::size_t i = 0; i < base.size(); ++i) base[i] = static_cast<char>(i * 7 + (i >> 9));
    const std::string file = dir.Write("file", base);
    struct Case {
        std::size_t changeAt;  // npos: unchanged
        std::size_t length;    // of the image
        bool identical;
        std::uint64_t offset;
    };
    constexpr std::size_t none = std::string::npos;
    const Case cases[] = {
        {none, 200000, true, 0},         {0, 200000, false, 0},
        {65535, 200000, false, 65535},   {65536, 200000, false, 65536},
        {none, 131072, false, 131072},   {none, 200001, false, 200000},
        {199999, 200000, false, 199999},
    };
    for (const Case& c : cases) {
        std::string image = base.substr(0, std::min(c.length, base.size()));
        if (c.length > base.size()) image += 'x';
        if (c.changeAt != none) image[c.changeAt] = static_cast<char>(image[c.changeAt] + 1);
        TImageComparison result = CompareImageFiles(file, dir.Write("image", image));
        EXPECT_EQ(result.Identical, c.identical) << c.changeAt << " " << c.length;
        if (!c.identical) {
            EXPECT_EQ(result.Offset, c.offset) << c.changeAt << " " << c.length;
        }
        EXPECT_EQ(result.FileSize, base.size());
        EXPECT_EQ(result.ImageSize, image.size());
    }
}

}  // namespace
