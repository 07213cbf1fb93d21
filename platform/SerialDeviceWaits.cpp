// The serial device's waits: one sleeping thread per wait on the device and an eventfd that
// wakes it, the line event wait with the error counters, the wait for received bytes, and the
// drain of the device into the receive queue.
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
        if (mask_) DrainLocked();
        if (mask_ & EV_ERR) CheckCountersLocked();
        if (pending_ & mask_) {
            events = pending_ & mask_;
            pending_ &= ~events;
            return true;
        }
        const int slice = haveCounters_ && (mask_ & EV_ERR) ? CounterSliceMs : -1;
        SleepLocked(lock, waiter, mask_ ? POLLIN : 0, slice);
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
    std::uint32_t errors = 0;
    if (counts.brk != counters_.brk) errors |= CE_BREAK;
    if (counts.frame != counters_.frame) errors |= CE_FRAME;
    if (counts.overrun != counters_.overrun) errors |= CE_OVERRUN;
    if (counts.parity != counters_.parity) errors |= CE_RXPARITY;
    if (counts.buf_overrun != counters_.bufOverrun) errors |= CE_RXOVER;
    counters_ =
        TCounters{counts.frame, counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
    errors_ |= errors;
    // A break is recorded as an error but is not a line error of its own.
    if (errors & ~CE_BREAK) pending_ |= EV_ERR & mask_;
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
