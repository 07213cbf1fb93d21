// The Ethernet controller's 9346 EEPROM image built from a TConfig8019: four configuration
// bytes, the MAC address, the user and Plug and Play serial identifiers with their checksum,
// and the Plug and Play resource data (version, identifier string, logical and compatible
// device, I/O and interrupt descriptors, end tag and checksum). The EEPROM holds 64 words, so
// at most 128 bytes of the image are ever sent.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Config8019.h"

struct TEepromImage {
    static constexpr std::size_t BufferSize = 227;
    static constexpr int MaxWords = 64;
    std::array<std::uint8_t, BufferSize> Bytes{};
    int WordCount = 0;  // words to send, 2 * WordCount bytes
};

// Longest identifier string, and longest hexadecimal resource item (Version, LogicalID,
// CompatibleID, PNPIO, PNPIRQ), in bytes: together with the item headers, the end tag and its
// checksum they always fit the image buffer.
inline constexpr std::size_t MaxAnsiStrBytes = 64;
inline constexpr std::size_t MaxResourceItemBytes = 26;

// Builds the image. Raises EConvertError when a hexadecimal field holds a pair that is not
// hexadecimal (an empty pair included), and ESerialError when the identifier string or a
// resource item is longer than its limit; nothing is built then.
TEepromImage BuildEepromImage(const TConfig8019& config);

// The checksum of the Plug and Play serial identifier (vendor identifier and serial number).
std::uint8_t SerialIdChecksum(const std::uint8_t (&serialId)[8]);

// The packet the EEPROM programmer takes: the word count (little-endian), the two's
// complement of the 8-bit sum of the image bytes, and the 2 * WordCount image bytes.
std::vector<std::uint8_t> BuildConfigPacket(const TEepromImage& image);
