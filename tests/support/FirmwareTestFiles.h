// Firmware and BIOS files for the tests of the serial operations: an image whose blocks all
// differ, and a BIOS file built the way the BIOS update checks it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "FirmwareFiles.h"

// `size` bytes in a pattern that changes from block to block; `seed` gives a different image.
// The first byte is not a raw image's 55 AA, which would have to be exactly 2 MiB.
inline std::string PatternImage(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 29 + i / 1024 * 3 + seed) & 0xFF);
    if (size > 0) bytes[0] = 0x12;
    return bytes;
}

// A BIOS file: data offset, identification, checksum of the data (plus checksumDelta) at 42,
// the data from the offset 68.
inline std::string BiosFileForTest(const std::string& data,
                                   const std::string& id = BiosIdentification,
                                   int checksumDelta = 0, std::uint32_t offset = 68) {
    std::string file(68, '\0');
    for (int i = 0; i < 4; ++i) file[i] = static_cast<char>(offset >> (8 * i));
    file.replace(4, 32, id.substr(0, 32));
    unsigned sum = checksumDelta;
    for (unsigned char c : data) sum += c;
    file[42] = static_cast<char>(sum & 0xFF);
    file[43] = static_cast<char>((sum >> 8) & 0xFF);
    return file + data;
}
