// An open file of the library, closed when the handle goes out of scope, so every way out of a
// library call closes its files. Wraps the few POSIX calls the container code needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace Kemcmprs {

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Opens an existing file for reading. Folders do not open.
    static FileHandle OpenForReading(const char* path);
    // Opens a file for reading and writing, created or emptied (as fopen mode "w+b").
    static FileHandle CreateForWriting(const char* path);

    bool IsOpen() const { return descriptor_ >= 0; }
    int Descriptor() const { return descriptor_; }

    // True when path names this very file (same device and inode), whatever the spelling,
    // hard link or symbolic link; false when path does not exist.
    bool IsSameFileAs(const char* path) const;

    // Size in bytes as the file system reports it.
    std::optional<std::uint64_t> Size() const;
    // The size of a regular file; nothing for pipes, devices and the like.
    std::optional<std::uint64_t> RegularFileSize() const;

    // Reads up to size bytes at offset; stops early only at the end of the file. Nothing when
    // reading fails.
    std::optional<std::size_t> ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;

    // Writes all size bytes at the current position, or at offset; false when fewer are stored.
    bool WriteAll(const void* data, std::size_t size) const;
    bool WriteAllAt(std::uint64_t offset, const void* data, std::size_t size) const;

    // Closes the file; false when closing reports an error (a write that did not reach the
    // file). The handle is closed afterwards either way.
    bool Close();

private:
    explicit FileHandle(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
};

// True when both paths exist and name one file (same device and inode).
bool NameTheSameFile(const char* firstPath, const char* secondPath);

}  // namespace Kemcmprs
