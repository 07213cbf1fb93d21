// TRxRing: the transfer thread's 2048-byte receive ring. The port's event thread appends what
// arrives; the transfer thread takes it. Each side owns its position; the byte count is the
// one value both change, and it is atomic, so no lock is needed. A wake-up condition lets the
// taker sleep until bytes come instead of polling.
//
// More bytes than the ring can hold are never written over bytes not yet taken: what does not
// fit is dropped and counted as an overflow, which the transfer reports as a line error (the
// loader never has more than 1025 bytes outstanding, so only a misbehaving line gets there).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

class TRxRing {
public:
    static constexpr std::size_t Size = 2048;

    // Event thread: appends as much as fits; true when everything fitted.
    bool Append(const std::uint8_t* data, std::size_t size);
    // Transfer thread: bytes waiting.
    std::size_t Count() const { return count_.load(std::memory_order_acquire); }
    // Transfer thread: takes size bytes; false (taking nothing) when fewer are waiting.
    bool Take(std::uint8_t* out, std::size_t size);
    // Transfer thread: forgets everything waiting (count and both positions to 0). Only while
    // nothing is appended (the port is closed or its bytes are to be dropped anyway).
    void Reset();
    // Transfer thread: drops every byte waiting now; safe while bytes are being appended.
    void Discard();
    // True once bytes were dropped since the last Reset.
    bool Overflowed() const { return overflow_.load(std::memory_order_acquire); }

    // Wakes a thread in WaitFor (bytes came, a line error, a stop request).
    void Wake();
    // Sleeps until count bytes are waiting, a Wake, or milliseconds passed.
    void WaitFor(std::size_t count, int milliseconds);

private:
    std::uint8_t bytes_[Size] = {};
    std::size_t writePos_ = 0;  // event thread only
    std::size_t readPos_ = 0;   // transfer thread only
    std::atomic<std::size_t> count_{0};
    std::atomic<bool> overflow_{false};
    std::mutex wakeMutex_;
    std::condition_variable woken_;
    std::uint64_t wakeups_ = 0;  // guarded by wakeMutex_
};
