// The container checksum: the sum, modulo 65536, of a run of bytes each taken as unsigned.
// Computed sixteen bytes at a time where the processor allows, since it covers every byte of
// every container twice (once when it is written, once before it is expanded).
#pragma once

#include <cstddef>
#include <cstdint>

namespace Kemcmprs {

// sum plus every byte of data[0, size), modulo 65536.
std::uint16_t AddToByteSum(std::uint16_t sum, const std::uint8_t* data, std::size_t size);

}  // namespace Kemcmprs
