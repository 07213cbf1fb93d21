// Bound files byte for byte, the kind detection, and the firmware file check.
#include <gtest/gtest.h>

#include "FileError.h"
#include "FirmwareFileCheck.h"
#include "OrbaBind.h"
#include "TempDir.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string text;
    for (int v : values) text += static_cast<char>(v);
    return text;
}

TEST(BindMafList, WrapsTheTextBehindTheFilterMarkerAndAnEmptySecondSlot) {
    TempDir dir;
    std::string text = "0123456789";
    std::string data = dir.Path("MAF.DAT");
    EXPECT_TRUE(TLumeORBABind().BindMafList(dir.Write("MAF.TXT", text), data));
    EXPECT_EQ(TempDir::Read(data),
              Bytes({0x33, 0xBB, 0x4D, 0x46, 10, 0, 0, 0}) + text + Bytes({0, 0, 0, 0}));

    EXPECT_TRUE(TLumeORBABind().BindMafList(dir.Write("empty.txt", ""), data));
    EXPECT_EQ(TempDir::Read(data), Bytes({0x33, 0xBB, 0x4D, 0x46, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BindFiles, PutsTheFirstSourceInSlotOneAndScramblesEachSlotFromTheKeyStart) {
    TempDir dir;
    std::string first = dir.Write("first", std::string(300, 'A'));
    std::string second = dir.Write("second", "xyz");
    std::string out = dir.Path("out");
    ASSERT_TRUE(TLumeORBABind().BindFiles(second, first, out, "\x33\xBB\x33\xBB", "k1"));

    std::string expectedFirst(300, 'A');
    for (size_t i = 0; i < expectedFirst.size(); ++i) expectedFirst[i] ^= (i % 2 ? '1' : 'k');
    std::string expectedSecond = {char('x' ^ 'k'), char('y' ^ '1'), char('z' ^ 'k')};
    EXPECT_EQ(TempDir::Read(out), Bytes({0x33, 0xBB, 0x33, 0xBB, 0x2C, 0x01, 0, 0}) +
                                      expectedFirst + Bytes({3, 0, 0, 0}) + expectedSecond);
    EXPECT_EQ(TLumeORBABind().GetBoundFileKind(out), BoundFileKind::GeneralBound);
}

TEST(BindFiles, RaisesTheFileErrorWithPathAndSystemTextForAMissingSource) {
    TempDir dir;
    std::string missing = dir.Path("missing.txt");
    try {
        TLumeORBABind().BindMafList(missing, dir.Path("MAF.DAT"));
        FAIL() << "no exception";
    } catch (const EFileError& error) {
        EXPECT_EQ(error.Path(), missing);
        EXPECT_NE(std::string(error.what()).find("No such file"), std::string::npos);
    }
    EXPECT_THROW(TLumeORBABind().BindMafList(dir.Write("t", "x"), dir.Path("no/such/dir/out")),
                 EFileError);
}

TEST(GetBoundFileKind, ClassifiesByTheFirstBytes) {
    TempDir dir;
    TLumeORBABind bind;
    EXPECT_EQ(bind.GetBoundFileKind(dir.Write("raw", Bytes({0x55, 0xAA, 1, 2}))),
              BoundFileKind::RawImage);
    EXPECT_EQ(bind.GetBoundFileKind(dir.Write("gen", Bytes({0x33, 0xBB, 0x33, 0xBB}))),
              BoundFileKind::GeneralBound);
    EXPECT_EQ(bind.GetBoundFileKind(dir.Write("maf", Bytes({0x33, 0xBB, 0x4D, 0x46, 9}))),
              BoundFileKind::MafListBound);
    EXPECT_EQ(bind.GetBoundFileKind(dir.Write("half", Bytes({0x33, 0xBB, 0x55, 0xAA}))),
              BoundFileKind::Other);
    EXPECT_THROW(bind.GetBoundFileKind(dir.Write("short", Bytes({0x55, 0xAA, 0}))), EFileError);
    EXPECT_THROW(bind.GetBoundFileKind(dir.Path("absent")), EFileError);
}

TEST(IsValidFirmwareFile, RequiresExactlyTwoMebibytesOnlyForRawImages) {
    TempDir dir;
    std::string image(kRawFirmwareImageSize, '\0');
    image[0] = '\x55';
    image[1] = '\xAA';
    EXPECT_TRUE(IsValidFirmwareFile(dir.Write("exact.bin", image)));
    EXPECT_FALSE(IsValidFirmwareFile(dir.Write("long.bin", image + "x")));
    image.pop_back();
    EXPECT_FALSE(IsValidFirmwareFile(dir.Write("short.bin", image)));

    EXPECT_TRUE(IsValidFirmwareFile(dir.Write("bound.bin", Bytes({0x33, 0xBB, 0x33, 0xBB}))));
    EXPECT_TRUE(IsValidFirmwareFile(dir.Write("maf.bin", Bytes({0x33, 0xBB, 0x4D, 0x46}))));
    EXPECT_TRUE(IsValidFirmwareFile(dir.Write("other.bin", "hello, world")));
    // Too short to be classified: accepted, the page check has seen that it exists.
    EXPECT_TRUE(IsValidFirmwareFile(dir.Write("tiny.bin", Bytes({0x55, 0xAA, 0}))));
}

}  // namespace
