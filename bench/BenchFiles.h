// Test files for the compression benchmark: a scratch folder that removes itself, the three
// kinds of content (random bytes, long runs, text-like), and the plain copy that the
// compression times are measured against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class BenchFolder {
public:
    BenchFolder();
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::string PathOf(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

enum class ContentKind { RandomBytes, LongRuns, TextLike };

const char* ContentKindName(ContentKind kind);

// size bytes of the given kind, the same on every run.
std::vector<std::uint8_t> MakeContent(ContentKind kind, std::size_t size);

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& content);

std::uint64_t FileSizeOf(const std::string& path);

// Copies source to destination (created or emptied) with read and write calls through a
// 1 MiB buffer; false when that fails.
bool PlainCopy(const std::string& source, const std::string& destination);
