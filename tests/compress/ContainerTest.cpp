// The container file: its head and memo as KemCompress writes them, the checks of KemUnCompress
// and their results, KemGetCompressMemo, and what happens to the files on each failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CompressTestSupport.h"
#include "kemcmprs.h"

namespace {

class ContainerTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return folder.PathOf(name); }

    // Compresses content with memo; returns the container's bytes.
    std::string Compress(const std::string& content, const std::string& memo = "") {
        WriteFileBytes(PathOf("source"), content);
        EXPECT_EQ(KemCompress(PathOf("source").c_str(), PathOf("container").c_str(), memo.data(),
                              static_cast<std::int32_t>(memo.size())),
                  KEMCMPRS_DONE);
        return ReadFileBytes(PathOf("container"));
    }

    std::int32_t ExpandBytes(const std::string& container) {
        WriteFileBytes(PathOf("given"), container);
        return KemUnCompress(PathOf("given").c_str(), PathOf("output").c_str());
    }

    TempFolder folder;
};

TEST_F(ContainerTest, HeadOfAnEmptySource) {
    std::string container = Compress("");
    ASSERT_EQ(container.size(), 50u);
    EXPECT_EQ(ReadLittle32(container, 0), 48u);
    EXPECT_EQ(container.substr(4, 32), ContainerMagic());
    EXPECT_EQ(ReadLittle16(container, 36), 2);
    EXPECT_EQ(ReadLittle16(container, 38), 0);
    EXPECT_EQ(ReadLittle16(container, 40), 1);
    EXPECT_EQ(ReadLittle16(container, 42), 0);
    EXPECT_EQ(ReadLittle32(container, 44), 0u);
    EXPECT_EQ(container.substr(48), std::string(2, '\0'));

    EXPECT_EQ(KemUnCompress(PathOf("container").c_str(), PathOf("output").c_str()), KEMCMPRS_DONE);
    EXPECT_EQ(ReadFileBytes(PathOf("output")), "");
}

TEST_F(ContainerTest, HeadCarriesSourceSizeAndChecksumOfTheStream) {
    // High-valued literal bytes: the stream sums far beyond 65535.
    std::string content = "\xFF\xFF\xFF\xFF" + std::string(300, '\x80');
    for (int i = 0; i < 5000; ++i) {
        content += static_cast<char>(0xF0 + i % 15);
    }
    std::string container = Compress(content, "memo");
    EXPECT_EQ(ReadLittle32(container, 0), 52u);
    EXPECT_EQ(container.substr(48, 4), "memo");
    EXPECT_EQ(ReadLittle32(container, 44), content.size());
    EXPECT_EQ(ReadLittle16(container, 42), ByteSumOf(container.substr(52)));
}

TEST_F(ContainerTest, MemoLimits) {
    std::string memo127(127, 'm');
    memo127[0] = '\x82';  // memo bytes are stored as they are (Shift_JIS)
    std::string container = Compress("data", memo127);
    EXPECT_EQ(ReadLittle32(container, 0), 175u);
    EXPECT_EQ(container.substr(48, 127), memo127);

    std::string memo128(128, 'm');
    EXPECT_EQ(KemCompress(PathOf("source").c_str(), PathOf("refused").c_str(), memo128.data(), 128),
              KEMCMPRS_FAILED);
    EXPECT_EQ(KemCompress(PathOf("source").c_str(), PathOf("refused").c_str(), "x", -1),
              KEMCMPRS_FAILED);
    EXPECT_EQ(KemCompress(PathOf("source").c_str(), PathOf("refused").c_str(), nullptr, 3),
              KEMCMPRS_FAILED);
    EXPECT_FALSE(FileExistsAt(PathOf("refused")));
}

TEST_F(ContainerTest, MemoIsReadBackWithoutTerminator) {
    std::string memo127(127, 'n');
    Compress("data", memo127);
    char buffer[130];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(KemGetCompressMemo(PathOf("container").c_str(), buffer), KEMCMPRS_DONE);
    EXPECT_EQ(std::string(buffer, 127), memo127);
    EXPECT_EQ(buffer[127], '#');
}

TEST_F(ContainerTest, MemoReadFailuresLeaveTheBufferUntouched) {
    const std::string untouched(130, '#');
    char buffer[130];
    auto readMemo = [&](const std::string& containerBytes) {
        WriteFileBytes(PathOf("memo-test"), containerBytes);
        std::memcpy(buffer, untouched.data(), sizeof buffer);
        return KemGetCompressMemo(PathOf("memo-test").c_str(), buffer);
    };
    EXPECT_EQ(readMemo(Compress("no memo here")), KEMCMPRS_FAILED);
    EXPECT_EQ(std::string(buffer, sizeof buffer), untouched);
    // A data offset announcing a memo longer than 127 bytes.
    EXPECT_EQ(readMemo(Little32(48 + 128) + std::string(300, 'x')), KEMCMPRS_FAILED);
    EXPECT_EQ(std::string(buffer, sizeof buffer), untouched);
    // A file too short to hold the memo it announces.
    EXPECT_EQ(readMemo(Little32(48 + 20) + std::string(50, 'x')), KEMCMPRS_FAILED);
    EXPECT_EQ(std::string(buffer, sizeof buffer), untouched);
    // Too short to hold a data offset; a data offset below 48.
    EXPECT_EQ(readMemo("abc"), KEMCMPRS_FAILED);
    EXPECT_EQ(readMemo(Little32(10) + std::string(100, 'x')), KEMCMPRS_FAILED);
    EXPECT_EQ(std::string(buffer, sizeof buffer), untouched);

    EXPECT_EQ(KemGetCompressMemo(PathOf("missing").c_str(), buffer), KEMCMPRS_FAILED);
    EXPECT_EQ(KemGetCompressMemo(PathOf("container").c_str(), nullptr), KEMCMPRS_FAILED);
    EXPECT_EQ(std::string(buffer, sizeof buffer), untouched);
}

TEST_F(ContainerTest, ChecksFailInOrderAndLeaveAnEmptyDestination) {
    const std::string good = Compress("some content, some more content");

    std::string badStream = good;
    badStream.back() = static_cast<char>(badStream.back() + 1);
    EXPECT_EQ(ExpandBytes(badStream), KEMCMPRS_BAD_CHECKSUM);
    EXPECT_EQ(ReadFileBytes(PathOf("output")), "");

    std::string badChecksum = good;
    badChecksum[42] = static_cast<char>(badChecksum[42] ^ 1);
    EXPECT_EQ(ExpandBytes(badChecksum), KEMCMPRS_BAD_CHECKSUM);

    std::string badMagic = good;
    badMagic[4 + 31] = '\0';
    EXPECT_EQ(ExpandBytes(badMagic), KEMCMPRS_BAD_MAGIC);
    EXPECT_EQ(ReadFileBytes(PathOf("output")), "");

    for (std::uint16_t format : {0, 2, 0x0100}) {
        std::string badFormat = good;
        badFormat.replace(40, 2, Little16(format));
        EXPECT_EQ(ExpandBytes(badFormat), KEMCMPRS_BAD_FORMAT) << format;
        EXPECT_EQ(ReadFileBytes(PathOf("output")), "");
    }

    // The magic is checked first, then the format number, then the checksum.
    std::string everythingBad = badStream;
    everythingBad.replace(40, 2, Little16(7));
    EXPECT_EQ(ExpandBytes(everythingBad), KEMCMPRS_BAD_FORMAT);
    everythingBad[4] = 'k';
    EXPECT_EQ(ExpandBytes(everythingBad), KEMCMPRS_BAD_MAGIC);
}

TEST_F(ContainerTest, ShortFileIsNotAContainer) {
    const std::string good = Compress("x");
    EXPECT_EQ(ExpandBytes(good.substr(0, 47)), KEMCMPRS_BAD_MAGIC);
    EXPECT_EQ(ExpandBytes(""), KEMCMPRS_BAD_MAGIC);
    EXPECT_EQ(ReadFileBytes(PathOf("output")), "");
}

TEST_F(ContainerTest, UnexaminedFieldsDoNotStopExpansion) {
    const std::string content = "field test field test";
    std::string container = Compress(content);
    container.replace(36, 2, Little16(0xBEEF));
    container.replace(38, 2, Little16(0x1234));
    container.replace(44, 4, Little32(0xFFFFFFFF));
    EXPECT_EQ(ExpandBytes(container), KEMCMPRS_DONE);
    EXPECT_EQ(ReadFileBytes(PathOf("output")), content);
}

TEST_F(ContainerTest, BlockAnnouncingMoreThanRemainsWithBadChecksumWritesNothing) {
    std::string container = MakeContainer(LiteralHeader(100) + "abc");
    container[42] = static_cast<char>(container[42] + 1);
    EXPECT_EQ(ExpandBytes(container), KEMCMPRS_BAD_CHECKSUM);
    EXPECT_EQ(ReadFileBytes(PathOf("output")), "");
}

TEST_F(ContainerTest, MemoDoesNotTakePartInTheChecksum) {
    std::string container = Compress("payload", "memo text");
    container[50] = 'X';
    EXPECT_EQ(ExpandBytes(container), KEMCMPRS_DONE);
    EXPECT_EQ(ReadFileBytes(PathOf("output")), "payload");
}

TEST_F(ContainerTest, MissingSourceLeavesAnEmptyDestination) {
    WriteFileBytes(PathOf("old"), "old content");
    EXPECT_EQ(KemCompress(PathOf("missing").c_str(), PathOf("old").c_str(), nullptr, 0),
              KEMCMPRS_FAILED);
    EXPECT_EQ(ReadFileBytes(PathOf("old")), "");
    EXPECT_EQ(KemUnCompress(PathOf("missing").c_str(), PathOf("new").c_str()), KEMCMPRS_FAILED);
    EXPECT_EQ(ReadFileBytes(PathOf("new")), "");
    // A folder is no source either.
    std::filesystem::create_directory(PathOf("folder"));
    EXPECT_EQ(KemCompress(PathOf("folder").c_str(), PathOf("from-folder").c_str(), nullptr, 0),
              KEMCMPRS_FAILED);
    EXPECT_EQ(ReadFileBytes(PathOf("from-folder")), "");
}

TEST_F(ContainerTest, UnwritableDestinationFails) {
    Compress("abc");
    EXPECT_EQ(KemCompress(PathOf("source").c_str(), PathOf("no/such/folder").c_str(), nullptr, 0),
              KEMCMPRS_FAILED);
    EXPECT_EQ(KemUnCompress(PathOf("container").c_str(), PathOf("no/such/folder").c_str()),
              KEMCMPRS_FAILED);
    EXPECT_EQ(KemCompress(PathOf("source").c_str(), nullptr, nullptr, 0), KEMCMPRS_FAILED);
    EXPECT_EQ(KemUnCompress(nullptr, PathOf("x").c_str()), KEMCMPRS_FAILED);
}

TEST_F(ContainerTest, ReadAndWriteFailuresAreReported) {
    Compress(std::string(100000, 'q') + "some literal bytes");
    // Writes to /dev/full fail for want of space.
    EXPECT_EQ(KemCompress(PathOf("source").c_str(), "/dev/full", nullptr, 0), KEMCMPRS_FAILED);
    EXPECT_EQ(KemUnCompress(PathOf("container").c_str(), "/dev/full"), KEMCMPRS_FAILED);
    // Reading this process's memory at offset 0 fails: an unreadable source must not pass for
    // an empty one, nor an unreadable container for a damaged one.
    EXPECT_EQ(KemCompress("/proc/self/mem", PathOf("mem.kem").c_str(), nullptr, 0),
              KEMCMPRS_FAILED);
    EXPECT_EQ(KemUnCompress("/proc/self/mem", PathOf("mem.out").c_str()), KEMCMPRS_FAILED);
}

class SameFileTest : public ContainerTest {
protected:
    void SetUp() override {
        original = Compress("keep me intact, keep me intact");
        std::filesystem::create_directory(PathOf("sub"));
        ASSERT_EQ(::link(PathOf("container").c_str(), PathOf("hardlink").c_str()), 0);
        ASSERT_EQ(::symlink("container", PathOf("symlink").c_str()), 0);
    }

    std::vector<std::string> SpellingsOfContainer() const {
        return {PathOf("container"), folder.Path() + "/./sub/../container", PathOf("hardlink"),
                PathOf("symlink")};
    }

    std::string original;
};

TEST_F(SameFileTest, CompressIntoItsOwnSourceIsRefused) {
    for (const std::string& destination : SpellingsOfContainer()) {
        EXPECT_EQ(KemCompress(PathOf("container").c_str(), destination.c_str(), "m", 1),
                  KEMCMPRS_FAILED)
            << destination;
        EXPECT_EQ(ReadFileBytes(PathOf("container")), original) << destination;
    }
}

TEST_F(SameFileTest, ExpandIntoItsOwnContainerIsRefused) {
    for (const std::string& destination : SpellingsOfContainer()) {
        EXPECT_EQ(KemUnCompress(PathOf("symlink").c_str(), destination.c_str()), KEMCMPRS_FAILED)
            << destination;
        EXPECT_EQ(ReadFileBytes(PathOf("container")), original) << destination;
    }
    // A copy is a different file and expands normally.
    WriteFileBytes(PathOf("copy"), original);
    EXPECT_EQ(KemUnCompress(PathOf("copy").c_str(), PathOf("container").c_str()), KEMCMPRS_DONE);
    EXPECT_EQ(ReadFileBytes(PathOf("container")), "keep me intact, keep me intact");
}

TEST_F(ContainerTest, FilesAreClosedOnEveryPath) {
    Compress("closing", "memo");
    std::string damaged = ReadFileBytes(PathOf("container"));
    damaged.back() = 'Z';
    WriteFileBytes(PathOf("damaged"), damaged);
    char buffer[128];
    const std::size_t before = OpenDescriptorCount();
    for (int round = 0; round < 3; ++round) {
        KemCompress(PathOf("source").c_str(), PathOf("c2").c_str(), "memo", 4);
        KemCompress(PathOf("missing").c_str(), PathOf("c3").c_str(), nullptr, 0);
        KemCompress(PathOf("source").c_str(), PathOf("source").c_str(), nullptr, 0);
        KemUnCompress(PathOf("container").c_str(), PathOf("o1").c_str());
        KemUnCompress(PathOf("damaged").c_str(), PathOf("o2").c_str());
        KemUnCompress(PathOf("source").c_str(), PathOf("o3").c_str());
        KemUnCompress(PathOf("container").c_str(), PathOf("no/folder").c_str());
        KemGetCompressMemo(PathOf("container").c_str(), buffer);
        KemGetCompressMemo(PathOf("source").c_str(), buffer);
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

}  // namespace
