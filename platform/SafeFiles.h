// Files that are never left half-written. A file that replaces another (a downloaded image,
// a saved settings file) is written under a unique hidden name in the destination's own
// folder, on the same file system, and renamed over the destination only once it is
// complete; until then the destination is untouched, and a file that is never committed is
// removed. Scratch files that belong to no destination go to a private temporary folder,
// removed with everything in it.
#pragma once

#include <cstdint>
#include <string>

// The file that replacing `path` replaces: `path` itself, or for a symbolic link the file the
// link names, so that the link stays and keeps pointing at the new file (a dangling link is
// replaced by the file). Raises EFileError when an existing destination is anything but a
// regular file: a rename over a folder, a device node or a pipe must never happen.
std::string ReplacementTarget(const std::string& path);

// A new file beside `destination` (its ReplacementTarget), created exclusively under a unique
// hidden name. Write through Descriptor() or Append(); Commit() flushes it to disk and renames
// it over the destination. Destroying an uncommitted file removes it. Failures raise EFileError.
class TReplacingFile {
public:
    explicit TReplacingFile(const std::string& destination);
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // The file that Commit() replaces, symbolic links resolved.
    const std::string& Destination() const { return destination_; }
    // The hidden name the bytes go to until Commit().
    const std::string& TemporaryPath() const { return temporaryPath_; }
    int Descriptor() const { return descriptor_; }

    // Writes all of `size` bytes at the end of the file.
    void Append(const void* data, std::size_t size);
    void Append(const std::string& bytes) { Append(bytes.data(), bytes.size()); }
    // Flushes, closes and renames over the destination; afterwards the object owns nothing.
    void Commit();
    // Closes and removes the temporary file now (also what the destructor does).
    void Discard();

private:
    std::string destination_;
    std::string temporaryPath_;
    int descriptor_ = -1;
};

// True when a TReplacingFile for `path` can be made now: one is made and removed again. Lets a
// long operation refuse a destination it could not write before it starts.
bool CanReplace(const std::string& path);

// Replaces `path` by `bytes` in one step: write a new file, then rename it over the old one.
void WriteFileReplacing(const std::string& path, const std::string& bytes);

// Free bytes for an unprivileged writer on the file system that holds `path` (a file or a
// folder); false when the file system cannot be asked.
bool FreeDiskSpace(const std::string& path, std::uint64_t& freeBytes);

// The folder part of `path` ("." when it has none), without a trailing "/".
std::string FolderOf(const std::string& path);

// A private folder under $TMPDIR (else /tmp), mode 0700, removed with its contents when the
// object goes away. Path(name) names a file inside it.
class TPrivateTempFolder {
public:
    TPrivateTempFolder();
    ~TPrivateTempFolder();
    TPrivateTempFolder(const TPrivateTempFolder&) = delete;
    TPrivateTempFolder& operator=(const TPrivateTempFolder&) = delete;

    const std::string& Folder() const { return folder_; }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
};
