// The exact block streams KemCompress writes for the documented inputs, and how KemUnCompress
// expands unusual and cut-short streams.
#include <gtest/gtest.h>

#include <string>

#include "CompressTestSupport.h"
#include "kemcmprs.h"

namespace {

class BlockStreamTest : public ::testing::Test {
protected:
    // The block stream KemCompress writes for input; the container also expands back to input.
    std::string Encode(const std::string& input) {
        WriteFileBytes(folder.PathOf("source"), input);
        EXPECT_EQ(KemCompress(folder.PathOf("source").c_str(), folder.PathOf("container").c_str(),
                              nullptr, 0),
                  KEMCMPRS_DONE);
        EXPECT_EQ(
            KemUnCompress(folder.PathOf("container").c_str(), folder.PathOf("expanded").c_str()),
            KEMCMPRS_DONE);
        EXPECT_EQ(ReadFileBytes(folder.PathOf("expanded")), input);
        return BlockStreamOf(ReadFileBytes(folder.PathOf("container")));
    }

    // Expands a container with the given block stream (and a correct checksum).
    std::int32_t Expand(const std::string& stream, std::string& output) {
        WriteFileBytes(folder.PathOf("made"), MakeContainer(stream));
        std::int32_t result =
            KemUnCompress(folder.PathOf("made").c_str(), folder.PathOf("made.out").c_str());
        output = ReadFileBytes(folder.PathOf("made.out"));
        return result;
    }

    TempFolder folder;
};

TEST_F(BlockStreamTest, RunThenLiteral) {
    EXPECT_EQ(Encode("AAAAB"), RunHeader(4) + "A" + LiteralHeader(1) + "B");
}

TEST_F(BlockStreamTest, LiteralEndsBeforeFourEqualBytes) {
    EXPECT_EQ(Encode("ABBBB"), LiteralHeader(1) + "A" + RunHeader(4) + "B");
}

TEST_F(BlockStreamTest, ThreeEqualBytesInsideALiteralDoNotEndIt) {
    EXPECT_EQ(Encode("ABBBD"), LiteralHeader(5) + "ABBBD");
    EXPECT_EQ(Encode("ABBBDEEEF"), LiteralHeader(9) + "ABBBDEEEF");
}

TEST_F(BlockStreamTest, ThreeEqualBytesStartARun) {
    EXPECT_EQ(Encode("CCC"), RunHeader(3) + "C");
    EXPECT_EQ(Encode("CCCD"), RunHeader(3) + "C" + LiteralHeader(1) + "D");
}

TEST_F(BlockStreamTest, OneOrTwoBytesAtTheEndAreALiteral) {
    EXPECT_EQ(Encode("Z"), LiteralHeader(1) + "Z");
    EXPECT_EQ(Encode("ZZ"), LiteralHeader(2) + "ZZ");
    EXPECT_EQ(Encode("AAAAZZ"), RunHeader(4) + "A" + LiteralHeader(2) + "ZZ");
}

TEST_F(BlockStreamTest, EmptyInputIsOneEmptyLiteralHeader) {
    EXPECT_EQ(Encode(""), LiteralHeader(0));
}

TEST_F(BlockStreamTest, LongRunSplitsAtTheBlockLimit) {
    EXPECT_EQ(Encode(std::string(40000, 'x')),
              "\xFE\xFF"
              "x"
              "\x42\x9C"
              "x");
    // A run of exactly the limit is followed by the empty literal header.
    EXPECT_EQ(Encode(std::string(32766, 'x')), RunHeader(32766) + "x" + LiteralHeader(0));
    // Two bytes beyond the limit are too few for a run.
    EXPECT_EQ(Encode(std::string(32768, 'x')), RunHeader(32766) + "x" + LiteralHeader(2) + "xx");
}

TEST_F(BlockStreamTest, LongLiteralSplitsAtTheBlockLimit) {
    std::string alternating;
    for (int i = 0; i < 32766; ++i) {
        alternating += i % 2 == 0 ? 'a' : 'b';
    }
    EXPECT_EQ(Encode(alternating), "\xFE\x7F" + alternating + LiteralHeader(0));
    EXPECT_EQ(Encode(alternating + "c"), "\xFE\x7F" + alternating + LiteralHeader(1) + "c");
    // Four equal bytes that straddle the limit do not end the literal early.
    std::string straddling = alternating.substr(0, 32764) + "cccc";
    EXPECT_EQ(Encode(straddling),
              "\xFE\x7F" + straddling.substr(0, 32766) + LiteralHeader(2) + "cc");
}

TEST_F(BlockStreamTest, DecodesEveryBlockKind) {
    std::string output;
    // Count-0 blocks of both kinds output nothing; the decoder takes counts up to 32767.
    std::string stream =
        LiteralHeader(0) + RunHeader(0) + "q" + LiteralHeader(3) + "abc" + RunHeader(0x7FFF) + "z";
    EXPECT_EQ(Expand(stream, output), KEMCMPRS_DONE);
    EXPECT_EQ(output, "abc" + std::string(0x7FFF, 'z'));
}

TEST_F(BlockStreamTest, SingleTrailingByteEndsTheStream) {
    std::string output;
    EXPECT_EQ(Expand(LiteralHeader(2) + "ok" + std::string(1, '\0'), output), KEMCMPRS_DONE);
    EXPECT_EQ(output, "ok");
}

TEST_F(BlockStreamTest, LiteralCutShortKeepsWhatIsPresentAndFails) {
    std::string output;
    EXPECT_EQ(Expand(RunHeader(5) + "r" + LiteralHeader(10) + "abc", output), KEMCMPRS_FAILED);
    EXPECT_EQ(output, "rrrrrabc");
    // A header announcing the largest count with nothing behind it.
    EXPECT_EQ(Expand(LiteralHeader(0x7FFF), output), KEMCMPRS_FAILED);
    EXPECT_EQ(output, "");
}

TEST_F(BlockStreamTest, RunWithoutItsByteFails) {
    std::string output;
    EXPECT_EQ(Expand(LiteralHeader(2) + "ab" + RunHeader(9), output), KEMCMPRS_FAILED);
    EXPECT_EQ(output, "ab");
}

}  // namespace
