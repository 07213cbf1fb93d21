// Filter files, the filter text file MAF.TXT and the lines of the access point's reply, byte
// for byte.
#include <gtest/gtest.h>

#include "Cp932.h"
#include "FileError.h"
#include "MafFile.h"
#include "TempDir.h"

namespace {

using Answer = TDialogs::Answer;

std::string S(const std::string& utf8) { return Utf8ToSjis(utf8); }

std::vector<std::string> Lines(const std::vector<std::string>& utf8) {
    std::vector<std::string> sjis;
    for (const std::string& text : utf8) sjis.push_back(S(text));
    return sjis;
}

// Reads a file's bytes into entries, answering the questions from a plan; keeps the questions.
struct TReading {
    std::vector<Answer> plan;
    std::vector<std::string> questions;  // UTF-8

    TMafReadEnd Read(const std::string& bytes, TMafEntries& entries) {
        return AppendMafFileEntries(bytes, entries, [this](const std::string& text) {
            questions.push_back(SjisToUtf8(text));
            if (plan.empty()) {
                ADD_FAILURE() << "unplanned question";
                return Answer::No;
            }
            Answer answer = plan.front();
            plan.erase(plan.begin());
            return answer;
        });
    }
};

std::string Question(const char* message, int line, const std::string& text) {
    return std::string(message) + "\r行数 : " + std::to_string(line) + "\r" + text +
           "\r\r継続しますか？「無視」を選択すると以降のエラーは表示されなくなります";
}

TEST(MafFile, EndsLinesAtCrLfLoneCrOrLoneLfAndStopsAtCtrlZ) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\n\nb", {"a", "", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {std::string("a\r\nb\x1A\r\nc", 8), {"a", "b"}},
        {"", {}},
    };
    for (const auto& [bytes, lines] : cases) EXPECT_EQ(SplitMafFileLines(bytes), lines);
}

TEST(MafFile, ReadsEntriesSkippingCommentsBlanksAndBadLinesAfterAsking) {
    TMafEntries entries = Lines({"00a0c9-12ab34 old"});
    TReading reading{{Answer::Yes, Answer::Ignore}, {}};
    const std::string file =
        S("# comment\n"
          "\n"
          "001122 334455 memo\n"
          "00A0C9-12AB34 again\n"  // line 4: already in the list
          "0011-22 x\n"            // line 5: invalid
          "001122-334455 twice\n"  // line 6: suppressed
          "aabbcc-ddeeff 漢字のメモは二十五バイトで切れる\n");
    EXPECT_EQ(reading.Read(file, entries), TMafReadEnd::Finished);
    // The memo keeps its first 25 bytes (twelve kanji and a lead byte).
    EXPECT_EQ(entries, (TMafEntries{S("00a0c9-12ab34 old"), S("001122-334455 memo"),
                                    "aabbcc-ddeeff " +
                                        S("漢字のメモは二十五バイトで切れる").substr(0, 25)}));
    EXPECT_EQ(
        reading.questions,
        (std::vector<std::string>{Question("MACアドレスが重複しています", 4, "00A0C9-12AB34 again"),
                                  Question("不正なMACアドレスです", 5, "0011-22 x")}));
}

TEST(MafFile, StopsAtNoAndAtTheEntryLimit) {
    TMafEntries entries;
    TReading reading{{Answer::No}, {}};
    EXPECT_EQ(reading.Read("001122-334455 a\r\nbad\r\n001122-334466 b\r\n", entries),
              TMafReadEnd::Stopped);
    EXPECT_EQ(entries, TMafEntries{"001122-334455 a"});

    std::string many;
    for (int i = 0; i < 2001; ++i)
        many += "02000" + std::to_string(i % 10) + "-" + std::to_string(100000 + i) + "\r\n";
    entries.clear();
    EXPECT_EQ(reading.Read(many, entries), TMafReadEnd::LimitReached);
    EXPECT_EQ(entries.size(), 2000u);
}

TEST(MafFile, WritesFilterFilesWithCrLfUnderANameWithExtension) {
    const std::pair<const char*, const char*> names[] = {{"/d/list", "/d/list.mft"},
                                                         {"/d/list.txt", "/d/list.txt"},
                                                         {"/d.v2/list", "/d.v2/list.mft"},
                                                         {"list", "list.mft"}};
    for (const auto& [chosen, stored] : names) EXPECT_EQ(MafFileNameWithExtension(chosen), stored);

    TempDir dir;
    const std::string path = dir.Write("list.mft", "old content that is longer");
    WriteMafFile(path, Lines({"001122-334455 メモ", "aabbcc-ddeeff "}));
    EXPECT_EQ(TempDir::Read(path), S("001122-334455 メモ\r\naabbcc-ddeeff \r\n"));
    EXPECT_THROW(WriteMafFile(dir.Path("no/such/folder.mft"), {}), EFileError);
    EXPECT_THROW(ReadWholeFile(dir.Path("missing.mft")), EFileError);
}

TEST(MafFile, WritesTheFilterTextInEucJpEndingEachLineInLf) {
    TempDir dir;
    const std::string path = dir.Path("MAF.TXT");
    // ア is A5 A2 in EUC-JP; the half-width ｰ travels behind 8E.
    EXPECT_TRUE(WriteMafTextFile(Lines({"00:11:22:33:44:55 ア", "00:11:22:33:44:66 ｰ"}), path));
    EXPECT_EQ(TempDir::Read(path), "00:11:22:33:44:55 \xA5\xA2\n00:11:22:33:44:66 \x8E\xB0\n");
    EXPECT_THROW(WriteMafTextFile({}, dir.Path("no/such/MAF.TXT")), EFileError);
}

TEST(MafFile, TakesEveryReplyLineAfterTheFirstInShiftJis) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"MAFLIST 3\n00:11:22:33:44:55 \xA5\xA2\n00:11:22:33:44:66 a\n00:11:22:33:44:77 \n",
         Lines({"00:11:22:33:44:55 ア", "00:11:22:33:44:66 a", "00:11:22:33:44:77 "})},
        {"MAFLIST 0\n", {}},
        {"header only", {}},
        // CR LF line ends lose their CR; a CR elsewhere is the memo's own.
        {"MAFLIST 2\r\n00:11:22:33:44:55 \xA5\xA2\r\n00:11:22:33:44:66 a\rb\r\n",
         Lines({"00:11:22:33:44:55 ア", "00:11:22:33:44:66 a\rb"})},
    };
    for (const auto& [reply, lines] : cases) EXPECT_EQ(MafReplyLines(reply), lines);
}

}  // namespace
