#include "OrbaBind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "FileError.h"

const char kMafListMarker[4] = {'\x33', '\xBB', '\x4D', '\x46'};

namespace {

// Owns one file descriptor; closing errors are ignored as the bound-file writer always did.
class FileHandle {
public:
    FileHandle(const std::string& path, int flags) : path_(path) {
        fd_ = open(path.c_str(), flags | O_CLOEXEC, 0644);
        if (fd_ < 0) throw EFileError(path, errno);
    }
    ~FileHandle() { close(fd_); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    void WriteAll(const void* data, size_t length) {
        const char* bytes = static_cast<const char*>(data);
        while (length > 0) {
            ssize_t written = write(fd_, bytes, length);
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) throw EFileError(path_, errno);
            bytes += written;
            length -= static_cast<size_t>(written);
        }
    }

    // Reads up to length bytes; fewer only at the end of the file.
    size_t ReadUpTo(void* data, size_t length) {
        char* bytes = static_cast<char*>(data);
        size_t total = 0;
        while (total < length) {
            ssize_t got = read(fd_, bytes + total, length - total);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw EFileError(path_, errno);
            if (got == 0) break;
            total += static_cast<size_t>(got);
        }
        return total;
    }

    std::string ReadWhole() {
        struct stat info {};
        if (fstat(fd_, &info) != 0) throw EFileError(path_, errno);
        if (static_cast<std::uint64_t>(info.st_size) > UINT32_MAX) {
            throw EFileError(path_, EFBIG);  // a slot length is 32 bits
        }
        std::string content(static_cast<size_t>(info.st_size), '\0');
        size_t got = ReadUpTo(content.data(), content.size());
        if (got != content.size()) throw EFileError(path_, "the file became shorter while read");
        return content;
    }

private:
    std::string path_;
    int fd_ = -1;
};

void WriteLength(FileHandle& output, std::uint32_t length) {
    unsigned char bytes[4] = {
        static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
        static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
    output.WriteAll(bytes, sizeof bytes);
}

void WriteSlot(FileHandle& output, const std::string& sourceName, const std::string& key) {
    if (sourceName.empty()) {
        WriteLength(output, 0);
        return;
    }
    std::string content = FileHandle(sourceName, O_RDONLY).ReadWhole();
    ScrambleWithKey(content, key);
    WriteLength(output, static_cast<std::uint32_t>(content.size()));
    output.WriteAll(content.data(), content.size());
}

}  // namespace

void ScrambleWithKey(std::string& content, const std::string& key) {
    if (key.empty()) return;
    for (size_t i = 0; i < content.size(); ++i) content[i] ^= key[i % key.size()];
}

bool TLumeORBABind::BindFiles(const std::string& secondSource, const std::string& firstSource,
                              const std::string& outputName, const std::string& marker,
                              const std::string& key) {
    FileHandle output(outputName, O_WRONLY | O_CREAT | O_TRUNC);
    output.WriteAll(marker.data(), marker.size());
    WriteSlot(output, firstSource, key);
    WriteSlot(output, secondSource, key);
    return true;
}

bool TLumeORBABind::BindMafList(const std::string& textFileName, const std::string& dataFileName) {
    return BindFiles("", textFileName, dataFileName,
                     std::string(kMafListMarker, sizeof kMafListMarker), "");
}

BoundFileKind TLumeORBABind::GetBoundFileKind(const std::string& fileName) {
    FileHandle file(fileName, O_RDONLY);
    unsigned char head[4] = {};
    if (file.ReadUpTo(head, sizeof head) != sizeof head) {
        throw EFileError(fileName, "the file is shorter than four bytes");
    }
    static const unsigned char kGeneral[4] = {0x33, 0xBB, 0x33, 0xBB};
    if (std::memcmp(head, kGeneral, 4) == 0) return BoundFileKind::GeneralBound;
    if (std::memcmp(head, kMafListMarker, 4) == 0) return BoundFileKind::MafListBound;
    if (head[0] == 0x55 && head[1] == 0xAA) return BoundFileKind::RawImage;
    return BoundFileKind::Other;
}

bool ReadBoundSlots(const std::string& bytes, TBoundSlots& slots, std::string& why) {
    std::uint64_t at = 4;  // behind the marker
    std::uint32_t* lengths[2] = {&slots.First, &slots.Second};
    for (int slot = 0; slot < 2; ++slot) {
        if (bytes.size() < at + 4) {
            why = "the length of slot " + std::to_string(slot + 1) + " is cut off";
            return false;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        *lengths[slot] = static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) |
                         static_cast<std::uint32_t>(p[3]) << 24;
        at += 4 + std::uint64_t{*lengths[slot]};
        if (bytes.size() < at) {
            why = "slot " + std::to_string(slot + 1) + " announces " +
                  std::to_string(*lengths[slot]) + " bytes, more than the file holds";
            return false;
        }
    }
    slots.Trailing = bytes.size() - at;
    return true;
}
