// The run-length encoder. Scanning a block reads through its bytes once to classify it; the
// block is then copied from the same window. With SSE2 the scans look at sixteen positions per
// step, since they touch every input byte.
#include "RunLengthEncoder.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "BlockFormat.h"
#include "FileReader.h"
#include "FileWriter.h"

namespace Kemcmprs {

namespace {

#if defined(__SSE2__)

__m128i Load16(const std::uint8_t* data) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
}

// Bit k is set where lane k of left differs from lane k of right.
unsigned Differing(__m128i left, __m128i right) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(left, right))) ^ 0xFFFFu;
}

// How many of data[0, count) equal value before the first other byte; 16 at a time first.
std::size_t CountRepeats(const std::uint8_t* data, std::size_t count, std::uint8_t value) {
    const __m128i pattern = _mm_set1_epi8(static_cast<char>(value));
    std::size_t pos = 0;
    for (; pos + 16 <= count; pos += 16) {
        unsigned differing = Differing(Load16(data + pos), pattern);
        if (differing != 0) {
            return pos + static_cast<std::size_t>(__builtin_ctz(differing));
        }
    }
    while (pos < count && data[pos] == value) {
        ++pos;
    }
    return pos;
}

// The first position p with data[p] .. data[p + 3] equal and p + 3 < count; count when none.
// Sixteen positions per step: lane k compares the bytes at k, k + 1, k + 2 and k + 3.
std::size_t FindFourEqual(const std::uint8_t* data, std::size_t count) {
    std::size_t pos = 0;
    for (; pos + 19 <= count; pos += 16) {
        __m128i first = Load16(data + pos);
        __m128i second = Load16(data + pos + 1);
        __m128i third = Load16(data + pos + 2);
        __m128i fourth = Load16(data + pos + 3);
        __m128i allEqual = _mm_and_si128(
            _mm_and_si128(_mm_cmpeq_epi8(first, second), _mm_cmpeq_epi8(second, third)),
            _mm_cmpeq_epi8(third, fourth));
        unsigned found = static_cast<unsigned>(_mm_movemask_epi8(allEqual));
        if (found != 0) {
            return pos + static_cast<std::size_t>(__builtin_ctz(found));
        }
    }
    for (; pos + 3 < count; ++pos) {
        if (data[pos] == data[pos + 1] && data[pos] == data[pos + 2] &&
            data[pos] == data[pos + 3]) {
            return pos;
        }
    }
    return count;
}

#else

std::size_t CountRepeats(const std::uint8_t* data, std::size_t count, std::uint8_t value) {
    std::size_t pos = 0;
    while (pos < count && data[pos] == value) {
        ++pos;
    }
    return pos;
}

std::size_t FindFourEqual(const std::uint8_t* data, std::size_t count) {
    for (std::size_t pos = 0; pos + 3 < count; ++pos) {
        if (data[pos] == data[pos + 1] && data[pos] == data[pos + 2] &&
            data[pos] == data[pos + 3]) {
            return pos;
        }
    }
    return count;
}

#endif

bool WriteBlockHeader(FileWriter& destination, const BlockPlan& plan) {
    auto header = static_cast<std::uint16_t>(plan.length | (plan.run ? kRunFlag : 0));
    const std::uint8_t bytes[kBlockHeaderSize] = {static_cast<std::uint8_t>(header & 0xFF),
                                                  static_cast<std::uint8_t>(header >> 8)};
    return destination.Write(bytes, sizeof bytes);
}

}  // namespace

BlockPlan ScanBlock(const std::uint8_t* data, std::size_t count) {
    const bool inputEndsInReach = count < kMaxBlockCount;
    count = std::min(count, kMaxBlockCount);
    if (count < 3) {
        // The input's last bytes, too few to start a run.
        return {count, false, true};
    }
    if (data[0] == data[1] && data[0] == data[2]) {
        std::size_t length = 3 + CountRepeats(data + 3, count - 3, data[0]);
        return {length, true, length == count && inputEndsInReach};
    }
    // A literal block ends just before four equal bytes. A stretch that began before the
    // block's first change of byte value would include that change, so the first match is it.
    std::size_t length = FindFourEqual(data, count);
    return {length, false, length == count && inputEndsInReach};
}

bool EncodeBlockStream(FileReader& source, FileWriter& destination) {
    for (;;) {
        if (!source.Fill(kMaxBlockCount)) {
            return false;
        }
        const std::uint8_t* data = source.Data();
        BlockPlan plan = ScanBlock(data, source.Available());
        bool written =
            WriteBlockHeader(destination, plan) &&
            (plan.run ? destination.WriteByte(data[0]) : destination.Write(data, plan.length));
        if (!written) {
            return false;
        }
        source.Consume(plan.length);
        if (plan.lastBlock) {
            return true;
        }
    }
}

}  // namespace Kemcmprs
