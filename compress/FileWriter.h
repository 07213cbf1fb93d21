// Collects output bytes and writes them to a file in large blocks at its current position. On
// request it keeps the 16-bit sum of every byte it has passed to the file, which is the
// container checksum when the writer carries the block stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace Kemcmprs {

class FileWriter {
public:
    static constexpr std::size_t kDefaultCapacity = 1 << 20;

    enum class Summing { Off, On };

    explicit FileWriter(int descriptor, Summing summing = Summing::Off,
                        std::size_t capacity = kDefaultCapacity);

    // Each returns false once any write has failed; nothing more reaches the file then.
    bool Write(const std::uint8_t* data, std::size_t size) {
        if (failed_ || size > capacity_ - used_) {
            return WriteInParts(data, size);
        }
        std::memcpy(buffer_.get() + used_, data, size);
        used_ += size;
        return true;
    }
    bool WriteByte(std::uint8_t value) { return Write(&value, 1); }
    bool WriteRepeated(std::uint8_t value, std::size_t count) {
        if (failed_ || count > capacity_ - used_) {
            return WriteRepeatedInParts(value, count);
        }
        std::memset(buffer_.get() + used_, value, count);
        used_ += count;
        return true;
    }
    // Passes every collected byte to the file.
    bool Flush();

    // With Summing::On, the sum modulo 65536 of the bytes passed to the file so far (by Flush
    // or a full buffer); else 0.
    std::uint16_t FlushedByteSum() const { return byteSum_; }

private:
    bool WriteInParts(const std::uint8_t* data, std::size_t size);
    bool WriteRepeatedInParts(std::uint8_t value, std::size_t count);
    bool MakeRoom();

    int descriptor_;
    bool summing_;
    std::size_t capacity_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t used_ = 0;
    std::uint16_t byteSum_ = 0;
    bool failed_ = false;
};

}  // namespace Kemcmprs
