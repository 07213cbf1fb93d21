// libFuzzer target for the container reader. Each input is used three ways:
//  - as a whole container file for KemUnCompress and KemGetCompressMemo;
//  - as the block stream behind a correct head and checksum, so the decoder itself is reached;
//  - as a source file, which must come back unchanged through KemCompress and KemUnCompress.
// The files are memory files reached through /proc/self/fd. Besides crashes, leaks and hangs,
// a broken promise of the interface aborts: output left behind by a failed check, a memo read
// that writes beyond 127 bytes or into the buffer on failure, a round trip that changes data.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "kemcmprs.h"

namespace {

// A file that lives in memory, with a path other code can open.
class MemoryFile {
public:
    explicit MemoryFile(const char* name) : descriptor_(::memfd_create(name, MFD_CLOEXEC)) {
        if (descriptor_ < 0) {
            std::abort();
        }
        path_ = "/proc/self/fd/" + std::to_string(descriptor_);
    }
    ~MemoryFile() { ::close(descriptor_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const char* Path() const { return path_.c_str(); }

    void Assign(const std::string& bytes) const {
        if (::ftruncate(descriptor_, 0) != 0 || ::pwrite(descriptor_, bytes.data(), bytes.size(),
                                                         0) != static_cast<ssize_t>(bytes.size())) {
            std::abort();
        }
    }

    std::string Contents() const {
        std::string bytes(static_cast<std::size_t>(::lseek(descriptor_, 0, SEEK_END)), '\0');
        if (::pread(descriptor_, bytes.data(), bytes.size(), 0) !=
            static_cast<ssize_t>(bytes.size())) {
            std::abort();
        }
        return bytes;
    }

private:
    int descriptor_;
    std::string path_;
};

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string Little(std::uint32_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>(value >> (8 * i));
    }
    return bytes;
}

// A container with a correct head around stream; the memo length comes from the first byte.
std::string WrapAsContainer(const std::string& input) {
    std::size_t memoLength = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % 128;
    memoLength = std::min(memoLength, input.size());
    std::string memo = input.substr(0, memoLength);
    std::string stream = input.substr(memoLength);
    std::uint32_t sum = 0;
    for (char c : stream) {
        sum += static_cast<unsigned char>(c);
    }
    std::string magic = "KEM COMPRESSED FILE";
    magic.resize(32, ' ');
    return Little(static_cast<std::uint32_t>(48 + memo.size()), 4) + magic + Little(2, 2) +
           Little(0, 2) + Little(1, 2) + Little(sum & 0xFFFF, 2) + Little(0, 4) + memo + stream;
}

void CheckAsContainer(const MemoryFile& container, const MemoryFile& output) {
    std::int32_t result = KemUnCompress(container.Path(), output.Path());
    Require(result >= KEMCMPRS_FAILED && result <= KEMCMPRS_BAD_CHECKSUM);
    if (result >= KEMCMPRS_BAD_MAGIC) {
        Require(output.Contents().empty());
    }

    // An exactly sized heap buffer: a sanitizer sees any write beyond 127 bytes.
    std::unique_ptr<char[]> memo(new char[KEMCMPRS_MAX_MEMO_LENGTH]);
    std::memset(memo.get(), 0x5A, KEMCMPRS_MAX_MEMO_LENGTH);
    if (KemGetCompressMemo(container.Path(), memo.get()) != KEMCMPRS_DONE) {
        for (int i = 0; i < KEMCMPRS_MAX_MEMO_LENGTH; ++i) {
            Require(memo[i] == 0x5A);
        }
    }
}

void CheckWrappedStream(const std::string& input, const MemoryFile& container) {
    container.Assign(WrapAsContainer(input));
    // The output goes nowhere: a few bytes of runs can stand for megabytes.
    std::int32_t result = KemUnCompress(container.Path(), "/dev/null");
    Require(result == KEMCMPRS_DONE || result == KEMCMPRS_FAILED);
}

void CheckRoundTrip(const std::string& input, const MemoryFile& source, const MemoryFile& container,
                    const MemoryFile& output) {
    source.Assign(input);
    std::int32_t memoLength = static_cast<std::int32_t>(std::min<std::size_t>(input.size(), 5));
    Require(KemCompress(source.Path(), container.Path(), input.data(), memoLength) ==
            KEMCMPRS_DONE);
    Require(KemUnCompress(container.Path(), output.Path()) == KEMCMPRS_DONE);
    Require(output.Contents() == input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MemoryFile first("kemcmprs-fuzz-1");
    static const MemoryFile second("kemcmprs-fuzz-2");
    static const MemoryFile third("kemcmprs-fuzz-3");
    const std::string input(reinterpret_cast<const char*>(data), size);

    first.Assign(input);
    CheckAsContainer(first, second);
    CheckWrappedStream(input, first);
    CheckRoundTrip(input, first, second, third);
    return 0;
}
