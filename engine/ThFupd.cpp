// TThFupd: port set-up, the receive ring's handlers, sends and receives with time-outs, and the
// reports.
#include "ThFupd.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "Rs232c.h"
#include "SafeFiles.h"
#include "TimedSend.h"
#include "TransferCodes.h"

namespace {

constexpr std::uint32_t kStartPauseMs = 500;
// Longest sleep of a receive before the stop request is looked at again.
constexpr int kReceiveSliceMs = 50;
// The driver queues and the receive buffer of PortReceived.
constexpr int kQueueSize = 2048;

std::uint32_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

TThFupd::TThFupd(Trs232c& port) : FreeSpace(FreeDiskSpace), port_(port) {}

TThFupd::~TThFupd() {
    Terminate();
    ring_.Wake();
    WaitFor();
}

void TThFupd::Execute() {
    try {
        Run();
    } catch (...) {
        // Nothing may leave the thread: the port is closed and the owner still gets a final
        // report.
        port_.Close();
        port_.OnRXCHAR = nullptr;
        port_.OnERR = nullptr;
        Final(tsFailed, Terminated() ? teStopped : teLineError);
    }
}

void TThFupd::Run() {
    Pause(kStartPauseMs);
    lineError_ = false;
    ring_.Reset();
    ConfigurePort();
    if (!port_.Open()) {
        port_.OnRXCHAR = nullptr;
        port_.OnERR = nullptr;
        Percent = 0;
        Final(tsFailed, tePortOpen);
        return;
    }
    Report(tsCommunicating, Percent, DoneBytes, TotalBytes);

    TFirmwareDialogue dialogue(*this, Timeouts);
    if (FreeSpace) dialogue.FreeSpace = FreeSpace;
    // A mode that names no transfer ends as a wrong mode.
    const TransferError code = dialogue.RunExchange(Mode, FileName);

    port_.Close();
    port_.OnRXCHAR = nullptr;
    port_.OnERR = nullptr;
    if (Terminated())
        Final(tsFailed, teStopped);
    else if (code != teNone)
        Final(tsFailed, code);
    else {
        Percent = 0;
        Final(tsFinished, teNone);
    }
}

void TThFupd::ConfigurePort() {
    port_.charbit = 8;
    port_.stopbit = "1";
    port_.bps = 57600;
    port_.portname = PortName;
    port_.rxbuffsize = kQueueSize;
    port_.txbuffsize = kQueueSize;
    port_.OnRXCHAR = [this](void* sender) { PortReceived(sender); };
    port_.OnPACKET = nullptr;
    port_.OnERR = [this](void* sender) { PortError(sender); };
    port_.readinterval = 0;
    port_.txtimeout = 0;
    port_.rxtimeout = 0;
    port_.paritymode = ParityWordNone;
    port_.flowflag = 0x4001;  // binary mode, abort on error
}

void TThFupd::PortReceived(void* /*sender*/) {
    std::uint8_t buffer[kQueueSize];
    // Everything queued is taken, in pieces of the buffer's size; what the ring cannot hold is
    // dropped there and fails the transfer, rather than being left unread without a new event.
    for (int queued = port_.InQueueCount(); queued > 0; queued = port_.InQueueCount()) {
        const int n = std::min(queued, kQueueSize);
        if (!port_.Read(buffer, n)) {
            PortError(nullptr);
            return;
        }
        ring_.Append(buffer, static_cast<std::size_t>(n));
    }
}

void TThFupd::PortError(void* /*sender*/) {
    if (TSerialDevice* device = port_.PortHandle()) device->ClearCommError(nullptr, nullptr);
    lineError_ = true;
    ring_.Wake();
}

TransferError TThFupd::Receive(std::uint8_t* data, std::size_t size) {
    const std::uint32_t start = NowMs();
    for (;;) {
        if (Terminated()) return teNone;
        if (LineFailed()) return teLineError;
        if (ring_.Take(data, size)) return teNone;
        const std::uint32_t elapsed = NowMs() - start;
        if (elapsed > Timeout) return teTimeout;
        ring_.WaitFor(size, static_cast<int>(
                                std::min<std::uint32_t>(Timeout - elapsed + 1, kReceiveSliceMs)));
    }
}

TransferError TThFupd::Send(const std::uint8_t* data, std::size_t size) {
    if (LineFailed()) return teLineError;
    const TSendOutcome outcome = SendWithin(port_, data, static_cast<int>(size), Timeout,
                                            [this] { return Terminated() || LineFailed(); });
    if (LineFailed()) return teLineError;
    return outcome == TSendOutcome::TimedOut ? teTimeout : teNone;
}

void TThFupd::Pause(std::uint32_t milliseconds) { SleepUnlessTerminated(milliseconds); }

void TThFupd::Report(TransferStatus status, std::int32_t percent, std::int32_t doneBytes,
                     std::int32_t totalBytes) {
    Status = status;
    Percent = percent;
    DoneBytes = doneBytes;
    TotalBytes = totalBytes;
    NotifyProgress();
}

void TThFupd::Final(TransferStatus status, TransferError code) {
    Status = status;
    ErrorCode = code;
    NotifyProgress();
}

void TThFupd::NotifyProgress() {
    try {
        Synchronize([this] {
            if (OnStatus) OnStatus(this, Status, Percent, DoneBytes, ErrorCode, TotalBytes);
        });
    } catch (...) {
        // A failing handler must not end the transfer half way or leave the port open.
    }
}
