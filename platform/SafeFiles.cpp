#include "SafeFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "FileError.h"

namespace {

std::string BaseNameOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string FolderOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string ReplacementTarget(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return path;
    std::string target = path;
    if (S_ISLNK(status.st_mode)) {
        char* resolved = realpath(path.c_str(), nullptr);
        if (!resolved) return path;
        target = resolved;
        std::free(resolved);
        if (stat(target.c_str(), &status) != 0) return target;
    }
    if (!S_ISREG(status.st_mode)) throw EFileError(path, "not a regular file");
    return target;
}

TReplacingFile::TReplacingFile(const std::string& destination)
    : destination_(ReplacementTarget(destination)) {
    // A hidden name in the same folder: the rename stays on one file system and is atomic.
    std::string pattern = FolderOf(destination_) + "/." + BaseNameOf(destination_) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = mkostemp(name.data(), O_CLOEXEC);
    if (descriptor_ < 0) throw EFileError(destination_, errno);
    temporaryPath_ = name.data();
    // mkostemp creates the file 0600; give it what a normally created file would get.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor_, 0666 & ~mask);
}

TReplacingFile::~TReplacingFile() { Discard(); }

void TReplacingFile::Append(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = write(descriptor_, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            throw EFileError(temporaryPath_, errno);
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

void TReplacingFile::Commit() {
    if (descriptor_ < 0) throw EFileError(destination_, EBADF);
    if (fsync(descriptor_) != 0) {
        int error = errno;
        Discard();
        throw EFileError(destination_, error);
    }
    int closed = close(descriptor_);
    descriptor_ = -1;
    if (closed != 0 || rename(temporaryPath_.c_str(), destination_.c_str()) != 0) {
        int error = errno;
        Discard();
        throw EFileError(destination_, error);
    }
    temporaryPath_.clear();
}

void TReplacingFile::Discard() {
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporaryPath_.empty()) {
        unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

bool CanReplace(const std::string& path) {
    try {
        TReplacingFile probe(path);
        return true;
    } catch (const EFileError&) {
        return false;
    }
}

void WriteFileReplacing(const std::string& path, const std::string& bytes) {
    TReplacingFile file(path);
    file.Append(bytes);
    file.Commit();
}

bool FreeDiskSpace(const std::string& path, std::uint64_t& freeBytes) {
    struct statvfs info {};
    if (statvfs(path.c_str(), &info) != 0) return false;
    freeBytes = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    return true;
}

TPrivateTempFolder::TPrivateTempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tivra-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw EFileError(pattern, errno);
    folder_ = name.data();
}

TPrivateTempFolder::~TPrivateTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}
