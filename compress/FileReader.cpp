// Block-wise reading of a file into a sliding window.
#include "FileReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace Kemcmprs {

FileReader::FileReader(int descriptor, std::size_t capacity)
    : descriptor_(descriptor),
      capacity_(std::max(capacity, kMinimumCapacity)),
      buffer_(new std::uint8_t[capacity_]) {}

bool FileReader::Refill(std::size_t wanted) {
    wanted = std::min(wanted, capacity_);
    if (failed_ || Available() >= wanted || atEnd_) {
        return !failed_;
    }
    // Move the unread bytes to the front, then read as much as fits behind them.
    std::size_t unread = Available();
    std::memmove(buffer_.get(), buffer_.get() + begin_, unread);
    begin_ = 0;
    end_ = unread;
    while (end_ < wanted && !atEnd_) {
        ssize_t got = ::read(descriptor_, buffer_.get() + end_, capacity_ - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
        } else if (got == 0) {
            atEnd_ = true;
        } else if (errno != EINTR) {
            failed_ = true;
            return false;
        }
    }
    return true;
}

bool FileReader::SeekTo(std::uint64_t offset) {
    begin_ = end_ = 0;
    atEnd_ = false;
    failed_ = ::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) < 0;
    return !failed_;
}

}  // namespace Kemcmprs
