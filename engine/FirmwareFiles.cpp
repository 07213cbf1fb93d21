// BIOS file check, upload units and the download's free-space rule.
#include "FirmwareFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "FileSystem.h"
#include "SafeFiles.h"
#include "TransferCodes.h"

namespace {

constexpr std::size_t kIdentificationOffset = 4;
constexpr std::size_t kIdentificationSize = 32;
constexpr std::size_t kChecksumOffset = 42;
constexpr std::size_t kSumBlock = 1024;

}  // namespace

TransferError CheckBiosFile(int fd, std::uint64_t& dataSize) {
    dataSize = 0;
    std::uint8_t header[BiosHeaderSize];
    if (ReadFully(fd, header, sizeof header, 0) != static_cast<std::ptrdiff_t>(sizeof header))
        return teFileShort;
    const std::uint32_t dataOffset =
        header[0] | header[1] << 8 | header[2] << 16 | static_cast<std::uint32_t>(header[3]) << 24;
    // The identification is text that ends at its first zero byte; all 32 characters count.
    const char* id = reinterpret_cast<const char*>(header + kIdentificationOffset);
    if (strnlen(id, kIdentificationSize) != kIdentificationSize ||
        std::memcmp(id, BiosIdentification, kIdentificationSize) != 0)
        return teBadBiosFile;
    if (dataOffset != BiosHeaderSize) return teBadBiosFile;

    unsigned sum = 0;
    std::uint64_t offset = dataOffset;
    std::uint8_t block[kSumBlock];
    for (;;) {
        std::ptrdiff_t got = ReadFully(fd, block, sizeof block, static_cast<std::int64_t>(offset));
        if (got < 0) return teFileShort;
        if (got == 0) break;
        for (std::ptrdiff_t i = 0; i < got; ++i) sum += block[i];
        offset += static_cast<std::uint64_t>(got);
    }
    const unsigned stored = header[kChecksumOffset] | header[kChecksumOffset + 1] << 8;
    if ((sum & 0xFFFF) != stored) return teBadBiosFile;
    if (offset == dataOffset) return teBadBiosFile;  // no data
    if (lseek(fd, static_cast<off_t>(dataOffset), SEEK_SET) < 0) return teFileShort;
    dataSize = offset - dataOffset;
    return teNone;
}

std::uint64_t UploadUnits(std::uint64_t size) { return 2 * ((size + 65535) / 65536); }

bool DownloadFits(const std::string& temporaryPath, std::uint64_t imageSize,
                  const TFreeSpaceQuery& freeSpace) {
    std::uint64_t freeBytes = 0;
    if (!freeSpace || !freeSpace(FolderOf(temporaryPath), freeBytes)) return true;
    return freeBytes >= imageSize;
}

bool ReceivedImageLooksWhole(const std::string& head, std::uint64_t size, std::string& why) {
    if (size == 0) {
        why = "the access point sent no image (it closed the connection at once)";
        return false;
    }
    bool raw = head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x55 &&
               static_cast<unsigned char>(head[1]) == 0xAA;
    if (raw && size != RawFirmwareImageBytes) {
        why = "the access point closed the connection after " + std::to_string(size) +
              " bytes; a raw firmware image has " + std::to_string(RawFirmwareImageBytes);
        return false;
    }
    return true;
}
