// Replacing files and private folders: the destination changes only on Commit, nothing is
// left behind otherwise, and the scratch folder goes away with its contents.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "FileError.h"
#include "SafeFiles.h"
#include "TempDir.h"

namespace {

size_t EntriesIn(const std::string& folder) {
    size_t count = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

}  // namespace

TEST(TReplacingFile, DestinationChangesOnlyOnCommitAndNothingIsLeftOtherwise) {
    TempDir dir;
    std::string target = dir.Write("image.bin", "old");
    {
        TReplacingFile file(target);
        file.Append("new bytes");
        EXPECT_EQ(TempDir::Read(target), "old");
        EXPECT_EQ(FolderOf(file.TemporaryPath()), FolderOf(target));
        EXPECT_EQ(std::filesystem::path(file.TemporaryPath()).filename().string()[0], '.');
    }
    EXPECT_EQ(TempDir::Read(target), "old");
    EXPECT_EQ(EntriesIn(FolderOf(target)), 1u);

    WriteFileReplacing(target, "new bytes");
    EXPECT_EQ(TempDir::Read(target), "new bytes");
    EXPECT_EQ(EntriesIn(FolderOf(target)), 1u);
}

TEST(TReplacingFile, AFolderThatCannotBeWrittenRaisesTheFileError) {
    EXPECT_THROW(TReplacingFile("/nonexistent-folder/x.bin"), EFileError);
    EXPECT_EQ(FolderOf("x.bin"), ".");
    EXPECT_EQ(FolderOf("/x.bin"), "/");
}

TEST(TPrivateTempFolder, IsPrivateAndGoesAwayWithItsFiles) {
    std::string folder;
    {
        TPrivateTempFolder temp;
        folder = temp.Folder();
        struct stat info {};
        ASSERT_EQ(stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        WriteFileReplacing(temp.Path("MAF.TXT"), "x");
        std::uint64_t freeBytes = 0;
        EXPECT_TRUE(FreeDiskSpace(temp.Path("MAF.TXT"), freeBytes));
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
}
