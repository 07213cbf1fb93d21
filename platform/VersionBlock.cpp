#include "VersionBlock.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

const char kSectionName[] = ".tivra.version";
const char kBlockMagic[] = "VS_VERSION_INFO";

// Bounds-checked reads of a file image, from memory or from an open file; every read of the ELF
// structures goes through it, so only the parts the lookup needs are ever read.
class TImage {
public:
    virtual ~TImage() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies length bytes at offset; false when they cannot be read.
    virtual bool ReadAt(std::uint64_t offset, void* out, std::size_t length) const = 0;

    bool Holds(std::uint64_t offset, std::uint64_t length) const {
        return offset <= Size() && length <= Size() - offset;
    }
    template <typename T>
    bool Read(std::uint64_t offset, T& out) const {
        return Holds(offset, sizeof(T)) && ReadAt(offset, &out, sizeof(T));
    }
};

class TMemoryImage : public TImage {
public:
    TMemoryImage(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t length) const override {
        if (!Holds(offset, length)) return false;
        if (length > 0) std::memcpy(out, data_ + offset, length);
        return true;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
};

class TFileImage : public TImage {
public:
    TFileImage(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t length) const override {
        if (!Holds(offset, length)) return false;
        char* bytes = static_cast<char*>(out);
        while (length > 0) {
            ssize_t got = pread(descriptor_, bytes, length, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            bytes += got;
            offset += static_cast<std::uint64_t>(got);
            length -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int descriptor_;
    std::uint64_t size_;
};

// A version block is a few hundred bytes; a larger section is not one of ours.
constexpr std::uint64_t kMaxBlockSize = 65536;

std::string CollapseBackslashes(const std::string& key) {
    std::string result;
    for (char c : key) {
        if (c == '\\' && !result.empty() && result.back() == '\\') continue;
        result += c;
    }
    return result;
}

struct Section {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// Finds the version section in an ELF file of class Ehdr/Shdr (32 or 64 bits).
template <typename Ehdr, typename Shdr>
std::optional<Section> FindSection(const TImage& image) {
    Ehdr header{};
    if (!image.Read(0, header)) return std::nullopt;
    if (header.e_shentsize != sizeof(Shdr) || header.e_shstrndx >= header.e_shnum) {
        return std::nullopt;
    }
    Shdr names{};
    if (!image.Read(header.e_shoff + std::uint64_t{header.e_shstrndx} * sizeof(Shdr), names) ||
        !image.Holds(names.sh_offset, names.sh_size)) {
        return std::nullopt;
    }
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Shdr section{};
        if (!image.Read(header.e_shoff + std::uint64_t{i} * sizeof(Shdr), section)) break;
        if (section.sh_name >= names.sh_size) continue;
        // The name, with its terminator, must be the section name exactly.
        char name[sizeof(kSectionName)] = {};
        std::uint64_t room = names.sh_size - section.sh_name;
        if (room < sizeof(name) ||
            !image.ReadAt(names.sh_offset + section.sh_name, name, sizeof(name)) ||
            std::memcmp(name, kSectionName, sizeof(name)) != 0) {
            continue;
        }
        if (section.sh_type == SHT_NOBITS || !image.Holds(section.sh_offset, section.sh_size)) {
            return std::nullopt;
        }
        return Section{section.sh_offset, section.sh_size};
    }
    return std::nullopt;
}

// Next zero-terminated text of the block at position, or nothing at the block's end.
std::optional<std::string> NextText(const unsigned char* block, std::size_t size,
                                    std::size_t& position) {
    if (position >= size) return std::nullopt;
    const char* start = reinterpret_cast<const char*>(block + position);
    std::size_t length = strnlen(start, size - position);
    if (length == size - position) return std::nullopt;  // unterminated
    position += length + 1;
    return std::string(start, length);
}

// The lookup on any image: the ELF class, the section, then the key among the block's pairs.
std::optional<std::string> QueryVersionValue(const TImage& image, const std::string& key) {
    unsigned char ident[EI_NIDENT] = {};
    if (!image.Read(0, ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) return std::nullopt;
    std::optional<Section> section;
    if (ident[EI_CLASS] == ELFCLASS64) {
        section = FindSection<Elf64_Ehdr, Elf64_Shdr>(image);
    } else if (ident[EI_CLASS] == ELFCLASS32) {
        section = FindSection<Elf32_Ehdr, Elf32_Shdr>(image);
    }
    if (!section || section->size > kMaxBlockSize) return std::nullopt;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(section->size));
    if (!image.ReadAt(section->offset, bytes.data(), bytes.size())) return std::nullopt;

    const unsigned char* block = bytes.data();
    std::size_t blockSize = bytes.size();
    std::size_t position = 0;
    std::optional<std::string> magic = NextText(block, blockSize, position);
    if (!magic || *magic != kBlockMagic) return std::nullopt;
    const std::string wanted = CollapseBackslashes(key);
    for (;;) {
        std::optional<std::string> name = NextText(block, blockSize, position);
        if (!name || name->empty()) return std::nullopt;
        std::optional<std::string> value = NextText(block, blockSize, position);
        if (!value) return std::nullopt;
        if (CollapseBackslashes(*name) == wanted) return value;
    }
}

}  // namespace

std::optional<std::string> QueryVersionValueInImage(const unsigned char* data, std::size_t size,
                                                    const std::string& key) {
    return QueryVersionValue(TMemoryImage(data, size), key);
}

std::optional<std::string> QueryFileVersionValue(const std::string& path, const std::string& key) {
    // Only a regular file can hold a version block; a folder or a device is none.
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat status {};
    std::optional<std::string> value;
    if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        value = QueryVersionValue(
            TFileImage(descriptor, static_cast<std::uint64_t>(status.st_size)), key);
    }
    close(descriptor);
    return value;
}
