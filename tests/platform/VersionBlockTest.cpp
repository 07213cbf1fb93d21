// The embedded version block read back from real files, and its refusal of damaged images.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "FileSystem.h"
#include "TempDir.h"
#include "VersionBlock.h"

namespace {

const char kFileVersionKey[] = "\\StringFileInfo\\\\041103A4\\FileVersion";

std::vector<unsigned char> ReadImage(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(VersionBlock, ReadsTheBuildVersionFromThisProgram) {
    EXPECT_EQ(QueryFileVersionValue(ProgramFilePath(), kFileVersionKey),
              std::optional<std::string>(TIVRA_VERSION_TEXT));
    // The single-backslash spelling finds the same value; an unknown key finds none.
    EXPECT_EQ(QueryFileVersionValue(ProgramFilePath(), "\\StringFileInfo\\041103A4\\FileVersion"),
              std::optional<std::string>(TIVRA_VERSION_TEXT));
    EXPECT_EQ(QueryFileVersionValue(ProgramFilePath(), "\\StringFileInfo\\041103A4\\Nothing"),
              std::nullopt);
}

TEST(VersionBlock, FilesWithoutABlockGiveNothing) {
    TempDir dir;
    EXPECT_EQ(QueryFileVersionValue(dir.Write("text", "not a program"), kFileVersionKey),
              std::nullopt);
    EXPECT_EQ(QueryFileVersionValue(dir.Path("missing"), kFileVersionKey), std::nullopt);
    EXPECT_EQ(QueryFileVersionValue("/bin/sh", kFileVersionKey), std::nullopt);
}

TEST(VersionBlock, TruncatedImagesAreRefusedWithoutReadingPastTheEnd) {
    std::vector<unsigned char> image = ReadImage(ProgramFilePath());
    ASSERT_GT(image.size(), 4096u);
    for (size_t size : {size_t{0}, size_t{16}, size_t{64}, image.size() / 2, image.size() - 1}) {
        std::vector<unsigned char> cut(image.begin(), image.begin() + size);
        EXPECT_EQ(QueryVersionValueInImage(cut.data(), cut.size(), kFileVersionKey), std::nullopt)
            << size;
    }
}

// Only the parts of a file the lookup needs are read: a folder gives nothing (and raises
// nothing), and a large file that is no program is given up after its first bytes.
TEST(VersionBlock, ReadsOnlyWhatTheLookupNeeds) {
    TempDir dir;
    EXPECT_EQ(QueryFileVersionValue(dir.Path(""), kFileVersionKey), std::nullopt);
    const std::string large = dir.Write("large.bin", "");
    std::filesystem::resize_file(large, 64u << 20);  // sparse: takes no room on the disk
    auto bytesRead = [] {
        std::ifstream io("/proc/self/io");
        std::string name;
        std::uint64_t value = 0;
        while (io >> name >> value) {
            if (name == "rchar:") return value;
        }
        return std::uint64_t{0};
    };
    const std::uint64_t before = bytesRead();
    EXPECT_EQ(QueryFileVersionValue(large, kFileVersionKey), std::nullopt);
    EXPECT_LT(bytesRead() - before, 1u << 20);
}

TEST(FileSystem, FileExistsOnlyForFiles) {
    TempDir dir;
    const std::string file = dir.Write("fw.bin", "x");
    std::filesystem::create_directory(dir.Path("folder.bin"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.Path("folder.bin")));
    EXPECT_FALSE(FileExists(dir.Path("missing.bin")));
    EXPECT_FALSE(FileExists(""));
}

TEST(FileSystem, FindsSizesByPathAndPattern) {
    TempDir dir;
    dir.Write("a[1].bin", std::string(1234, 'x'));
    EXPECT_EQ(FindFirstFileSize(dir.Path("a[1].bin")), std::optional<std::uint64_t>(1234));
    EXPECT_EQ(FindFirstFileSize(dir.Path("a[1]*.bin")), std::optional<std::uint64_t>(1234));
    EXPECT_EQ(FindFirstFileSize(dir.Path("a?1?.bin")), std::optional<std::uint64_t>(1234));
    EXPECT_EQ(FindFirstFileSize(dir.Path("*.txt")), std::nullopt);
    EXPECT_EQ(FindFirstFileSize(dir.Path("")), std::optional<std::uint64_t>(0));  // the folder
    EXPECT_EQ(FindFirstFileSize(""), std::nullopt);
    EXPECT_EQ(ProgramFolder() + "platform_tests", ProgramFilePath());
}

}  // namespace
