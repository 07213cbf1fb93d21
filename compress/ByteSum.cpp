// The container checksum. With SSE2 sixteen bytes are summed per step (the sum of absolute
// differences against zero adds up eight bytes into each 64-bit lane); elsewhere, and for the
// last few bytes, one byte at a time.
#include "ByteSum.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Kemcmprs {

namespace {

#if defined(__SSE2__)

// Adds whole 16-byte pieces of data to sum; returns how many bytes it took.
std::size_t AddWideSteps(std::uint32_t& sum, const std::uint8_t* data, std::size_t size) {
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = zero;
    std::size_t pos = 0;
    for (; pos + 16 <= size; pos += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
        lanes = _mm_add_epi64(lanes, _mm_sad_epu8(bytes, zero));
    }
    // Only the sum modulo 65536 matters, so the low 32 bits of each lane suffice.
    sum += static_cast<std::uint32_t>(_mm_cvtsi128_si32(lanes)) +
           static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(lanes, lanes)));
    return pos;
}

#else

std::size_t AddWideSteps(std::uint32_t&, const std::uint8_t*, std::size_t) { return 0; }

#endif

}  // namespace

std::uint16_t AddToByteSum(std::uint16_t sum, const std::uint8_t* data, std::size_t size) {
    std::uint32_t total = sum;
    std::size_t pos = AddWideSteps(total, data, size);
    for (; pos < size; ++pos) {
        total += data[pos];
    }
    return static_cast<std::uint16_t>(total);
}

}  // namespace Kemcmprs
