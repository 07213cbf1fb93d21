// TSerialDevice on termios: port names, line settings, time-outs, the receive queue, errors,
// purging, modem lines and event waits. See SerialDevice.h for the model.
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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "ComPortMap.h"
#include "DiagnosticLog.h"

namespace {

struct TBaud {
    std::uint32_t rate;
    speed_t constant;
};

constexpr TBaud kBauds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// How often line counters (modem lines, errors) are looked at while a wait needs them, and
// how often the transmit queue is looked at while EV_TXEMPTY is awaited.
constexpr int kCounterSliceMs = 50;
constexpr int kTxEmptySliceMs = 10;

constexpr std::uint32_t kMinQueue = 16;
constexpr std::uint32_t kMaxQueue = 1u << 20;

constexpr std::uint32_t kCounterEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_BREAK | EV_ERR;
constexpr std::uint32_t kInputEvents = EV_RXCHAR | EV_RXFLAG | EV_ERR;

// "COM" followed by a number 1..256, in any letter case; the number is returned.
bool ParseComName(const std::string& name, unsigned& number) {
    if (name.size() < 4 || name.size() > 6) return false;
    if (std::tolower(static_cast<unsigned char>(name[0])) != 'c' ||
        std::tolower(static_cast<unsigned char>(name[1])) != 'o' ||
        std::tolower(static_cast<unsigned char>(name[2])) != 'm')
        return false;
    unsigned value = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
        value = value * 10 + static_cast<unsigned>(name[i] - '0');
    }
    if (value < 1 || value > 256) return false;
    number = value;
    return true;
}

// Raw byte transfer: no line editing, no echo, no translation, reads return what is there.
void MakeRaw(termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    // VMIN 1 keeps a non-blocking read of an empty queue at EAGAIN, so that a read of 0 bytes
    // means only one thing: the device went away.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

// Raises or lowers a modem line. Devices without modem lines (pseudo-terminals) refuse the
// request with ENOTTY or EINVAL; that is not a failure of the port.
bool SetModemLine(int fd, int line, bool on) {
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
    return errno == ENOTTY || errno == EINVAL;
}

// True when another open of the device holds its flock (as /proc/locks lists it). Merely opening
// a serial device changes its line: the driver raises DTR and RTS at every open, also at the
// open of a program that then finds the port taken (root passes TIOCEXCL), and nothing lowers
// them again while the holder keeps the port. A held port is therefore refused unopened.
bool HeldByAnotherOpen(const std::string& path) {
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

unsigned ControlField(std::uint32_t flags, unsigned shift) { return (flags >> shift) & 3u; }

}  // namespace

// One sleeping thread: its eventfd, registered with the device while it exists. Created and
// destroyed with the device's mutex held.
struct TSerialDevice::TWaiter {
    explicit TWaiter(TSerialDevice& device) : device(device) {}
    ~TWaiter() {
        if (efd < 0) return;
        auto& list = device.waiters_;
        list.erase(std::remove(list.begin(), list.end(), efd), list.end());
        close(efd);
    }
    TWaiter(const TWaiter&) = delete;
    TWaiter& operator=(const TWaiter&) = delete;

    TSerialDevice& device;
    int efd = -1;
};

std::string SerialDevicePath(const std::string& portName) {
    std::string name = portName;
    if (name.rfind("\\\\.\\", 0) == 0) name = name.substr(4);
    if (name.empty()) return "";
    if (name[0] == '/') return name;
    unsigned number = 0;
    if (ParseComName(name, number)) return MapComPort(number).Device;
    return "/dev/" + name;
}

std::optional<speed_t> BaudConstant(std::uint32_t bitsPerSecond) {
    for (const TBaud& baud : kBauds)
        if (baud.rate == bitsPerSecond) return baud.constant;
    return std::nullopt;
}

bool CommStateToTermios(const TCommState& dcb, termios& t) {
    std::optional<speed_t> speed = BaudConstant(dcb.BaudRate);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    bool valid = speed && dcb.ByteSize >= 5 && dcb.ByteSize <= 8 && dcb.Parity <= SPACEPARITY &&
                 dcb.StopBits <= TWOSTOPBITS &&
                 !(dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) &&
                 !(dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5);
    if (!valid) {
        errno = EINVAL;
        return false;
    }
    MakeRaw(t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= kSizes[dcb.ByteSize - 5];
    switch (dcb.Parity) {
        case ODDPARITY:
            t.c_cflag |= PARENB | PARODD;
            break;
        case EVENPARITY:
            t.c_cflag |= PARENB;
            break;
        case MARKPARITY:
            t.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case SPACEPARITY:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    // One stop bit, or CSTOPB: two stop bits, which the UART sends as 1.5 for 5-bit characters.
    if (dcb.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
    if (dcb.Flags & DcbFlags::Parity) t.c_iflag |= INPCK;
    if ((dcb.Flags & DcbFlags::OutxCtsFlow) ||
        ControlField(dcb.Flags, DcbFlags::RtsControlShift) == 2)
        t.c_cflag |= CRTSCTS;
    if (dcb.Flags & DcbFlags::OutX) t.c_iflag |= IXON;
    if (dcb.Flags & DcbFlags::InX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    cfsetispeed(&t, *speed);
    cfsetospeed(&t, *speed);
    return true;
}

TCommState CommStateFromTermios(const termios& t) {
    TCommState dcb;
    dcb.BaudRate = 0;
    speed_t speed = cfgetospeed(&t);
    for (const TBaud& baud : kBauds)
        if (baud.constant == speed) dcb.BaudRate = baud.rate;
    switch (t.c_cflag & CSIZE) {
        case CS5:
            dcb.ByteSize = 5;
            break;
        case CS6:
            dcb.ByteSize = 6;
            break;
        case CS7:
            dcb.ByteSize = 7;
            break;
        default:
            dcb.ByteSize = 8;
            break;
    }
    if (!(t.c_cflag & PARENB))
        dcb.Parity = NOPARITY;
    else if (t.c_cflag & CMSPAR)
        dcb.Parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    else
        dcb.Parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    if (t.c_cflag & CSTOPB)
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    else
        dcb.StopBits = ONESTOPBIT;
    std::uint32_t flags = DcbFlags::Binary | (1u << DcbFlags::DtrControlShift);
    if (t.c_iflag & INPCK) flags |= DcbFlags::Parity;
    if (t.c_cflag & CRTSCTS)
        flags |= DcbFlags::OutxCtsFlow | (2u << DcbFlags::RtsControlShift);
    else
        flags |= 1u << DcbFlags::RtsControlShift;
    if (t.c_iflag & IXON) flags |= DcbFlags::OutX;
    if (t.c_iflag & IXOFF) flags |= DcbFlags::InX;
    dcb.Flags = flags;
    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return dcb;
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
    if (HeldByAnotherOpen(path)) {
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
    MakeRaw(t);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return fail(errno);
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
    txPending_ = false;
    serial_icounter_struct counts{};
    haveCounters_ = ioctl(fd_, TIOCGICOUNT, &counts) == 0;
    counters_ =
        TCounters{counts.cts,     counts.dsr,    counts.rng, counts.dcd,        counts.frame,
                  counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
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

int TSerialDevice::Handle() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fd_;
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
    unsigned dtr = ControlField(dcb.Flags, DcbFlags::DtrControlShift);
    unsigned rts = ControlField(dcb.Flags, DcbFlags::RtsControlShift);
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

bool TSerialDevice::GetCommMask(std::uint32_t& mask) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenLocked()) return false;
    mask = mask_;
    return true;
}

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
        if (haveCounters_ && (mask_ & kCounterEvents)) slice = kCounterSliceMs;
        if ((mask_ & EV_TXEMPTY) && txPending_) slice = kTxEmptySliceMs;
        SleepLocked(lock, waiter, (mask_ & kInputEvents) ? POLLIN : 0, slice);
    }
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

bool TSerialDevice::EscapeCommFunction(std::uint32_t function) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenLocked()) return false;
    switch (function) {
        case SETDTR:
            return SetModemLine(fd_, TIOCM_DTR, true);
        case CLRDTR:
            return SetModemLine(fd_, TIOCM_DTR, false);
        case SETRTS:
            return SetModemLine(fd_, TIOCM_RTS, true);
        case CLRRTS:
            return SetModemLine(fd_, TIOCM_RTS, false);
        case SETBREAK:
            return ioctl(fd_, TIOCSBRK) == 0 || errno == ENOTTY || errno == EINVAL;
        case CLRBREAK:
            return ioctl(fd_, TIOCCBRK) == 0 || errno == ENOTTY || errno == EINVAL;
        default:
            errno = EINVAL;
            return false;
    }
}

bool TSerialDevice::ReadFile(void* buffer, std::uint32_t count, std::uint32_t& done) {
    std::unique_lock<std::mutex> lock(mutex_);
    TWaiter waiter(*this);
    done = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::uint64_t generation = rxAbortGeneration_;
    const TCommTimeouts limits = timeouts_;
    const TClock start = Now();
    // MAXDWORD interval without totals: return at once with what is there. MAXDWORD interval
    // and multiplier with a constant: wait up to the constant for the first bytes only.
    const bool immediate = limits.ReadIntervalTimeout == MAXDWORD &&
                           limits.ReadTotalTimeoutMultiplier == 0 &&
                           limits.ReadTotalTimeoutConstant == 0;
    const bool firstBytes =
        limits.ReadIntervalTimeout == MAXDWORD && limits.ReadTotalTimeoutMultiplier == MAXDWORD &&
        limits.ReadTotalTimeoutConstant != 0 && limits.ReadTotalTimeoutConstant != MAXDWORD;
    std::uint64_t total = 0;
    if (firstBytes)
        total = limits.ReadTotalTimeoutConstant;
    else if (limits.ReadTotalTimeoutMultiplier != 0 || limits.ReadTotalTimeoutConstant != 0)
        total = std::uint64_t{limits.ReadTotalTimeoutMultiplier} * count +
                limits.ReadTotalTimeoutConstant;
    const std::uint32_t interval =
        limits.ReadIntervalTimeout == MAXDWORD ? 0 : limits.ReadIntervalTimeout;
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
        if (done == count || immediate || (firstBytes && done != 0)) return true;
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
            wait = std::min<std::uint64_t>(wait, kCounterSliceMs);
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
            txPending_ = true;
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
            wait = std::min<std::uint64_t>(wait, kCounterSliceMs);
        }
        SleepLocked(
            lock, waiter, POLLOUT,
            wait == UINT64_MAX ? -1 : static_cast<int>(std::min<std::uint64_t>(wait, 60000)));
    }
    if (mask_ & EV_TXEMPTY) WakeLocked();  // a wait for EV_TXEMPTY has something to look at
    return true;
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

void TSerialDevice::MarkGoneLocked() {
    if (gone_) return;
    gone_ = true;
    errors_ |= CE_IOE;
    pending_ |= EV_ERR & mask_;
    WakeLocked();
}

void TSerialDevice::WakeLocked() {
    for (int efd : waiters_) eventfd_write(efd, 1);
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
