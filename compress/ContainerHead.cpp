// Byte layout of the container head.
#include "ContainerHead.h"

namespace Kemcmprs {

namespace {

constexpr std::size_t kMagicAt = 4;
constexpr std::size_t kWord36At = 36;
constexpr std::size_t kWord38At = 38;
constexpr std::size_t kFormatNumberAt = 40;
constexpr std::size_t kChecksumAt = 42;
constexpr std::size_t kSourceSizeAt = 44;

void PutLittle(std::uint8_t* to, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        to[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t GetLittle(const std::uint8_t* from, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(from[i]) << (8 * i);
    }
    return value;
}

constexpr std::array<std::uint8_t, kMagicSize> MakeMagic() {
    const char text[] = "KEM COMPRESSED FILE";
    std::array<std::uint8_t, kMagicSize> magic{};
    for (std::size_t i = 0; i < kMagicSize; ++i) {
        magic[i] = i + 1 < sizeof text ? static_cast<std::uint8_t>(text[i]) : ' ';
    }
    return magic;
}

}  // namespace

const std::array<std::uint8_t, kMagicSize> kContainerMagic = MakeMagic();

std::array<std::uint8_t, kDataOffsetSize> EncodeDataOffset(std::uint32_t dataOffset) {
    std::array<std::uint8_t, kDataOffsetSize> bytes{};
    PutLittle(bytes.data(), dataOffset, kDataOffsetSize);
    return bytes;
}

std::uint32_t DecodeDataOffset(const std::array<std::uint8_t, kDataOffsetSize>& bytes) {
    return GetLittle(bytes.data(), kDataOffsetSize);
}

std::array<std::uint8_t, kHeaderRecordSize> EncodeHeaderRecord(const ContainerHead& head) {
    std::array<std::uint8_t, kHeadSize> bytes{};
    for (std::size_t i = 0; i < kMagicSize; ++i) {
        bytes[kMagicAt + i] = head.magic[i];
    }
    PutLittle(&bytes[kWord36At], head.word36, 2);
    PutLittle(&bytes[kWord38At], head.word38, 2);
    PutLittle(&bytes[kFormatNumberAt], head.formatNumber, 2);
    PutLittle(&bytes[kChecksumAt], head.checksum, 2);
    PutLittle(&bytes[kSourceSizeAt], head.sourceSize, 4);
    std::array<std::uint8_t, kHeaderRecordSize> record{};
    for (std::size_t i = 0; i < kHeaderRecordSize; ++i) {
        record[i] = bytes[kDataOffsetSize + i];
    }
    return record;
}

ContainerHead DecodeHead(const std::array<std::uint8_t, kHeadSize>& bytes) {
    ContainerHead head;
    head.dataOffset = GetLittle(&bytes[0], kDataOffsetSize);
    for (std::size_t i = 0; i < kMagicSize; ++i) {
        head.magic[i] = bytes[kMagicAt + i];
    }
    head.word36 = static_cast<std::uint16_t>(GetLittle(&bytes[kWord36At], 2));
    head.word38 = static_cast<std::uint16_t>(GetLittle(&bytes[kWord38At], 2));
    head.formatNumber = static_cast<std::uint16_t>(GetLittle(&bytes[kFormatNumberAt], 2));
    head.checksum = static_cast<std::uint16_t>(GetLittle(&bytes[kChecksumAt], 2));
    head.sourceSize = GetLittle(&bytes[kSourceSizeAt], 4);
    return head;
}

bool HasContainerMagic(const ContainerHead& head) { return head.magic == kContainerMagic; }

}  // namespace Kemcmprs
