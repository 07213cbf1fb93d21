// TRxRing: single-producer, single-consumer ring with an atomic byte count.
#include "ThFupdRing.h"

#include <algorithm>
#include <chrono>

bool TRxRing::Append(const std::uint8_t* data, std::size_t size) {
    const std::size_t room = Size - count_.load(std::memory_order_acquire);
    const std::size_t n = std::min(size, room);
    for (std::size_t i = 0; i < n; ++i) {
        bytes_[writePos_] = data[i];
        writePos_ = (writePos_ + 1) % Size;
    }
    // The bytes are in place before the count that publishes them.
    count_.fetch_add(n, std::memory_order_acq_rel);
    if (n < size) overflow_.store(true, std::memory_order_release);
    Wake();
    return n == size;
}

bool TRxRing::Take(std::uint8_t* out, std::size_t size) {
    if (Count() < size) return false;
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = bytes_[readPos_];
        readPos_ = (readPos_ + 1) % Size;
    }
    count_.fetch_sub(size, std::memory_order_acq_rel);
    return true;
}

void TRxRing::Discard() {
    const std::size_t n = Count();
    readPos_ = (readPos_ + n) % Size;
    count_.fetch_sub(n, std::memory_order_acq_rel);
}

void TRxRing::Reset() {
    count_.store(0, std::memory_order_release);
    writePos_ = 0;
    readPos_ = 0;
    overflow_.store(false, std::memory_order_release);
}

void TRxRing::Wake() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        ++wakeups_;
    }
    woken_.notify_all();
}

void TRxRing::WaitFor(std::size_t count, int milliseconds) {
    std::unique_lock<std::mutex> lock(wakeMutex_);
    const std::uint64_t seen = wakeups_;
    woken_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                    [&] { return wakeups_ != seen || Count() >= count; });
}
