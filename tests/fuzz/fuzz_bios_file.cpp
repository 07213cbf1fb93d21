// Arbitrary BIOS files into the BIOS file check: it must never crash, must accept only a file
// with the identification, a data offset of 68, some data and the matching checksum, and must
// leave an accepted file positioned at its data.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "FirmwareFiles.h"
#include "TransferCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("bios", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    lseek(fd, 0, SEEK_SET);
    std::uint64_t dataSize = 0;
    const std::uint8_t code = CheckBiosFile(fd, dataSize);
    if (code == teNone) {
        unsigned sum = 0;
        for (std::size_t i = 68; i < size; ++i) sum += data[i];
        if (size <= 68 || dataSize != size - 68 ||
            std::memcmp(data + 4, BiosIdentification, 32) != 0 ||
            (sum & 0xFFFF) != static_cast<unsigned>(data[42] | data[43] << 8) ||
            lseek(fd, 0, SEEK_CUR) != 68)
            std::abort();
    } else if (code != teFileShort && code != teBadBiosFile) {
        std::abort();
    }
    if (size < 68 && code != teFileShort) std::abort();
    return 0;
}
