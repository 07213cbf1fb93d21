// TSerialDevice on termios: opening and closing, line settings and time-outs, the receive
// queue, errors, purging, modem lines, reads and writes. The line settings' translation is in
// SerialLineSettings.cpp, the waits in SerialDeviceWaits.cpp; see SerialDevice.h for the model.
#include "SerialDevice.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "DiagnosticLog.h"
#include "SerialDeviceWaiter.h"

namespace {

constexpr std::uint32_t kMinQueue = 16;
constexpr std::uint32_t kMaxQueue = 1u << 20;

// Raises or lowers a modem line. Devices without modem lines (pseudo-terminals) refuse the
// request with ENOTTY or EINVAL; that is not a failure of the port.
bool SetModemLine(int fd, int line, bool on) {
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
    return errno == ENOTTY || errno == EINVAL;
}

// USB serial adapters hold received bytes back for up to their latency timer (16 ms by
// default) before passing them on, and every block of the serial transfers waits for one-byte
// answers: the driver is asked for low-latency operation (the flag stays with the device, as
// setserial's low_latency does). A driver without the setting (a pseudo-terminal) is left as
// it is. The diagnostic log says what was granted and the adapter's latency timer, where the
// adapter shows one.
void RequestLowLatency(int fd, const std::string& path) {
    serial_struct info{};
    std::string granted;
    if (ioctl(fd, TIOCGSERIAL, &info) != 0) {
        granted = "not supported by the driver";
    } else if (info.flags & ASYNC_LOW_LATENCY) {
        granted = "already on";
    } else {
        info.flags |= ASYNC_LOW_LATENCY;
        granted = ioctl(fd, TIOCSSERIAL, &info) == 0
                      ? "granted"
                      : std::string("refused: ") + std::strerror(errno);
    }
    const std::string timer = SerialAdapterLatencyTimer(path);
    LogLine("serial", "low latency " + granted +
                          (timer.empty() ? std::string() : "; latency timer " + timer + " ms"));
}

}  // namespace

bool SerialDeviceHeldByAnotherOpen(const std::string& path) {
    struct stat device {};
    if (stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return false;
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%llu ", major(device.st_dev), minor(device.st_dev),
                  static_cast<unsigned long long>(device.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line))
        if (line.find(" FLOCK ") != std::string::npos && line.find(id) != std::string::npos)
            return true;
    return false;
}

namespace {

// The first line of the device's sysfs attribute (relative to /sys/class/tty/NAME/), or "".
std::string TtySysfsLine(const std::string& path, const std::string& attribute) {
    char resolved[PATH_MAX];
    std::string line;
    if (realpath(path.c_str(), resolved)) {
        const std::string name = std::strrchr(resolved, '/') + 1;
        std::ifstream file("/sys/class/tty/" + name + "/" + attribute);
        std::getline(file, line);
    }
    return line;
}

}  // namespace

std::string SerialAdapterLatencyTimer(const std::string& path) {
    return TtySysfsLine(path, "device/latency_timer");
}

std::string LowLatencyFromSysfs(const std::string& portFlags, const std::string& latencyTimer) {
    if (!latencyTimer.empty()) {
        return "latency timer " + latencyTimer + " ms" +
               (latencyTimer == "1" ? " (low latency on)" : " (low latency off)");
    }
    char* end = nullptr;
    const unsigned long flags = std::strtoul(portFlags.c_str(), &end, 16);
    if (portFlags.empty() || *end != '\0') return "";
    return (flags & ASYNC_LOW_LATENCY) ? "low latency on" : "low latency off";
}

std::string SerialLowLatencyShown(const std::string& path) {
    return LowLatencyFromSysfs(TtySysfsLine(path, "flags"), SerialAdapterLatencyTimer(path));
}

TSerialDevice::~TSerialDevice() {
    if (IsOpen()) Close();
}

TSerialDevice::TClock TSerialDevice::Now() {
    using namespace std::chrono;
    return static_cast<TClock>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool TSerialDevice::Open(const std::string& portName) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) {
        errno = EBUSY;
        return false;
    }
    std::string path = SerialDevicePath(portName);
    if (path.empty()) {
        LogLine("serial", "open " + portName + ": no device");
        errno = ENOENT;
        return false;
    }
    LogLine("serial", "open " + portName + " = " + path);
    if (SerialDeviceHeldByAnotherOpen(path)) {
        errno = EBUSY;
        return LogFailure("serial", "open " + path);
    }
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return LogFailure("serial", "open " + path);
    auto fail = [fd, &path](int error) {
        close(fd);
        errno = error;
        return LogFailure("serial", "open " + path);
    };
    if (!isatty(fd)) return fail(ENOTTY);
    // flock guards against every second open, also by the same user or by root; TIOCEXCL
    // additionally keeps programs that do not use flock away.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    ioctl(fd, TIOCEXCL);
    termios t{};
    if (tcgetattr(fd, &t) != 0) return fail(errno);
    MakeRawTermios(t);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return fail(errno);
    RequestLowLatency(fd, path);
    fd_ = fd;
    ResetLocked();
    TCommState reported = CommStateFromTermios(t);
    reported.XonLim = state_.XonLim;
    reported.XoffLim = state_.XoffLim;
    state_ = reported;
    return true;
}

void TSerialDevice::ResetLocked() {
    cancelled_ = false;
    gone_ = false;
    rxQueue_.clear();
    rxLimit_ = 4096;
    txSize_ = 4096;
    state_ = TCommState{};
    timeouts_ = TCommTimeouts{};
    mask_ = 0;
    pending_ = 0;
    errors_ = 0;
    serial_icounter_struct counts{};
    haveCounters_ = ioctl(fd_, TIOCGICOUNT, &counts) == 0;
    counters_ =
        TCounters{counts.frame, counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
}

bool TSerialDevice::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenLocked()) return false;
    cancelled_ = true;
    WakeLocked();
    // Exclusive mode stays on the terminal until its last close; another holder of the
    // terminal (a simulator keeping a pseudo-terminal alive) must not lock the next opener out.
    ioctl(fd_, TIOCNXCL);
    int result = close(fd_);
    fd_ = -1;
    rxQueue_.clear();
    return result == 0;
}

bool TSerialDevice::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fd_ >= 0;
}

bool TSerialDevice::SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0 || inQueue > kMaxQueue || outQueue > kMaxQueue) {
        errno = fd_ < 0 ? EBADF : EINVAL;
        return false;
    }
    if (inQueue != 0) rxLimit_ = std::max(inQueue, kMinQueue);
    if (outQueue != 0) txSize_ = outQueue;
    WakeLocked();  // a wait that stopped draining at the old size may go on
    return true;
}

bool TSerialDevice::GetCommState(TCommState& dcb) {
    std::lock_guard<std::mutex> lock(mutex_);
    termios t{};
    if (!OpenLocked()) return false;
    if (tcgetattr(fd_, &t) != 0) return false;
    // What the terminal holds, plus the fields and flags it cannot hold, as last set.
    TCommState reported = CommStateFromTermios(t);
    constexpr std::uint32_t kTermiosFlags = DcbFlags::Binary | DcbFlags::Parity |
                                            DcbFlags::OutxCtsFlow | DcbFlags::OutX | DcbFlags::InX;
    reported.Flags = (reported.Flags & kTermiosFlags) | (state_.Flags & ~kTermiosFlags);
    reported.XonLim = state_.XonLim;
    reported.XoffLim = state_.XoffLim;
    reported.ErrorChar = state_.ErrorChar;
    reported.EofChar = state_.EofChar;
    reported.EvtChar = state_.EvtChar;
    dcb = reported;
    return true;
}

bool TSerialDevice::SetCommState(const TCommState& dcb) {
    std::lock_guard<std::mutex> lock(mutex_);
    termios t{};
    if (!OpenLocked()) return false;
    if (tcgetattr(fd_, &t) != 0) return false;
    if (!CommStateToTermios(dcb, t)) return false;
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return false;
    // tcsetattr succeeds when any part was taken; a rate the driver cannot do shows up here.
    termios applied{};
    if (tcgetattr(fd_, &applied) != 0) return false;
    if (cfgetospeed(&applied) != cfgetospeed(&t)) {
        errno = EINVAL;
        return false;
    }
    unsigned dtr = DcbControlField(dcb.Flags, DcbFlags::DtrControlShift);
    unsigned rts = DcbControlField(dcb.Flags, DcbFlags::RtsControlShift);
    bool linesSet = SetModemLine(fd_, TIOCM_DTR, dtr != 0);
    if (rts != 2) linesSet = SetModemLine(fd_, TIOCM_RTS, rts != 0) && linesSet;
    if (!linesSet) return false;
    state_ = dcb;
    return true;
}

bool TSerialDevice::GetCommTimeouts(TCommTimeouts& timeouts) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenLocked()) return false;
    timeouts = timeouts_;
    return true;
}

bool TSerialDevice::SetCommTimeouts(const TCommTimeouts& timeouts) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenLocked()) return false;
    timeouts_ = timeouts;
    return true;
}

bool TSerialDevice::SetCommMask(std::uint32_t mask) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenLocked()) return false;
    mask_ = mask;
    pending_ = 0;
    ++maskGeneration_;
    WakeLocked();
    return true;
}

bool TSerialDevice::PurgeComm(std::uint32_t flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenLocked()) return false;
    bool ok = true;
    if (flags & PURGE_TXABORT) ++txAbortGeneration_;
    if (flags & PURGE_RXABORT) ++rxAbortGeneration_;
    if ((flags & PURGE_TXCLEAR) && !gone_) ok = tcflush(fd_, TCOFLUSH) == 0 && ok;
    if (flags & PURGE_RXCLEAR) {
        if (!gone_) ok = tcflush(fd_, TCIFLUSH) == 0 && ok;
        rxQueue_.clear();
    }
    WakeLocked();
    return ok;
}

bool TSerialDevice::ClearCommError(std::uint32_t* errors, TComStat* stat) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenLocked()) return false;
    DrainLocked();
    CheckCountersLocked();
    if (errors) *errors = errors_;
    errors_ = 0;
    if (stat) {
        stat->cbInQue = QueueCountLocked();
        int outQueue = 0;
        if (gone_ || ioctl(fd_, TIOCOUTQ, &outQueue) != 0) outQueue = 0;
        stat->cbOutQue = static_cast<std::uint32_t>(std::max(outQueue, 0));
    }
    return true;
}

bool TSerialDevice::SetDtr(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    return OpenLocked() && SetModemLine(fd_, TIOCM_DTR, on);
}

bool TSerialDevice::ReadFile(void* buffer, std::uint32_t count, std::uint32_t& done) {
    std::unique_lock<std::mutex> lock(mutex_);
    TWaiter waiter(*this);
    done = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::uint64_t generation = rxAbortGeneration_;
    const TCommTimeouts limits = timeouts_;
    const TClock start = Now();
    const std::uint64_t total =
        std::uint64_t{limits.ReadTotalTimeoutMultiplier} * count + limits.ReadTotalTimeoutConstant;
    const std::uint32_t interval = limits.ReadIntervalTimeout;
    TClock lastBytes = start;
    for (;;) {
        if (fd_ < 0 || cancelled_ || rxAbortGeneration_ != generation || AbortOnErrorLocked()) {
            errno = ECANCELED;
            return false;
        }
        DrainLocked();
        std::uint32_t taken = TakeLocked(out + done, count - done);
        if (taken != 0) {
            done += taken;
            lastBytes = Now();
        }
        if (done == count) return true;
        if (gone_) {
            errno = EIO;
            return false;
        }
        const TClock now = Now();
        std::uint64_t wait = UINT64_MAX;
        if (total != 0) {
            if (now - start >= total) return true;
            wait = total - (now - start);
        }
        if (interval != 0 && done != 0) {
            if (now - lastBytes >= interval) return true;
            wait = std::min<std::uint64_t>(wait, interval - (now - lastBytes));
        }
        if ((state_.Flags & DcbFlags::AbortOnError) && haveCounters_) {
            CheckCountersLocked();
            wait = std::min<std::uint64_t>(wait, CounterSliceMs);
        }
        SleepLocked(
            lock, waiter, POLLIN,
            wait == UINT64_MAX ? -1 : static_cast<int>(std::min<std::uint64_t>(wait, 60000)));
    }
}

bool TSerialDevice::WriteFile(const void* buffer, std::uint32_t count, std::uint32_t& done) {
    std::uint64_t total = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        total = std::uint64_t{timeouts_.WriteTotalTimeoutMultiplier} * count +
                timeouts_.WriteTotalTimeoutConstant;
    }
    return WriteLimited(buffer, count, done, total);
}

bool TSerialDevice::WriteFileWithin(const void* buffer, std::uint32_t count, std::uint32_t& done,
                                    std::uint32_t milliseconds) {
    // A limit of 0 would mean "none" below; the shortest real limit is one millisecond.
    return WriteLimited(buffer, count, done, std::max<std::uint64_t>(milliseconds, 1));
}

bool TSerialDevice::WriteLimited(const void* buffer, std::uint32_t count, std::uint32_t& done,
                                 std::uint64_t total) {
    std::unique_lock<std::mutex> lock(mutex_);
    TWaiter waiter(*this);
    done = 0;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    const std::uint64_t generation = txAbortGeneration_;
    const TClock start = Now();
    while (done < count) {
        if (fd_ < 0 || cancelled_ || txAbortGeneration_ != generation || AbortOnErrorLocked()) {
            errno = ECANCELED;
            return false;
        }
        if (gone_) {
            errno = EIO;
            return false;
        }
        ssize_t written = write(fd_, in + done, count - done);
        if (written > 0) {
            LogSerialBytes('>', in + done, static_cast<std::size_t>(written));
            done += static_cast<std::uint32_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN) {
            if (errno == EIO) MarkGoneLocked();
            return false;
        }
        std::uint64_t wait = UINT64_MAX;
        if (total != 0) {
            const TClock elapsed = Now() - start;
            if (elapsed >= total) return true;
            wait = total - elapsed;
        }
        if ((state_.Flags & DcbFlags::AbortOnError) && haveCounters_) {
            CheckCountersLocked();
            wait = std::min<std::uint64_t>(wait, CounterSliceMs);
        }
        SleepLocked(
            lock, waiter, POLLOUT,
            wait == UINT64_MAX ? -1 : static_cast<int>(std::min<std::uint64_t>(wait, 60000)));
    }
    return true;
}

void TSerialDevice::MarkGoneLocked() {
    if (gone_) return;
    gone_ = true;
    errors_ |= CE_IOE;
    pending_ |= EV_ERR & mask_;
    WakeLocked();
}

bool TSerialDevice::OpenLocked() const {
    if (fd_ >= 0) return true;
    errno = EBADF;  // the calls of a closed device fail as on an invalid handle
    return false;
}

std::uint32_t TSerialDevice::QueueCountLocked() {
    int inKernel = 0;
    if (fd_ < 0 || gone_ || ioctl(fd_, FIONREAD, &inKernel) != 0) inKernel = 0;
    return static_cast<std::uint32_t>(rxQueue_.size()) +
           static_cast<std::uint32_t>(std::max(inKernel, 0));
}

std::uint32_t TSerialDevice::TakeLocked(std::uint8_t* out, std::uint32_t count) {
    const bool wasFull = rxQueue_.size() >= rxLimit_;
    std::uint32_t taken = static_cast<std::uint32_t>(std::min<std::size_t>(count, rxQueue_.size()));
    std::copy_n(rxQueue_.begin(), taken, out);
    rxQueue_.erase(rxQueue_.begin(), rxQueue_.begin() + taken);
    if (wasFull && taken != 0) WakeLocked();  // a wait that stopped draining may go on
    return taken;
}

bool TSerialDevice::AbortOnErrorLocked() const {
    return (state_.Flags & DcbFlags::AbortOnError) && errors_ != 0;
}
