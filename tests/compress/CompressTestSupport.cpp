// Helpers for the KEMCMPRS tests.
#include "CompressTestSupport.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kemcmprs-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create " + pattern);
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

bool FileExistsAt(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

std::uint16_t ByteSumOf(const std::string& bytes) {
    std::uint32_t sum = 0;
    for (char c : bytes) {
        sum += static_cast<unsigned char>(c);
    }
    return static_cast<std::uint16_t>(sum);
}

std::string Little16(std::uint16_t value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string Little32(std::uint32_t value) {
    return Little16(static_cast<std::uint16_t>(value & 0xFFFF)) +
           Little16(static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t ReadLittle16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      static_cast<unsigned char>(bytes.at(at + 1)) << 8);
}

std::uint32_t ReadLittle32(const std::string& bytes, std::size_t at) {
    return ReadLittle16(bytes, at) | static_cast<std::uint32_t>(ReadLittle16(bytes, at + 2)) << 16;
}

std::string ContainerMagic() {
    std::string magic = "KEM COMPRESSED FILE";
    magic.resize(32, ' ');
    return magic;
}

std::string MakeContainer(const std::string& stream, const std::string& memo,
                          std::uint32_t sourceSize) {
    return Little32(static_cast<std::uint32_t>(48 + memo.size())) + ContainerMagic() + Little16(2) +
           Little16(0) + Little16(1) + Little16(ByteSumOf(stream)) + Little32(sourceSize) + memo +
           stream;
}

std::string BlockStreamOf(const std::string& container) {
    return container.substr(ReadLittle32(container, 0));
}

std::string LiteralHeader(std::uint16_t count) { return Little16(count); }

std::string RunHeader(std::uint16_t count) { return Little16(0x8000 | count); }

std::size_t OpenDescriptorCount() {
    std::size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd");
         it != std::filesystem::directory_iterator(); ++it) {
        ++count;
    }
    return count;
}
