// The buffered, word-at-a-time codec against the plain reference codec: byte-exact block
// streams for large inputs whose blocks cross the read window's edges, for every small window
// size the reader allows, and for many short inputs made of few byte values.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BlockFormat.h"
#include "ByteSum.h"
#include "CompressTestSupport.h"
#include "FileReader.h"
#include "FileWriter.h"
#include "ReferenceCodec.h"
#include "RunLengthDecoder.h"
#include "RunLengthEncoder.h"
#include "kemcmprs.h"

namespace {

using Kemcmprs::FileReader;
using Kemcmprs::FileWriter;

// Runs of random length (1 to maxRun) of values drawn from the first `alphabet` byte values,
// so all block kinds and the 32766-byte limit occur.
std::string RunHeavy(std::size_t size, int alphabet, std::size_t maxRun, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> value(0, alphabet - 1);
    std::uniform_int_distribution<std::size_t> length(1, maxRun);
    std::string data;
    while (data.size() < size) {
        data.append(std::min(length(generator), size - data.size()),
                    static_cast<char>(0x41 + value(generator)));
    }
    return data;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string data(size, '\0');
    for (char& c : data) {
        c = static_cast<char>(generator());
    }
    return data;
}

class RoundTripTest : public ::testing::Test {
protected:
    // Compresses and expands through the library; checks the stream against the reference.
    void CheckThroughLibrary(const std::string& input) {
        WriteFileBytes(folder.PathOf("in"), input);
        ASSERT_EQ(
            KemCompress(folder.PathOf("in").c_str(), folder.PathOf("kem").c_str(), nullptr, 0),
            KEMCMPRS_DONE);
        std::string stream = BlockStreamOf(ReadFileBytes(folder.PathOf("kem")));
        ASSERT_TRUE(stream == ReferenceEncode(input))
            << "stream differs, input size " << input.size();
        ASSERT_EQ(KemUnCompress(folder.PathOf("kem").c_str(), folder.PathOf("out").c_str()),
                  KEMCMPRS_DONE);
        ASSERT_TRUE(ReadFileBytes(folder.PathOf("out")) == input);
    }

    // Encodes with the given reader and writer capacities straight through the codec.
    std::string EncodeWithWindows(const std::string& input, std::size_t readCapacity,
                                  std::size_t writeCapacity) {
        WriteFileBytes(folder.PathOf("raw"), input);
        int in = ::open(folder.PathOf("raw").c_str(), O_RDONLY);
        int out = ::open(folder.PathOf("enc").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        FileReader reader(in, readCapacity);
        FileWriter writer(out, FileWriter::Summing::On, writeCapacity);
        EXPECT_TRUE(Kemcmprs::EncodeBlockStream(reader, writer));
        EXPECT_TRUE(writer.Flush());
        ::close(in);
        ::close(out);
        std::string stream = ReadFileBytes(folder.PathOf("enc"));
        EXPECT_EQ(writer.FlushedByteSum(), ByteSumOf(stream));
        return stream;
    }

    std::string DecodeWithWindows(const std::string& stream, std::size_t readCapacity,
                                  std::size_t writeCapacity) {
        WriteFileBytes(folder.PathOf("stream"), stream);
        int in = ::open(folder.PathOf("stream").c_str(), O_RDONLY);
        int out = ::open(folder.PathOf("dec").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        FileReader reader(in, readCapacity);
        FileWriter writer(out, FileWriter::Summing::Off, writeCapacity);
        EXPECT_EQ(Kemcmprs::DecodeBlockStream(reader, writer), Kemcmprs::DecodeOutcome::Done);
        EXPECT_TRUE(writer.Flush());
        ::close(in);
        ::close(out);
        return ReadFileBytes(folder.PathOf("dec"));
    }

    TempFolder folder;
};

TEST_F(RoundTripTest, LargeInputsMatchTheReferenceAcrossWindowEdges) {
    // Over 3 MiB each, so the 1 MiB read window is refilled with blocks straddling its edge.
    CheckThroughLibrary(RandomBytes(3'300'000, 1));
    CheckThroughLibrary(RunHeavy(3'300'000, 3, 40'000, 2));
    CheckThroughLibrary(RunHeavy(3'300'000, 2, 6, 3));
    CheckThroughLibrary(RunHeavy(3'300'000, 256, 3, 4));
}

TEST_F(RoundTripTest, SmallestWindowsMatchTheReference) {
    const std::string inputs[] = {RunHeavy(300'000, 2, 5, 5), RunHeavy(300'000, 4, 70'000, 6),
                                  RandomBytes(100'000, 7)};
    for (const std::string& input : inputs) {
        const std::string expected = ReferenceEncode(input);
        for (std::size_t readCapacity :
             {FileReader::kMinimumCapacity, std::size_t{40'000}, std::size_t{65'537}}) {
            for (std::size_t writeCapacity : {std::size_t{7}, std::size_t{4096}}) {
                std::string stream = EncodeWithWindows(input, readCapacity, writeCapacity);
                ASSERT_TRUE(stream == expected) << readCapacity << "/" << writeCapacity;
                ASSERT_TRUE(DecodeWithWindows(stream, readCapacity, writeCapacity) == input)
                    << readCapacity << "/" << writeCapacity;
            }
        }
    }
}

TEST_F(RoundTripTest, ShortInputsOfFewValuesMatchTheReference) {
    // Every block classification, at every position relative to the 16-byte scan steps.
    std::mt19937 generator(8);
    for (int round = 0; round < 3000; ++round) {
        std::uniform_int_distribution<std::size_t> size(0, 80);
        std::uniform_int_distribution<int> alphabet(1, 3);
        std::string input = RunHeavy(size(generator), alphabet(generator), 6, generator());
        std::string expected = ReferenceEncode(input);
        // Walk the blocks in memory, as the encoder does over its window. The bytes sit in a
        // buffer of their exact size, so a sanitizer build catches any read beyond the input.
        const std::vector<std::uint8_t> bytes(input.begin(), input.end());
        std::string stream;
        std::size_t pos = 0;
        for (;;) {
            Kemcmprs::BlockPlan plan = Kemcmprs::ScanBlock(bytes.data() + pos, bytes.size() - pos);
            stream += Little16(static_cast<std::uint16_t>(plan.length | (plan.run ? 0x8000 : 0)));
            stream += plan.run ? input.substr(pos, 1) : input.substr(pos, plan.length);
            pos += plan.length;
            if (plan.lastBlock) {
                break;
            }
        }
        ASSERT_EQ(stream, expected) << "input '" << input << "'";
    }
}

TEST_F(RoundTripTest, SourceArrivingInPiecesThroughAPipe) {
    // Reads from a pipe return less than asked; only the true end of the input may end the
    // block stream. The source need not be seekable either.
    const std::string input = RandomBytes(200'000, 10) + RunHeavy(200'000, 2, 40'000, 11);
    const std::string fifo = folder.PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Should the encoder stop reading early, the feeder's writes fail instead of killing us.
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    std::thread feeder([&] {
        int out = ::open(fifo.c_str(), O_WRONLY);
        for (std::size_t pos = 0; out >= 0 && pos < input.size(); pos += 1000) {
            std::size_t piece = std::min<std::size_t>(1000, input.size() - pos);
            if (::write(out, input.data() + pos, piece) != static_cast<ssize_t>(piece)) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        ::close(out);
    });
    std::int32_t result = KemCompress(fifo.c_str(), folder.PathOf("piped.kem").c_str(), nullptr, 0);
    feeder.join();
    ::sigaction(SIGPIPE, &previous, nullptr);
    ASSERT_EQ(result, KEMCMPRS_DONE);
    EXPECT_TRUE(BlockStreamOf(ReadFileBytes(folder.PathOf("piped.kem"))) == ReferenceEncode(input));
}

TEST(ByteSumTest, MatchesAPlainSumAtEveryAlignmentAndLength) {
    const std::string data = RandomBytes(1000, 9) + std::string(70'000, '\xFF');
    for (std::size_t offset = 0; offset < 17; ++offset) {
        for (std::size_t size : {0, 1, 15, 16, 17, 31, 33, 999, 70'500}) {
            std::string part = data.substr(offset, size);
            EXPECT_EQ(Kemcmprs::AddToByteSum(
                          7, reinterpret_cast<const std::uint8_t*>(data.data()) + offset, size),
                      static_cast<std::uint16_t>(7 + ByteSumOf(part)))
                << offset << "/" << size;
        }
    }
}

}  // namespace
