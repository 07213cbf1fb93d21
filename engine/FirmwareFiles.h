// The rules for the files of the serial transfer: the BIOS update file (a 68-byte header with
// its identification and a 16-bit checksum of the data, then the data), the size of a firmware
// image in the flash's 32 KiB units, and the free-space rule for a download.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "TransferCodes.h"

// Identification at offset 4 of a BIOS file: 32 characters, padded with blanks.
inline constexpr char BiosIdentification[] = "KEM ORBA BIOS FILE              ";
// Size of the header; the data the access point gets starts right after it.
inline constexpr std::uint64_t BiosHeaderSize = 68;

// Checks an open BIOS file: 0 with the file positioned at its data and dataSize set, 11 when it
// is shorter than its header (or cannot be read), 15 when its identification or checksum is
// wrong. A file whose stored data offset is not 68, or that has no data at all, is also 15:
// the access point would be sent other bytes than the checksum covers, or would erase its BIOS
// and write nothing.
TransferError CheckBiosFile(int fd, std::uint64_t& dataSize);

// Flash units of 32 KiB that an upload of size bytes needs: the image occupies whole 64 KiB
// sectors, so twice the number of sectors.
std::uint64_t UploadUnits(std::uint64_t size);

// Largest download the loader may announce, in 32 KiB units (2 MiB).
inline constexpr std::uint16_t MaxDownloadUnits = 64;
inline constexpr std::uint32_t FlashUnitBytes = 32768;

// Free bytes on the file system of a path; false when it cannot be asked.
using TFreeSpaceQuery = std::function<bool(const std::string& path, std::uint64_t& freeBytes)>;

// Whether a download of imageSize bytes fits beside its destination. The image is received
// into a file in the destination's own folder and renamed over the destination, so the file
// system needs room for the image once. A file system that cannot say how much room it has
// does not stop the download: a write that finds no room fails it all the same.
bool DownloadFits(const std::string& temporaryPath, std::uint64_t imageSize,
                  const TFreeSpaceQuery& freeSpace);

// Whether bytes an access point sent as its firmware image can be a whole one; the stream
// carries no size, so this is the upload page's own firmware check: an empty image never is,
// and a raw image (it starts with 55 AA) is exactly 2 MiB. A bound file carries no overall
// size and passes. head holds the first bytes (at least two when size allows). False with
// the reason.
bool ReceivedImageLooksWhole(const std::string& head, std::uint64_t size, std::string& why);

// Size of a raw firmware image.
inline constexpr std::uint64_t RawFirmwareImageBytes = 2097152;
