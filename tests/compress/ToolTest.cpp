// The kemcmprs command-line tool as built: its exit status and message for each result of the
// library, and its usage errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CompressTestSupport.h"

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

class ToolTest : public ::testing::Test {
protected:
    ToolRun Run(const std::vector<std::string>& arguments) {
        std::string command = Quote(std::string(TIVRA_BIN_DIR) + "/kemcmprs");
        for (const std::string& argument : arguments) {
            command += " " + Quote(argument);
        }
        command += " >" + Quote(PathOf("stdout")) + " 2>" + Quote(PathOf("stderr"));
        int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status)) << command;
        return {WEXITSTATUS(status), ReadFileBytes(PathOf("stdout")),
                ReadFileBytes(PathOf("stderr"))};
    }

    static std::string Quote(const std::string& text) { return "'" + text + "'"; }
    std::string PathOf(const std::string& name) const { return folder.PathOf(name); }

    TempFolder folder;
};

TEST_F(ToolTest, CompressExpandAndMemo) {
    const std::string content = "tool content\n" + std::string(5000, '=') + "\x01\x02";
    WriteFileBytes(PathOf("source"), content);

    ToolRun compress = Run({"compress", PathOf("source"), PathOf("box"), "--memo", "a memo"});
    EXPECT_EQ(compress.status, 0) << compress.err;
    EXPECT_EQ(compress.err, "");

    ToolRun expand = Run({"expand", PathOf("box"), PathOf("back")});
    EXPECT_EQ(expand.status, 0) << expand.err;
    EXPECT_EQ(ReadFileBytes(PathOf("back")), content);

    ToolRun memo = Run({"memo", PathOf("box")});
    EXPECT_EQ(memo.status, 0);
    EXPECT_EQ(memo.out, "a memo\n");
}

TEST_F(ToolTest, EachFailureHasItsOwnStatusAndMessage) {
    WriteFileBytes(PathOf("source"), "abcabcabc");
    ASSERT_EQ(Run({"compress", PathOf("source"), PathOf("box")}).status, 0);
    const std::string good = ReadFileBytes(PathOf("box"));

    ToolRun missing = Run({"expand", PathOf("missing"), PathOf("out")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot expand"), std::string::npos) << missing.err;

    WriteFileBytes(PathOf("text"), std::string(60, 't'));
    ToolRun notContainer = Run({"expand", PathOf("text"), PathOf("out")});
    EXPECT_EQ(notContainer.status, 2);
    EXPECT_NE(notContainer.err.find("not a compressed container"), std::string::npos);

    std::string badFormat = good;
    badFormat[40] = 9;
    WriteFileBytes(PathOf("format"), badFormat);
    ToolRun format = Run({"expand", PathOf("format"), PathOf("out")});
    EXPECT_EQ(format.status, 3);
    EXPECT_NE(format.err.find("format"), std::string::npos);

    std::string badData = good;
    badData.back() = static_cast<char>(badData.back() ^ 0x10);
    WriteFileBytes(PathOf("damaged"), badData);
    ToolRun damaged = Run({"expand", PathOf("damaged"), PathOf("out")});
    EXPECT_EQ(damaged.status, 4);
    EXPECT_NE(damaged.err.find("checksum"), std::string::npos);

    ToolRun noMemo = Run({"memo", PathOf("box")});
    EXPECT_EQ(noMemo.status, 5);
    EXPECT_EQ(noMemo.out, "");
    EXPECT_NE(noMemo.err.find("no memo"), std::string::npos);

    ToolRun sameFile = Run({"compress", PathOf("source"), PathOf("source")});
    EXPECT_EQ(sameFile.status, 1);
    EXPECT_EQ(ReadFileBytes(PathOf("source")), "abcabcabc");
}

TEST_F(ToolTest, UsageErrorsExit64) {
    WriteFileBytes(PathOf("source"), "x");
    const std::vector<std::vector<std::string>> wrongLines = {
        {},
        {"squeeze", PathOf("source"), PathOf("box")},
        {"compress", PathOf("source")},
        {"compress", PathOf("source"), PathOf("box"), PathOf("extra")},
        {"compress", PathOf("source"), PathOf("box"), "--memo"},
        {"compress", PathOf("source"), PathOf("box"), "--memo", "a", "--memo", "b"},
        {"compress", PathOf("source"), PathOf("box"), "--memo", std::string(128, 'm')},
        {"expand", PathOf("box"), PathOf("out"), "--memo", "m"},
        {"memo"},
        {"expand", "--verbose", PathOf("box"), PathOf("out")},
    };
    for (const std::vector<std::string>& line : wrongLines) {
        ToolRun run = Run(line);
        EXPECT_EQ(run.status, 64) << (line.empty() ? "(no arguments)" : line[0]);
        EXPECT_NE(run.err.find("kemcmprs --help"), std::string::npos);
    }
    EXPECT_FALSE(FileExistsAt(PathOf("box")));
    EXPECT_FALSE(FileExistsAt(PathOf("out")));
}

TEST_F(ToolTest, LongestMemoAndPathsAfterDoubleDash) {
    WriteFileBytes(PathOf("-source"), "dash");
    ToolRun run = Run({"compress", "--", PathOf("-source"), PathOf("box"), "--memo"});
    EXPECT_EQ(run.status, 64);  // after "--" the memo option is a third path

    run =
        Run({"compress", "--memo", std::string(127, 'm'), "--", PathOf("-source"), PathOf("box")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Run({"memo", PathOf("box")}).out, std::string(127, 'm') + "\n");
}

TEST_F(ToolTest, HelpListsEveryExitStatus) {
    ToolRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* status :
         {"\n  0 ", "\n  1 ", "\n  2 ", "\n  3 ", "\n  4 ", "\n  5 ", "\n  64 ", "\n  70 "}) {
        EXPECT_NE(help.out.find(status), std::string::npos) << status;
    }
    for (const char* command : {"compress", "expand", "memo"}) {
        EXPECT_NE(help.out.find(std::string("kemcmprs ") + command), std::string::npos);
    }
}

}  // namespace
