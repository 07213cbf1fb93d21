// Helpers for the KEMCMPRS tests: a scratch folder removed after each test, whole-file reads
// and writes, and containers assembled byte by byte from the documented layout (independently
// of the library's own code) so damaged and unusual containers can be made at will.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string PathOf(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExistsAt(const std::string& path);

// The 16-bit sum of every byte, as the container checksum is defined.
std::uint16_t ByteSumOf(const std::string& bytes);

std::string Little16(std::uint16_t value);
std::string Little32(std::uint32_t value);
std::uint16_t ReadLittle16(const std::string& bytes, std::size_t at);
std::uint32_t ReadLittle32(const std::string& bytes, std::size_t at);

// The magic as stored: the words blank-padded to 32 bytes.
std::string ContainerMagic();

// A well-formed container carrying stream as its block stream, with memo and the source size
// given; the checksum is right.
std::string MakeContainer(const std::string& stream, const std::string& memo = "",
                          std::uint32_t sourceSize = 0);

// The block stream of a container (everything from its data offset on).
std::string BlockStreamOf(const std::string& container);

// One block header.
std::string LiteralHeader(std::uint16_t count);
std::string RunHeader(std::uint16_t count);

// Number of open file descriptors of this process.
std::size_t OpenDescriptorCount();
