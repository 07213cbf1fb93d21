// Reads the version block that the build embeds into each executable and library (section
// ".tivra.version": "VS_VERSION_INFO", then zero-terminated key/value pairs, then an empty key).
// It stands in for the Windows version resource and its query functions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The value stored under key in the version block of the named file, or nothing when the file
// cannot be read, is not a regular file (a folder, a device), is not an ELF file, has no version
// block or lacks the key. Only the ELF header, the section table, the section names and the
// block itself are read, never the whole file. Keys compare
// with runs of backslashes taken as one, as the version query of the original system did.
std::optional<std::string> QueryFileVersionValue(const std::string& path, const std::string& key);

// The same lookup on the bytes of a file already in memory (an ELF image).
std::optional<std::string> QueryVersionValueInImage(const unsigned char* image, std::size_t size,
                                                    const std::string& key);
