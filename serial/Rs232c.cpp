// Trs232c: open, configure, read, write, queue level, DTR, and the event thread's lifetime.
#include "Rs232c.h"

#include <climits>
#include <optional>
#include <system_error>

#include "CommThread.h"

std::optional<TStopBits> StopBitsFromText(const std::string& text) {
    if (text == "1") return TStopBits::One;
    if (text == "1.5") return TStopBits::OnePointFive;
    if (text == "2") return TStopBits::Two;
    return std::nullopt;
}

Trs232c::Trs232c() = default;

Trs232c::~Trs232c() { Close(); }

void Trs232c::FillCommState(TCommState& dcb) const {
    dcb.BaudRate = static_cast<std::uint32_t>(bps);
    if (auto stopBits = StopBitsFromText(stopbit)) dcb.StopBits = *stopBits;
    if (auto parity = ParityFromWord(paritymode)) dcb.Parity = *parity;
    dcb.ByteSize = static_cast<std::uint8_t>(charbit & 0xFF);
    dcb.Flags = static_cast<std::uint32_t>(flowflag);
    if (XonLim != 0) dcb.XonLim = static_cast<std::uint16_t>(XonLim & 0xFFFF);
    if (XoffLim != 0) dcb.XoffLim = static_cast<std::uint16_t>(XoffLim & 0xFFFF);
    if (XonChar != 0) dcb.XonChar = XonChar;
    if (XoffChar != 0) dcb.XoffChar = XoffChar;
    if (ErrorChar != 0) dcb.ErrorChar = ErrorChar;
    if (EofChar != 0) dcb.EofChar = EofChar;
    if (EvtChar != 0) dcb.EvtChar = EvtChar;
}

std::uint32_t Trs232c::BuildEventMask() const {
    return (OnERR ? EV_ERR : 0) | (OnRXCHAR || OnPACKET ? EV_RXCHAR : 0);
}

bool Trs232c::FailOpen() {
    device_.PurgeComm(PURGE_TXABORT | PURGE_RXABORT);
    device_.Close();
    return false;
}

bool Trs232c::Open() {
    if (open_) return false;
    if (!device_.Open(portname)) return false;
    // The queue sizes are unsigned to the device: a negative size is refused there.
    if (!device_.SetupComm(static_cast<std::uint32_t>(rxbuffsize),
                           static_cast<std::uint32_t>(txbuffsize)))
        return FailOpen();

    TCommState dcb;
    device_.GetCommState(dcb);
    FillCommState(dcb);
    if (!device_.SetCommState(dcb)) return FailOpen();
    dcb_ = dcb;

    TCommTimeouts timeouts;
    device_.GetCommTimeouts(timeouts);
    timeouts.ReadIntervalTimeout = static_cast<std::uint32_t>(readinterval);
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(rxtimeout);
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = static_cast<std::uint32_t>(txtimeout);
    if (!device_.SetCommTimeouts(timeouts)) return FailOpen();
    timeouts_ = timeouts;

    eventMask_ = BuildEventMask();
    device_.SetCommMask(eventMask_);
    device_.PurgeComm(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);

    // The open flag is set before the event thread starts, so that a handler called for bytes
    // that arrive at once can already read them.
    open_ = true;
    try {
        thread_ = std::make_unique<tcommthread>(*this, &device_, packetsize);
        thread_->Start();
    } catch (const std::system_error&) {
        thread_.reset();
        open_ = false;
        return FailOpen();
    }
    if (OnOpen) OnOpen(this);
    return true;
}

bool Trs232c::Close() {
    if (!open_) return false;
    if (thread_ && thread_->IsCurrentThread()) return false;
    device_.PurgeComm(PURGE_TXABORT | PURGE_RXABORT);
    if (thread_) {
        thread_->Terminate();
        // Clearing the mask ends the pending wait; cancelling also ends a handler's read or
        // write that started after the purge, so the thread cannot be held up.
        device_.SetCommMask(0);
        device_.CancelWaits();
        thread_->WaitFor();
        thread_.reset();
    }
    open_ = false;
    if (OnClose) OnClose(this);
    return device_.Close();
}

bool Trs232c::Read(void* buffer, int count) {
    if (!open_ || count < 0) return false;
    std::uint32_t done = 0;
    return device_.ReadFile(buffer, static_cast<std::uint32_t>(count), done) &&
           done == static_cast<std::uint32_t>(count);
}

bool Trs232c::Write(const void* buffer, int count) {
    if (!open_ || count < 0) return false;
    std::uint32_t done = 0;
    return device_.WriteFile(buffer, static_cast<std::uint32_t>(count), done) &&
           done == static_cast<std::uint32_t>(count);
}

bool Trs232c::WriteByte(std::uint8_t byte) { return Write(&byte, 1); }

bool Trs232c::WriteWithin(const void* buffer, int count, int milliseconds, int& written) {
    written = 0;
    if (!open_ || count < 0) return false;
    std::uint32_t done = 0;
    const bool ok =
        device_.WriteFileWithin(buffer, static_cast<std::uint32_t>(count), done,
                                static_cast<std::uint32_t>(milliseconds < 0 ? 0 : milliseconds));
    written = static_cast<int>(done);
    return ok && done == static_cast<std::uint32_t>(count);
}

int Trs232c::InQueueCount() {
    if (!open_) return -1;
    TComStat stat;
    if (!device_.ClearCommError(nullptr, &stat)) return -1;
    return stat.cbInQue > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX
                                                              : static_cast<int>(stat.cbInQue);
}

TSerialDevice* Trs232c::PortHandle() { return open_ ? &device_ : nullptr; }

bool Trs232c::SetDTR(bool on) {
    if (!open_) return false;
    return device_.SetDtr(on);
}

int Trs232c::WaitForInQueue(int count, int milliseconds) {
    if (!open_) return -1;
    return device_.WaitForInput(count < 0 ? 0u : static_cast<std::uint32_t>(count), milliseconds);
}
