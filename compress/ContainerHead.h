// The fixed head of a container file: the data offset (bytes 0-3) and the 44-byte header
// record (bytes 4-47) with the magic, the two fixed words, the format number, the checksum and
// the source size. The memo follows at byte 48.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace Kemcmprs {

constexpr std::size_t kDataOffsetSize = 4;
constexpr std::size_t kHeaderRecordSize = 44;
constexpr std::size_t kHeadSize = kDataOffsetSize + kHeaderRecordSize;
constexpr std::size_t kMagicSize = 32;
constexpr std::size_t kMaxMemoLength = 127;
constexpr std::uint16_t kFormatNumber = 1;

// "KEM COMPRESSED FILE" blank-padded to 32 bytes, without a terminating zero.
extern const std::array<std::uint8_t, kMagicSize> kContainerMagic;

struct ContainerHead {
    std::uint32_t dataOffset = kHeadSize;
    std::array<std::uint8_t, kMagicSize> magic = kContainerMagic;
    std::uint16_t word36 = 2;
    std::uint16_t word38 = 0;
    std::uint16_t formatNumber = kFormatNumber;
    std::uint16_t checksum = 0;
    std::uint32_t sourceSize = 0;
};

// The 4 little-endian bytes of the data offset.
std::array<std::uint8_t, kDataOffsetSize> EncodeDataOffset(std::uint32_t dataOffset);
std::uint32_t DecodeDataOffset(const std::array<std::uint8_t, kDataOffsetSize>& bytes);
// The 44 bytes stored at offset 4.
std::array<std::uint8_t, kHeaderRecordSize> EncodeHeaderRecord(const ContainerHead& head);
// The head read from the first 48 bytes of a container.
ContainerHead DecodeHead(const std::array<std::uint8_t, kHeadSize>& bytes);

bool HasContainerMagic(const ContainerHead& head);

}  // namespace Kemcmprs
