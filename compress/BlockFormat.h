// The block stream's header word: bit 15 marks a run block, bits 0-14 carry the number of
// output bytes the block stands for. A literal block is followed by that many bytes, a run
// block by the one byte it repeats.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Kemcmprs {

constexpr std::uint16_t kRunFlag = 0x8000;
constexpr std::uint16_t kCountMask = 0x7FFF;
constexpr std::size_t kBlockHeaderSize = 2;
// The encoder keeps every count one below what the field can hold.
constexpr std::size_t kMaxBlockCount = 0x7FFE;

}  // namespace Kemcmprs
