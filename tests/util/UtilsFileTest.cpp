// Tests of the file helpers of the value utilities: file size by name or pattern, and the
// version string read from a program file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Utils.h"

#ifndef TIVRA_VERSION_TEXT
#define TIVRA_VERSION_TEXT "1.0.0.0"
#endif

namespace {

// A fresh folder under the temporary directory, removed with everything in it afterwards.
class FileHelpersTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tivra-util-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    std::string WriteFile(const std::string& name, const std::string& content) {
        std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string folder_;
};

TEST_F(FileHelpersTest, SizeOfFileOrFirstMatch) {
    std::string path = WriteFile("firm.bin", "12345");
    EXPECT_EQ(GetFileSizeByName(path), 5);
    EXPECT_EQ(GetFileSizeByName(folder_ + "/*.bin"), 5);
    EXPECT_EQ(GetFileSizeByName(folder_ + "/firm.b?n"), 5);
}

TEST_F(FileHelpersTest, NothingMatchingGivesZero) {
    EXPECT_EQ(GetFileSizeByName(folder_ + "/missing.bin"), 0);
    EXPECT_EQ(GetFileSizeByName(folder_ + "/*.brm"), 0);
    EXPECT_EQ(GetFileSizeByName(""), 0);
    EXPECT_EQ(GetFileSizeByName(folder_), 0);  // a folder matches with size 0
}

TEST_F(FileHelpersTest, SizeKeepsTheLow32Bits) {
    std::string path = WriteFile("big.bin", "");
    // Sparse files: no disk space is used.
    if (truncate(path.c_str(), 0x100000005LL) != 0) GTEST_SKIP() << "no large sparse files";
    EXPECT_EQ(GetFileSizeByName(path), 5);
    ASSERT_EQ(truncate(path.c_str(), 0xC0000000LL), 0);
    EXPECT_EQ(GetFileSizeByName(path), static_cast<std::int32_t>(0xC0000000u));
}

TEST_F(FileHelpersTest, VersionOfFileWithoutVersionBlockIsEmpty) {
    EXPECT_EQ(GetFileVersionText(WriteFile("plain.txt", "not a program")), "");
    EXPECT_EQ(GetFileVersionText(folder_ + "/missing"), "");
    EXPECT_EQ(GetFileVersionText(""), "");
}

TEST(FileVersionTest, RunningProgramShowsItsVersion) {
    EXPECT_EQ(GetFileVersionText("/proc/self/exe"), TIVRA_VERSION_TEXT);
}

}  // namespace
