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
