// An open file of the library over a POSIX file descriptor.
#include "FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace Kemcmprs {

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

FileHandle FileHandle::OpenForReading(const char* path) {
    if (path == nullptr) {
        return FileHandle();
    }
    FileHandle file(::open(path, O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (file.IsOpen() && (::fstat(file.descriptor_, &info) != 0 || S_ISDIR(info.st_mode))) {
        file.Close();
    }
    return file;
}

FileHandle FileHandle::CreateForWriting(const char* path) {
    if (path == nullptr) {
        return FileHandle();
    }
    return FileHandle(::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
}

bool FileHandle::IsSameFileAs(const char* path) const {
    struct stat mine;
    struct stat theirs;
    if (!IsOpen() || path == nullptr || ::fstat(descriptor_, &mine) != 0 ||
        ::stat(path, &theirs) != 0) {
        return false;
    }
    return mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

std::optional<std::uint64_t> FileHandle::Size() const {
    struct stat info;
    if (!IsOpen() || ::fstat(descriptor_, &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::uint64_t> FileHandle::RegularFileSize() const {
    struct stat info;
    if (!IsOpen() || ::fstat(descriptor_, &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::size_t> FileHandle::ReadAt(std::uint64_t offset, void* buffer,
                                              std::size_t size) const {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t got =
            ::pread(descriptor_, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool FileHandle::WriteAll(const void* data, std::size_t size) const {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t put = ::write(descriptor_, bytes + done, size - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool FileHandle::WriteAllAt(std::uint64_t offset, const void* data, std::size_t size) const {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t put =
            ::pwrite(descriptor_, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool FileHandle::Close() {
    if (!IsOpen()) {
        return true;
    }
    // The descriptor is released even when close reports an error; retrying could close a
    // descriptor that another thread has been given meanwhile.
    return ::close(std::exchange(descriptor_, -1)) == 0;
}

bool NameTheSameFile(const char* firstPath, const char* secondPath) {
    struct stat first;
    struct stat second;
    return firstPath != nullptr && secondPath != nullptr && ::stat(firstPath, &first) == 0 &&
           ::stat(secondPath, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

}  // namespace Kemcmprs
