// Test files for the compression benchmark.
#include "BenchFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>

BenchFolder::BenchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kemcmprs-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch folder from " + pattern);
    }
    path_ = pattern;
}

BenchFolder::~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

const char* ContentKindName(ContentKind kind) {
    switch (kind) {
        case ContentKind::RandomBytes:
            return "random";
        case ContentKind::LongRuns:
            return "runs";
        case ContentKind::TextLike:
            return "text";
    }
    return "?";
}

namespace {

void AppendRandomBytes(std::vector<std::uint8_t>& content, std::size_t size) {
    std::mt19937_64 generator(1);
    while (content.size() < size) {
        std::uint64_t word = generator();
        for (int i = 0; i < 8 && content.size() < size; ++i, word >>= 8) {
            content.push_back(static_cast<std::uint8_t>(word));
        }
    }
}

// Runs of one byte value, 1 to 40000 bytes long, so runs longer than a block occur too.
void AppendLongRuns(std::vector<std::uint8_t>& content, std::size_t size) {
    std::mt19937 generator(2);
    std::uniform_int_distribution<std::size_t> length(1, 40000);
    std::uniform_int_distribution<int> value(0, 255);
    while (content.size() < size) {
        content.insert(content.end(), std::min(length(generator), size - content.size()),
                       static_cast<std::uint8_t>(value(generator)));
    }
}

// Lines of words with indentation, separator lines and blank lines, like logs or settings.
void AppendTextLike(std::vector<std::uint8_t>& content, std::size_t size) {
    static const char* const kWords[] = {
        "access", "point",  "firmware", "update", "the",   "of",     "address",  "filter",
        "serial", "loader", "block",    "size",   "error", "0x1F40", "root",     "setting",
        "=",      "{",      "}",        "memo",   "ok",    "12345",  "wireless", "channel"};
    std::mt19937 generator(3);
    std::uniform_int_distribution<std::size_t> word(0, std::size(kWords) - 1);
    std::uniform_int_distribution<int> wordsPerLine(0, 12);
    std::uniform_int_distribution<int> indent(0, 3);
    std::uniform_int_distribution<int> lineKind(0, 40);
    std::string line;
    while (content.size() < size) {
        line.clear();
        int kind = lineKind(generator);
        if (kind == 0) {
            line.assign(72, '=');
        } else if (kind > 1) {
            line.assign(4 * indent(generator), ' ');
            for (int i = wordsPerLine(generator); i > 0; --i) {
                line += kWords[word(generator)];
                line += i > 1 ? " " : "";
            }
        }
        line += "\r\n";
        content.insert(content.end(), line.begin(),
                       line.begin() + std::min(line.size(), size - content.size()));
    }
}

}  // namespace

std::vector<std::uint8_t> MakeContent(ContentKind kind, std::size_t size) {
    std::vector<std::uint8_t> content;
    content.reserve(size);
    switch (kind) {
        case ContentKind::RandomBytes:
            AppendRandomBytes(content, size);
            break;
        case ContentKind::LongRuns:
            AppendLongRuns(content, size);
            break;
        case ContentKind::TextLike:
            AppendTextLike(content, size);
            break;
    }
    return content;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& content) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file || std::fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::uint64_t FileSizeOf(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

bool PlainCopy(const std::string& source, const std::string& destination) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    static std::vector<char> buffer(1 << 20);
    bool copied = in >= 0 && out >= 0;
    while (copied) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        copied = ::write(out, buffer.data(), static_cast<std::size_t>(got)) == got;
    }
    if (in >= 0) {
        ::close(in);
    }
    if (out >= 0) {
        copied = ::close(out) == 0 && copied;
    }
    return copied;
}
