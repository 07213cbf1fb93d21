// Parts of tivra-cli that need no access point: the system's text in each terminal encoding,
// the comparison behind "verify" at the edges of its read blocks, and how questions are
// answered without a terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include "AppStrings.h"
#include "CliDialogs.h"
#include "Cp932.h"
#include "EngineStrings.h"
#include "ImageCompare.h"
#include "ProgressView.h"
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

// Reads what was written to a temporary stream and empties it.
std::string Drain(std::FILE* stream) {
    std::string text;
    std::fflush(stream);
    std::rewind(stream);
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), stream)) > 0) text.append(buffer, got);
    std::rewind(stream);
    ftruncate(fileno(stream), 0);
    return text;
}

TEST(CliParts, QuestionsAreAnsweredByFlagThenYesElseTheSafeWay) {
    using Answer = TDialogs::Answer;
    const std::string update = EngineText(EngineStrings::ConfirmFirmwareUpdate);
    const std::string powerOff = EngineText(EngineStrings::ConfirmPowerOff);
    const std::string overwrite = AppText(AppStrings::ConfirmOverwrite);
    struct Case {
        std::string question;
        bool flagGiven, yes;
        Answer expected;
        std::string event;  // the question's JSON event, as far as it is checked
        std::string err;    // a part of standard error, or empty for none
    };
    const Case cases[] = {
        {update, true, false, Answer::Ok, "\"answer\":\"ok\",\"by\":\"flag\"", ""},
        {update, false, true, Answer::Ok, "\"answer\":\"ok\",\"by\":\"flag\"", ""},
        {update, false, false, Answer::Cancel, "\"answer\":\"cancel\",\"by\":\"none\"",
         "give --yes or --answer-it"},
        {overwrite, false, false, Answer::No, "\"answer\":\"no\",\"by\":\"none\"",
         "give --yes or --answer-it"},
        // The power-off request cannot wait for anybody: it is announced and taken as done.
        {powerOff, false, false, Answer::Ok, "\"answer\":\"ok\",\"by\":\"none\"",
         ">>> " + SjisToUtf8(powerOff)},
    };
    TTerminalText text("UTF-8");
    for (const Case& c : cases) {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        auto view = MakeProgressView(TProgressView::Kind::Json, text, out, err);
        TCliDialogs dialogs(*view, false);
        dialogs.AnswerBy(c.question, "answer-it", c.flagGiven,
                         c.question == overwrite ? Answer::Yes : Answer::Ok);
        dialogs.AnswerAll(c.yes);
        Answer answer =
            c.question == overwrite ? dialogs.YesNo(c.question) : dialogs.OkCancel(c.question);
        std::string events = Drain(out), errors = Drain(err);
        EXPECT_EQ(answer, c.expected) << SjisToUtf8(c.question);
        EXPECT_NE(events.find(c.event), std::string::npos) << events;
        if (c.err.empty()) {
            EXPECT_EQ(errors, "") << SjisToUtf8(c.question);
        } else {
            EXPECT_NE(errors.find(c.err), std::string::npos) << errors;
        }
        std::fclose(out);
        std::fclose(err);
    }
}

}  // namespace
