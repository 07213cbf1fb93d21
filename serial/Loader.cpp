// TThSendLoader: handshake with the boot code and upload of the loader file.
#include "Loader.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "FileSystem.h"
#include "PortOpenProblem.h"
#include "Rs232c.h"
#include "TimedSend.h"

namespace {

constexpr std::uint32_t kStartPauseMs = 500;
constexpr std::uint32_t kWakeUpPauseMs = 10;
// Longest sleep of a receive wait before the termination request is looked at again.
constexpr int kReceiveSliceMs = 50;

// The system's millisecond tick count; differences are taken unsigned, so wrapping is harmless.
std::uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

bool LockingUnsupported(int error) {
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL ||
           error == ENOSYS;
}

TThSendLoader::TThSendLoader(Trs232c& port) : port_(port) {}

TThSendLoader::~TThSendLoader() {
    Terminate();
    WaitFor();
}

void TThSendLoader::Execute() {
    try {
        Run();
    } catch (...) {
        // Nothing may leave the thread; the creator still learns the outcome from a last report.
        port_.Close();
        Fail(leUnexpected, Percent);
    }
    // Whatever ended the thread, there is no wait left to abandon.
    int awaiting = kAwaitingAnswer;
    handshake_.compare_exchange_strong(awaiting, kAnswered);
}

bool TThSendLoader::CancelHandshake() {
    int awaiting = kAwaitingAnswer;
    if (!handshake_.compare_exchange_strong(awaiting, kAbandoned)) return false;
    Terminate();
    return true;
}

void TThSendLoader::Run() {
    if (!FileExists(LoaderFile)) {
        Fail(leFileMissing, 0);
        return;
    }
    SleepUnlessTerminated(kStartPauseMs);
    ConfigurePort();
    if (!port_.Open()) {
        PortProblem = PortOpenProblem(SerialPortName, errno);
        Fail(lePortOpenFailed, 0);
        return;
    }
    Report(lsWaiting, 0);

    Timeout = HandshakeTimeout;
    TLoaderError code = Handshake();
    if (Terminated()) {
        Fail(leCancelled, Percent);
        port_.Close();
        return;
    }
    if (code == leNone) {
        Timeout = TransferTimeout;
        code = SendLoaderFile();
    }
    port_.Close();

    if (Terminated())
        Fail(leCancelled, Percent);
    else if (code != leNone)
        Fail(code, Percent);
    else
        Report(lsDone, 0);
}

void TThSendLoader::ConfigurePort() {
    port_.charbit = 8;
    port_.stopbit = "1";
    port_.bps = 57600;
    port_.portname = SerialPortName;
    port_.rxbuffsize = 2048;
    port_.txbuffsize = 2048;
    port_.readinterval = 0;
    port_.txtimeout = 0;
    port_.rxtimeout = 0;
    port_.paritymode = ParityWordNone;
    port_.flowflag = 1;
    port_.packetsize = 0;
    port_.OnERR = nullptr;
}

TLoaderError TThSendLoader::Handshake() {
    for (;;) {
        SleepUnlessTerminated(kWakeUpPauseMs);
        if (Terminated()) return leCancelled;
        TLoaderError code = SendBytes(LoaderWire::WakeUp, sizeof LoaderWire::WakeUp);
        if (Terminated()) return code;
        if (code != leNone) continue;
        if (port_.InQueueCount() <= 0) continue;
        // Bytes other than the answer (start-up messages of the boot code) are dropped one per
        // pass.
        std::uint8_t byte = 0;
        code = ReceiveBytes(&byte, 1);
        if (Terminated() || code != leNone) return code;
        if (IsWakeUpAnswer(byte)) break;
    }
    // The access point answered: from here on the user can no longer abandon the operation,
    // unless the cancel came first.
    int awaiting = kAwaitingAnswer;
    if (!handshake_.compare_exchange_strong(awaiting, kAnswered)) return leCancelled;
    return SendBytes(&LoaderWire::Start, 1);
}

TLoaderError TThSendLoader::SendLoaderFile() {
    Report(lsSending, 0);
    int fd = open(LoaderFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return leFileOpenFailed;
    // Nobody else may hold the file while it is sent. A file system that cannot lock at all
    // (no lock support) does not make the file unusable: it is then sent without the lock.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && !LockingUnsupported(errno)) {
        close(fd);
        return leFileOpenFailed;
    }
    TLoaderError code = Upload(fd);
    close(fd);
    return code;
}

TLoaderError TThSendLoader::Upload(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return leFileOpenFailed;
    TLoaderUpload upload(
        static_cast<std::uint64_t>(info.st_size),
        [fd](std::uint8_t* buffer, std::size_t size) { return ReadFully(fd, buffer, size); });
    for (;;) {
        TLoaderUpload::TAction action = upload.Next();
        TLoaderError code = leNone;
        switch (action.Step) {
            case TLoaderUpload::TStep::Finished:
                return action.Code;
            case TLoaderUpload::TStep::AwaitAck: {
                std::uint8_t byte = 0;
                code = ReceiveBytes(&byte, 1);
                if (code == leNone && !Terminated()) upload.Acknowledged(byte);
                break;
            }
            case TLoaderUpload::TStep::Send:
                code = SendBytes(action.Bytes.data(), static_cast<int>(action.Bytes.size()));
                break;
            case TLoaderUpload::TStep::Report:
                Report(lsSending, action.Percent);
                break;
        }
        if (code != leNone || Terminated()) return code;
    }
}

TLoaderError TThSendLoader::ReceiveBytes(std::uint8_t* buffer, int n) {
    const std::uint32_t start = TickCount();
    for (;;) {
        if (Terminated()) return leNone;
        if (port_.InQueueCount() >= n) return port_.Read(buffer, n) ? leNone : leReadFailed;
        const std::uint32_t elapsed = TickCount() - start;
        if (elapsed >= Timeout) return leTimeout;
        const int slice =
            static_cast<int>(std::min<std::uint32_t>(Timeout - elapsed, kReceiveSliceMs));
        // Sleeps until the bytes are there; a port that went away cannot deliver them.
        if (port_.WaitForInQueue(n, slice) < 0) return leReadFailed;
    }
}

TLoaderError TThSendLoader::SendBytes(const std::uint8_t* buffer, int n) {
    // A write that cannot drain gives up within the phase's time-out; a stop request ends it
    // at once (the caller looks at the request itself).
    switch (SendWithin(port_, buffer, n, Timeout, [this] { return Terminated(); })) {
        case TSendOutcome::TimedOut:
            return leTimeout;
        case TSendOutcome::Sent:
        case TSendOutcome::Stopped:
            break;
    }
    return leNone;
}

void TThSendLoader::Report(TLoaderState state, int percent) {
    State = state;
    Percent = percent;
    try {
        Synchronize([this] {
            if (OnStatus) OnStatus(this, State, Percent, ErrorCode);
        });
    } catch (...) {
        // A failing handler must not end the upload or leave the port open.
    }
}

void TThSendLoader::Fail(TLoaderError code, int percent) {
    ErrorCode = code;
    Report(lsFailed, percent);
}
