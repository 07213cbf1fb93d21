#include "VersionBlock.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

const char kSectionName[] = ".tivra.version";
const char kBlockMagic[] = "VS_VERSION_INFO";

// Bounds-checked view of the file image; every read of the ELF structures goes through it.
struct Image {
    const unsigned char* data;
    std::size_t size;

    bool Holds(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size && length <= size - offset;
    }
    template <typename T>
    bool Read(std::uint64_t offset, T& out) const {
        if (!Holds(offset, sizeof(T))) return false;
        std::memcpy(&out, data + offset, sizeof(T));
        return true;
    }
};

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
std::optional<Section> FindSection(const Image& image) {
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
        const char* name = reinterpret_cast<const char*>(image.data + names.sh_offset +
                                                         section.sh_name);
        std::size_t room = names.sh_size - section.sh_name;
        if (strnlen(name, room) == room || std::strcmp(name, kSectionName) != 0) continue;
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

}  // namespace

std::optional<std::string> QueryVersionValueInImage(const unsigned char* data, std::size_t size,
                                                    const std::string& key) {
    Image image{data, size};
    if (size < EI_NIDENT || std::memcmp(data, ELFMAG, SELFMAG) != 0) return std::nullopt;
    std::optional<Section> section;
    if (data[EI_CLASS] == ELFCLASS64) {
        section = FindSection<Elf64_Ehdr, Elf64_Shdr>(image);
    } else if (data[EI_CLASS] == ELFCLASS32) {
        section = FindSection<Elf32_Ehdr, Elf32_Shdr>(image);
    }
    if (!section) return std::nullopt;

    const unsigned char* block = data + section->offset;
    std::size_t blockSize = static_cast<std::size_t>(section->size);
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

std::optional<std::string> QueryFileVersionValue(const std::string& path, const std::string& key) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::vector<unsigned char> image((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    return QueryVersionValueInImage(image.data(), image.size(), key);
}
