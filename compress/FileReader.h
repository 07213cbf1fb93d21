// Reads a file from its current position in large blocks and offers the unread bytes as a
// window. The encoder classifies a block by scanning the window and then copies the same bytes
// from it, so the input is read from the file once; the decoder takes a whole block from it at
// a time. Memory use is the window, whatever the file size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Kemcmprs {

class FileReader {
public:
    // The smallest window: one block header plus the largest count a header can carry.
    static constexpr std::size_t kMinimumCapacity = 2 + 0x7FFF;
    static constexpr std::size_t kDefaultCapacity = 1 << 20;

    // Reads descriptor from its current position; capacity is raised to kMinimumCapacity.
    explicit FileReader(int descriptor, std::size_t capacity = kDefaultCapacity);

    // Makes at least wanted bytes (at most the capacity) available, unless the file ends first.
    // False when reading fails; the reader stays failed.
    bool Fill(std::size_t wanted) { return (Available() >= wanted && !failed_) || Refill(wanted); }

    const std::uint8_t* Data() const { return buffer_.get() + begin_; }
    std::size_t Available() const { return end_ - begin_; }
    // True once the end of the file has been seen: no byte exists beyond the available ones.
    bool AtEnd() const { return atEnd_; }
    std::size_t Capacity() const { return capacity_; }

    // Moves the file position to offset and forgets the window; false when that fails.
    bool SeekTo(std::uint64_t offset);

    // Drops count (at most Available()) bytes from the front of the window.
    void Consume(std::size_t count) { begin_ += count < Available() ? count : Available(); }

private:
    bool Refill(std::size_t wanted);

    int descriptor_;
    std::size_t capacity_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
};

}  // namespace Kemcmprs
