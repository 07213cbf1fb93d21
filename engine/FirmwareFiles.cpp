// BIOS file check, upload units and the download's free-space rule.
#include "FirmwareFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "SafeFiles.h"
#include "TransferCodes.h"

namespace {

constexpr std::size_t kIdentificationOffset = 4;
constexpr std::size_t kIdentificationSize = 32;
constexpr std::size_t kChecksumOffset = 42;
constexpr std::size_t kSumBlock = 1024;

// Reads up to size bytes at offset; the count, or -1 on a read error.
std::ptrdiff_t ReadAt(int fd, std::uint8_t* buffer, std::size_t size, std::uint64_t offset) {
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = pread(fd, buffer + got, size - got, static_cast<off_t>(offset + got));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(got);
}

}  // namespace

std::uint8_t CheckBiosFile(int fd, std::uint64_t& dataSize) {
    dataSize = 0;
    std::uint8_t header[BiosHeaderSize];
    if (ReadAt(fd, header, sizeof header, 0) != static_cast<std::ptrdiff_t>(sizeof header))
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
        std::ptrdiff_t got = ReadAt(fd, block, sizeof block, offset);
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
