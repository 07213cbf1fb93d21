// File system services the system needs beyond the standard library: the size of the first
// file matching a path or pattern, and the folder of the running program (files that belong
// to the program are found there, never in the current directory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Size of the first file or folder that matches pathOrPattern ("*" and "?" match as in a file
// search of the original system; other characters stand for themselves). Folders report 0.
std::optional<std::uint64_t> FindFirstFileSize(const std::string& pathOrPattern);

// True when a file of that name exists; a folder is not a file.
bool FileExists(const std::string& path);

// Folder of the running executable, with a trailing "/".
std::string ProgramFolder();

// Full path of the running executable.
std::string ProgramFilePath();

// Reads up to size bytes from the descriptor's current position (offset < 0) or at offset,
// going on after short reads and interruptions: the count (less than size only at the end of
// the file), or -1 on a read error.
std::ptrdiff_t ReadFully(int fd, void* buffer, std::size_t size, std::int64_t offset = -1);
