// Byte-for-byte comparison of a file with an image read back from the access point.
#include "ImageCompare.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "FileError.h"
#include "ProgressView.h"

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

TFile OpenForReading(const std::string& path) {
    TFile file(std::fopen(path.c_str(), "rb"));
    if (!file) throw EFileError(path, errno);
    return file;
}

// Reads up to size bytes; a read error raises EFileError.
std::size_t ReadBlock(std::FILE* file, const std::string& path, unsigned char* buffer,
                      std::size_t size) {
    std::size_t got = std::fread(buffer, 1, size, file);
    if (got < size && std::ferror(file)) throw EFileError(path, errno ? errno : EIO);
    return got;
}

std::string Hex(int byte) {
    if (byte < 0) return "(end)";
    char text[16];
    std::snprintf(text, sizeof(text), "0x%02X", byte);
    return text;
}

}  // namespace

TImageComparison CompareImageFiles(const std::string& file, const std::string& image) {
    constexpr std::size_t kBlock = 65536;
    TFile fileStream = OpenForReading(file);
    TFile imageStream = OpenForReading(image);
    std::vector<unsigned char> a(kBlock), b(kBlock);
    TImageComparison result;
    bool parted = false;
    for (;;) {
        std::size_t gotA = ReadBlock(fileStream.get(), file, a.data(), kBlock);
        std::size_t gotB = ReadBlock(imageStream.get(), image, b.data(), kBlock);
        if (!parted) {
            std::size_t common = gotA < gotB ? gotA : gotB;
            std::size_t i = 0;
            while (i < common && a[i] == b[i]) ++i;
            if (i < common || gotA != gotB) {
                parted = true;
                result.Offset = result.FileSize + i;
                result.FileByte = i < gotA ? a[i] : -1;
                result.ImageByte = i < gotB ? b[i] : -1;
            }
        }
        result.FileSize += gotA;
        result.ImageSize += gotB;
        if (gotA == 0 && gotB == 0) break;
    }
    result.Identical = !parted;
    return result;
}

std::string ComparisonReport(const TImageComparison& c, const std::string& file,
                             const std::string& source) {
    std::string report = "file: " + file + " (" + GroupedCount(static_cast<long long>(c.FileSize)) +
                         " bytes)\n" + "image: " + source + " (" +
                         GroupedCount(static_cast<long long>(c.ImageSize)) + " bytes)\n";
    if (c.Identical) return report + "result: identical\n";
    char offset[64];
    std::snprintf(offset, sizeof(offset), "0x%llX (%llu)",
                  static_cast<unsigned long long>(c.Offset),
                  static_cast<unsigned long long>(c.Offset));
    report += "result: different from offset " + std::string(offset) + ": file " + Hex(c.FileByte) +
              ", image " + Hex(c.ImageByte) + "\n";
    if (c.FileSize != c.ImageSize) report += "note: the sizes differ\n";
    return report;
}
