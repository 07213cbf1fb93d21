// The diagnostic log: time-stamped lines in a file only its owner reads, serial bytes in hex
// with a cap per line, nothing while closed, and the file named by "--log" or TIVRA_LOG.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "DiagnosticLog.h"
#include "LogLines.h"
#include "TempDir.h"

TEST(DiagnosticLog, WritesStampedLinesOnlyWhileOpen) {
    TempDir dir;
    const std::string path = dir.Path("trace.log");
    LogLine("before", "not written");
    ASSERT_TRUE(OpenDiagnosticLog(path));
    EXPECT_TRUE(DiagnosticLogOn());
    LogLine("dialog", "エラー: 一行目\r\n二行目\r\n");
    const std::string bytes = "DORBA$";
    LogSerialBytes('>', bytes.data(), bytes.size());
    const std::string block(300, '\x5A');
    LogSerialBytes('<', block.data(), block.size());
    CloseDiagnosticLog();
    LogLine("after", "not written");
    EXPECT_FALSE(DiagnosticLogOn());

    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::string block5A;
    for (int i = 0; i < 256; ++i) block5A += i ? " 5A" : "5A";
    EXPECT_EQ(LogLinesWithoutStamps(TempDir::Read(path)),
              (std::vector<std::string>{"[dialog] エラー: 一行目 / 二行目",
                                        "[serial] > 44 4F 52 42 41 24",
                                        "[serial] < " + block5A + " ... 300 bytes in all"}));
}

TEST(DiagnosticLog, FileComesFromTheCommandLineElseTheVariable) {
    struct TCase {
        std::vector<const char*> arguments;
        const char* variable;
        std::string file;
    };
    const TCase cases[] = {
        {{"tivra", "--log", "/tmp/a.log"}, "/tmp/b.log", "/tmp/a.log"},
        {{"tivra", "--screenshots", "x", "--log=/tmp/c.log"}, nullptr, "/tmp/c.log"},
        {{"tivra", "--log"}, "/tmp/b.log", "/tmp/b.log"},
        {{"tivra"}, nullptr, ""},
    };
    for (const TCase& c : cases) {
        c.variable ? setenv("TIVRA_LOG", c.variable, 1) : unsetenv("TIVRA_LOG");
        std::vector<char*> argv;
        for (const char* argument : c.arguments) argv.push_back(const_cast<char*>(argument));
        EXPECT_EQ(DiagnosticLogRequest(static_cast<int>(argv.size()), argv.data()), c.file)
            << c.arguments.back();
    }
    unsetenv("TIVRA_LOG");
}
