// The serial device's waits: one sleeping thread per wait on the device and an eventfd that
// wakes it, the line event wait with its counters, the wait for received bytes, and the drain
// of the device into the receive queue.
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "DiagnosticLog.h"
#include "SerialDevice.h"
#include "SerialDeviceWaiter.h"

namespace {

// How often the transmit queue is looked at while EV_TXEMPTY is awaited.
constexpr int kTxEmptySliceMs = 10;

constexpr std::uint32_t kCounterEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_BREAK | EV_ERR;
constexpr std::uint32_t kInputEvents = EV_RXCHAR | EV_RXFLAG | EV_ERR;

}  // namespace

bool TSerialDevice::WaitCommEvent(std::uint32_t& events) {
    std::unique_lock<std::mutex> lock(mutex_);
    TWaiter waiter(*this);
    events = 0;
    const std::uint64_t generation = maskGeneration_;
    for (;;) {
        if (fd_ < 0 || cancelled_) {
            errno = fd_ < 0 ? EBADF : ECANCELED;
            return false;
        }
        if (maskGeneration_ != generation) return true;
        if (mask_ & kInputEvents) DrainLocked();
        if (mask_ & kCounterEvents) CheckCountersLocked();
        if (mask_ & EV_TXEMPTY) CheckTxEmptyLocked();
        if (pending_ & mask_) {
            events = pending_ & mask_;
            pending_ &= ~events;
            return true;
        }
        int slice = -1;
        if (haveCounters_ && (mask_ & kCounterEvents)) slice = CounterSliceMs;
        if ((mask_ & EV_TXEMPTY) && txPending_) slice = kTxEmptySliceMs;
        SleepLocked(lock, waiter, (mask_ & kInputEvents) ? POLLIN : 0, slice);
    }
}

int TSerialDevice::WaitForInput(std::uint32_t count, int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    TWaiter waiter(*this);
    const std::uint64_t generation = rxAbortGeneration_;
    const TClock start = Now();
    for (;;) {
        if (fd_ < 0 || cancelled_ || rxAbortGeneration_ != generation) return -1;
        DrainLocked();
        if (QueueCountLocked() >= std::min(count, rxLimit_)) return 1;
        if (gone_) return -1;
        int wait = -1;
        if (milliseconds >= 0) {
            const TClock elapsed = Now() - start;
            if (elapsed >= static_cast<TClock>(milliseconds)) return 0;
            wait = milliseconds - static_cast<int>(elapsed);
        }
        SleepLocked(lock, waiter, POLLIN, wait);
    }
}

void TSerialDevice::CancelWaits() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    WakeLocked();
}

bool TSerialDevice::DrainLocked() {
    if (fd_ < 0 || gone_) return false;
    bool moved = false;
    std::uint8_t chunk[1024];
    while (rxQueue_.size() < rxLimit_) {
        std::size_t room = std::min<std::size_t>(sizeof chunk, rxLimit_ - rxQueue_.size());
        ssize_t got = read(fd_, chunk, room);
        if (got > 0) {
            LogSerialBytes('<', chunk, static_cast<std::size_t>(got));
            rxQueue_.insert(rxQueue_.end(), chunk, chunk + got);
            if (std::memchr(chunk, static_cast<unsigned char>(state_.EvtChar),
                            static_cast<std::size_t>(got)))
                pending_ |= EV_RXFLAG & mask_;
            moved = true;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) break;
        // 0 bytes from a terminal, or EIO: the device went away.
        MarkGoneLocked();
        break;
    }
    if (moved) {
        pending_ |= EV_RXCHAR & mask_;
        WakeLocked();  // other sleepers watch the queue, not the descriptor we just emptied
    }
    return moved;
}

void TSerialDevice::CheckCountersLocked() {
    if (!haveCounters_ || fd_ < 0 || gone_) return;
    serial_icounter_struct counts{};
    if (ioctl(fd_, TIOCGICOUNT, &counts) != 0) {
        if (errno == EIO) MarkGoneLocked();
        return;
    }
    std::uint32_t events = 0;
    std::uint32_t errors = 0;
    if (counts.cts != counters_.cts) events |= EV_CTS;
    if (counts.dsr != counters_.dsr) events |= EV_DSR;
    if (counts.dcd != counters_.dcd) events |= EV_RLSD;
    if (counts.rng != counters_.rng) events |= EV_RING;
    if (counts.brk != counters_.brk) {
        events |= EV_BREAK;
        errors |= CE_BREAK;
    }
    if (counts.frame != counters_.frame) errors |= CE_FRAME;
    if (counts.overrun != counters_.overrun) errors |= CE_OVERRUN;
    if (counts.parity != counters_.parity) errors |= CE_RXPARITY;
    if (counts.buf_overrun != counters_.bufOverrun) errors |= CE_RXOVER;
    if (errors & ~CE_BREAK) events |= EV_ERR;
    counters_ =
        TCounters{counts.cts,     counts.dsr,    counts.rng, counts.dcd,        counts.frame,
                  counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
    errors_ |= errors;
    pending_ |= events & mask_;
}

void TSerialDevice::CheckTxEmptyLocked() {
    if (!txPending_ || fd_ < 0) return;
    int queued = 0;
    if (gone_ || ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued == 0) {
        txPending_ = false;
        pending_ |= EV_TXEMPTY & mask_;
    }
}

void TSerialDevice::WakeLocked() {
    for (int efd : waiters_) eventfd_write(efd, 1);
}

void TSerialDevice::SleepLocked(std::unique_lock<std::mutex>& lock, TWaiter& waiter, short events,
                                int milliseconds) {
    if (waiter.efd < 0) {
        waiter.efd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (waiter.efd >= 0) waiters_.push_back(waiter.efd);
    }
    pollfd fds[2]{};
    nfds_t count = 0;
    const int fd = fd_;
    // The descriptor is watched for input only while the queue has room, and not at all once
    // the device went away: a hung-up terminal reports POLLHUP for ever and would spin the wait.
    const bool watchInput = (events & POLLIN) && rxQueue_.size() < rxLimit_;
    const bool watchDevice =
        fd >= 0 && !gone_ && (watchInput || (events & POLLOUT) || rxQueue_.size() < rxLimit_);
    if (watchDevice) {
        fds[count].fd = fd;
        fds[count].events = static_cast<short>((watchInput ? POLLIN : 0) | (events & POLLOUT));
        ++count;
    }
    const nfds_t wakeIndex = count;
    if (waiter.efd >= 0) {
        fds[count].fd = waiter.efd;
        fds[count].events = POLLIN;
        ++count;
    }
    // Without an eventfd (descriptors exhausted) the wait falls back to short sleeps.
    if (waiter.efd < 0 && (milliseconds < 0 || milliseconds > 10)) milliseconds = 10;
    lock.unlock();
    int ready = poll(fds, count, milliseconds);
    lock.lock();
    if (ready <= 0) return;
    if (waiter.efd >= 0 && fds[wakeIndex].revents) {
        eventfd_t value;
        eventfd_read(waiter.efd, &value);
    }
    if (watchDevice && fd == fd_ && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
        // Take what is still there, then the device counts as gone.
        DrainLocked();
        MarkGoneLocked();
    }
}
