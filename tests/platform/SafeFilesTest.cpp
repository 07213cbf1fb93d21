// Replacing files and private folders: the destination changes only on Commit, nothing is
// left behind otherwise, and the scratch folder goes away with its contents.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(TReplacingFile, ALinkStaysAndAnythingButARegularFileIsRefused) {
    TempDir dir;
    const std::string real = dir.Write("real.bin", "old");
    const std::string link = dir.Path("link.bin");
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    WriteFileReplacing(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempDir::Read(real), "new");

    const std::string dangling = dir.Path("dangling.bin");
    ASSERT_EQ(symlink(dir.Path("gone.bin").c_str(), dangling.c_str()), 0);
    WriteFileReplacing(dangling, "x");
    EXPECT_EQ(TempDir::Read(dangling), "x");

    const std::string pipe = dir.Path("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string linkToDevice = dir.Path("null-link");
    ASSERT_EQ(symlink("/dev/null", linkToDevice.c_str()), 0);
    const std::size_t entries = EntriesIn(dir.Path(""));
    for (const std::string& path : {std::string("/dev/null"), dir.Path(""), pipe, linkToDevice}) {
        EXPECT_THROW(TReplacingFile{path}, EFileError) << path;
    }
    EXPECT_EQ(EntriesIn(dir.Path("")), entries);  // no temporary file was made
    struct stat info {};
    ASSERT_EQ(stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
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
