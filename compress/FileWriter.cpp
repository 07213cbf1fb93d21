// Block-wise writing of a file with a running byte sum.
#include "FileWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ByteSum.h"

namespace Kemcmprs {

FileWriter::FileWriter(int descriptor, Summing summing, std::size_t capacity)
    : descriptor_(descriptor),
      summing_(summing == Summing::On),
      capacity_(std::max<std::size_t>(capacity, 1)),
      buffer_(new std::uint8_t[capacity_]) {}

bool FileWriter::WriteInParts(const std::uint8_t* data, std::size_t size) {
    while (size > 0 && MakeRoom()) {
        std::size_t part = std::min(size, capacity_ - used_);
        std::memcpy(buffer_.get() + used_, data, part);
        used_ += part;
        data += part;
        size -= part;
    }
    return !failed_;
}

bool FileWriter::WriteRepeatedInParts(std::uint8_t value, std::size_t count) {
    while (count > 0 && MakeRoom()) {
        std::size_t part = std::min(count, capacity_ - used_);
        std::memset(buffer_.get() + used_, value, part);
        used_ += part;
        count -= part;
    }
    return !failed_;
}

bool FileWriter::MakeRoom() { return used_ < capacity_ ? !failed_ : Flush(); }

bool FileWriter::Flush() {
    if (failed_) {
        return false;
    }
    std::size_t done = 0;
    while (done < used_) {
        ssize_t put = ::write(descriptor_, buffer_.get() + done, used_ - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            failed_ = true;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    if (summing_) {
        byteSum_ = AddToByteSum(byteSum_, buffer_.get(), used_);
    }
    used_ = 0;
    return true;
}

}  // namespace Kemcmprs
