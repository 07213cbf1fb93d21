// TSerialDevice: one serial port on termios, with the calls the serial port component is built
// on: opening "COM1".."COMn" by name with exclusive access, line settings held in a record
// shaped like the Win32 DCB, time-outs with the COMMTIMEOUTS fields, the receive queue count,
// error clearing, purging, DTR, and waiting for received bytes or a line error. It works on
// real ports and on pseudo-terminals (where modem lines and error counters do not exist).
//
// The device keeps its own receive queue (the "driver queue" of the Win32 model, sized by
// SetupComm): waiting threads move arriving bytes from the kernel into it, which is what makes
// "characters received" an edge (EV_RXCHAR fires for new bytes, not for bytes still waiting),
// and lets every wait sleep in poll() instead of spinning on a level-triggered descriptor.
// Every blocking call also sleeps on a per-wait eventfd, so SetCommMask, PurgeComm and
// CancelWaits from another thread end a pending wait at once.
//
// Concurrency: any number of threads may read, write, wait and query at the same time; Open and
// Close belong to the owner while nobody else uses the device.
#pragma once

#include <termios.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

enum class TStopBits : std::uint8_t { One, OnePointFive, Two };
enum class TParity : std::uint8_t { None, Odd, Even, Mark, Space };

// Bits of the flag word (TCommState::Flags), as in the Win32 DCB.
namespace DcbFlags {
constexpr std::uint32_t Binary = 1u << 0;
constexpr std::uint32_t Parity = 1u << 1;
constexpr std::uint32_t OutxCtsFlow = 1u << 2;
constexpr unsigned DtrControlShift = 4;  // two bits: 0 disable, 1 enable, 2 handshake
constexpr std::uint32_t OutX = 1u << 8;
constexpr std::uint32_t InX = 1u << 9;
constexpr unsigned RtsControlShift = 12;  // two bits: 0 disable, 1 enable, 2 handshake, 3 toggle
constexpr std::uint32_t AbortOnError = 1u << 14;
}  // namespace DcbFlags

// The line events a port's users wait for (SetCommMask, WaitCommEvent): bytes received, and a
// line error (framing, overrun, parity, or the device going away).
constexpr std::uint32_t EV_RXCHAR = 0x0001;
constexpr std::uint32_t EV_ERR = 0x0080;

// PurgeComm flags.
constexpr std::uint32_t PURGE_TXABORT = 0x0001;
constexpr std::uint32_t PURGE_RXABORT = 0x0002;
constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;

// Line errors reported by ClearCommError.
constexpr std::uint32_t CE_RXOVER = 0x0001;
constexpr std::uint32_t CE_OVERRUN = 0x0002;
constexpr std::uint32_t CE_RXPARITY = 0x0004;
constexpr std::uint32_t CE_FRAME = 0x0008;
constexpr std::uint32_t CE_BREAK = 0x0010;
constexpr std::uint32_t CE_IOE = 0x0400;  // the device went away (unplugged, hung up)

// Line settings, shaped like the Win32 DCB. Only what termios can express is acted upon: baud
// rate, byte size, parity, stop bits, fParity (input parity check), fOutxCtsFlow and RTS
// handshake (hardware flow control), fOutX/fInX with XonChar/XoffChar (software flow control),
// fDtrControl and fRtsControl (line levels), fAbortOnError (see ReadFile). The remaining flags,
// XonLim, XoffLim, ErrorChar, EofChar and EvtChar are kept and reported back unchanged. fBinary
// is implied: the port always transfers raw bytes.
struct TCommState {
    std::uint32_t BaudRate = 9600;
    std::uint32_t Flags =
        DcbFlags::Binary | (1u << DcbFlags::DtrControlShift) | (1u << DcbFlags::RtsControlShift);
    std::uint16_t XonLim = 512;
    std::uint16_t XoffLim = 512;
    std::uint8_t ByteSize = 8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::One;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

// Time-outs with the COMMTIMEOUTS fields, in milliseconds: a read ends after the interval
// without new bytes (once some came) or after multiplier x count + constant in all (0: no
// limit); a write after its multiplier x count + constant.
struct TCommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// Queue levels reported by ClearCommError.
struct TComStat {
    std::uint32_t cbInQue = 0;
    std::uint32_t cbOutQue = 0;
};

// The device a port name stands for: "COM1".."COMn" (any letter case, also "\\.\COMn") is
// MapComPort's device (empty when nothing is there); a name that starts with "/" is used as it
// is; any other name is looked up in /dev.
std::string SerialDevicePath(const std::string& portName);

// True when another open of the device holds its flock (as /proc/locks lists it); the device is
// not opened. Merely opening a serial device changes its line: the driver raises DTR and RTS at
// every open, also at the open of a program that then finds the port taken (root passes
// TIOCEXCL), and nothing lowers them again while the holder keeps the port. A held port is
// therefore refused unopened, and tivra-cli doctor asks this way too.
bool SerialDeviceHeldByAnotherOpen(const std::string& path);

// The adapter's latency timer in milliseconds as its driver shows it in sysfs
// (/sys/class/tty/NAME/device/latency_timer), read without opening the device; empty for a
// device without one (on-board ports, pseudo-terminals).
std::string SerialAdapterLatencyTimer(const std::string& path);

// The low-latency setting a driver shows in sysfs without an open: the serial core's port flags
// (/sys/class/tty/NAME/flags, hex, the low-latency bit) or a USB adapter's latency timer (1 ms
// is what the low-latency request sets). The setting stays with the device after the open that
// asked for it. Empty when the driver shows neither (pseudo-terminals).
std::string SerialLowLatencyShown(const std::string& path);
// The same from the two sysfs texts (either may be empty).
std::string LowLatencyFromSysfs(const std::string& portFlags, const std::string& latencyTimer);

// Line settings to and from termios. CommStateToTermios keeps everything of t that the record
// does not describe and puts the port into raw mode; false (errno EINVAL) when the record asks
// for something the line cannot do: an unknown baud rate, a byte size outside 5..8, 1.5 stop bits
// with 6..8 data bits or 2 stop bits with 5 (the classic UART sends 1.5 stop bits for 5-bit
// characters when asked for two; the record's 1.5 maps to that, and its 2 is refused for 5-bit
// characters, as the Win32 serial driver does).
bool CommStateToTermios(const TCommState& dcb, termios& t);
TCommState CommStateFromTermios(const termios& t);

// Baud rate constant for a rate in bit/s; nullopt when termios has none.
std::optional<speed_t> BaudConstant(std::uint32_t bitsPerSecond);

// Raw byte transfer on t: no line editing, no echo, no translation; reads return what is there.
void MakeRawTermios(termios& t);
// A two-bit control field of the record's flags (DTR or RTS control) at shift.
unsigned DcbControlField(std::uint32_t flags, unsigned shift);

class TSerialDevice {
public:
    TSerialDevice() = default;
    ~TSerialDevice();
    TSerialDevice(const TSerialDevice&) = delete;
    TSerialDevice& operator=(const TSerialDevice&) = delete;

    // Opens the port for reading and writing, exclusively (flock and TIOCEXCL): a second open of
    // the same device, here or in another program, fails with EBUSY. False with errno set.
    bool Open(const std::string& portName);
    // Ends every wait, releases the exclusive access and closes the descriptor; false when
    // not open or when close() fails.
    bool Close();
    bool IsOpen() const;

    // Size of the receive queue (at least 16 bytes); the transmit size is only recorded.
    bool SetupComm(std::uint32_t inQueue, std::uint32_t outQueue);
    bool GetCommState(TCommState& dcb);
    bool SetCommState(const TCommState& dcb);
    bool GetCommTimeouts(TCommTimeouts& timeouts);
    bool SetCommTimeouts(const TCommTimeouts& timeouts);
    // Sets the events WaitCommEvent waits for, forgets events not yet reported, and makes a
    // pending WaitCommEvent return at once with no events.
    bool SetCommMask(std::uint32_t mask);
    // Sleeps until one of the masked events happens and returns them. Returns true with no
    // events when SetCommMask was called meanwhile; false when the device is closed or its
    // waits were cancelled.
    bool WaitCommEvent(std::uint32_t& events);

    // PURGE_TXABORT / PURGE_RXABORT end pending writes / reads at once (they return false);
    // PURGE_TXCLEAR / PURGE_RXCLEAR discard the transmit / receive queue.
    bool PurgeComm(std::uint32_t flags);
    // Reports and clears the line errors (CE_...) seen since the last call and the queue levels.
    // Errors come from the driver's counters where it has them (TIOCGICOUNT), and CE_IOE when
    // the device went away; either pointer may be null.
    bool ClearCommError(std::uint32_t* errors, TComStat* stat);
    // Raises or lowers DTR. A device without modem lines (a pseudo-terminal) accepts it and
    // does nothing.
    bool SetDtr(bool on);

    // Reads up to count bytes under the time-outs: true with the bytes read in done (fewer than
    // count when a time-out ended the read), false when the read was aborted (PurgeComm,
    // CancelWaits), the device went away, or a line error is pending while fAbortOnError is set.
    bool ReadFile(void* buffer, std::uint32_t count, std::uint32_t& done);
    // Writes count bytes under the write time-out; the same results as ReadFile.
    bool WriteFile(const void* buffer, std::uint32_t count, std::uint32_t& done);
    // Writes count bytes, giving up after milliseconds whatever the port's time-outs say: true
    // with the bytes written in done (fewer than count when the time ran out), false as
    // WriteFile. For callers whose every step has a time limit of its own, so that a line
    // whose far end stopped reading cannot hold them for ever.
    bool WriteFileWithin(const void* buffer, std::uint32_t count, std::uint32_t& done,
                         std::uint32_t milliseconds);

    // Sleeps until the receive queue holds at least count bytes (count is capped at the queue
    // size): 1 when it does, 0 when milliseconds passed first (a negative value waits without
    // limit), -1 when the device is closed, went away, or its waits were cancelled.
    int WaitForInput(std::uint32_t count, int milliseconds);

    // Ends every pending wait and makes every later one fail at once, until Close. Used while
    // shutting the port down, so that nothing can start a new endless wait.
    void CancelWaits();

private:
    struct TWaiter;
    using TClock = std::uint64_t;  // milliseconds of the steady clock
    // How often the error counters are looked at while a wait needs them.
    static constexpr int CounterSliceMs = 50;

    static TClock Now();
    // All of the following run with mutex_ held.
    void ResetLocked();
    bool DrainLocked();
    void CheckCountersLocked();
    void MarkGoneLocked();
    void WakeLocked();
    // True while the device is open; otherwise sets errno to EBADF.
    bool OpenLocked() const;
    std::uint32_t QueueCountLocked();
    std::uint32_t TakeLocked(std::uint8_t* out, std::uint32_t count);
    // The write of WriteFile and WriteFileWithin: total is the limit in ms, 0 for none.
    bool WriteLimited(const void* buffer, std::uint32_t count, std::uint32_t& done,
                      std::uint64_t total);
    bool AbortOnErrorLocked() const;
    // Sleeps in poll on the device (events) and the waiter's eventfd, at most milliseconds
    // (negative: no limit); releases mutex_ meanwhile.
    void SleepLocked(std::unique_lock<std::mutex>& lock, TWaiter& waiter, short events,
                     int milliseconds);

    mutable std::mutex mutex_;
    int fd_ = -1;
    bool cancelled_ = false;
    bool gone_ = false;
    std::deque<std::uint8_t> rxQueue_;
    std::uint32_t rxLimit_ = 4096;
    std::uint32_t txSize_ = 4096;
    TCommState state_;
    TCommTimeouts timeouts_;
    std::uint32_t mask_ = 0;
    std::uint32_t pending_ = 0;  // events seen, not yet reported
    std::uint32_t errors_ = 0;   // CE_... since the last ClearCommError
    // Last values of the driver's error counters (TIOCGICOUNT), when the driver has them.
    struct TCounters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    };
    bool haveCounters_ = false;
    TCounters counters_;
    std::uint64_t maskGeneration_ = 0;
    std::uint64_t rxAbortGeneration_ = 0;
    std::uint64_t txAbortGeneration_ = 0;
    std::vector<int> waiters_;  // eventfds of the threads sleeping right now
};
