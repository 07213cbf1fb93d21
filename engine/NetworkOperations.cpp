// The four network operations of the data module. The access point is driven in two steps: an
// HTTP request to one of its pages (KickFirmUpload) tells it what to do, and after a fixed pause
// the image travels as a raw byte stream over ClientSocket, port 8765, whose end is the end of
// the connection. Everything runs on the user interface thread.
//
// Faults are never allowed to look like success: a transfer given up part way ends its
// connection with a reset (so the access point cannot take a cut image for a whole one), a
// download goes to a temporary file beside the destination that replaces it only when the
// image is complete, and an update request that the access point refused ends the operation
// before anything is streamed. One idle rule bounds every wait on the access point: a transfer
// that moves no byte for NetworkIdleLimitMs fails. Waits run in slices of at most
// kServiceSliceMs with a message pass after each, so the window stays drawn.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "CountFormat.h"
#include "EngineStrings.h"
#include "FileError.h"
#include "FirmwareFiles.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
#include "StreamDelivery.h"
#include "Utils.h"

namespace {

// The access point's pages and the form data that arm its port 8765.
constexpr char kUpdatePage[] = "firmware_update.cgi";
constexpr char kDownloadPage[] = "downfirm.cgi";
constexpr char kKeepSettings[] = "KeepUserSetting=1&DoUpdate=1";
constexpr char kDiscardSettings[] = "KeepUserSetting=0&DoUpdate=1";

constexpr int kChunkSize = 1024;
// The access point does not announce the size of its image; a download's percentage is taken
// against 4 MiB.
constexpr double kAssumedDownloadSize = 4194304.0;
// Longest wait on the access point between two passes of message processing.
constexpr int kServiceSliceMs = 100;

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

// Ends the connection on every way out of an operation: with a reset unless the operation
// closed it in order itself after a complete transfer.
class TConnectionGuard {
public:
    explicit TConnectionGuard(TClientSocket& socket) : socket_(socket) {}
    ~TConnectionGuard() { socket_.Abort(); }
    TConnectionGuard(const TConnectionGuard&) = delete;
    TConnectionGuard& operator=(const TConnectionGuard&) = delete;

private:
    TClientSocket& socket_;
};

void SleepMs(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Measures how long a transfer has moved no byte.
class TIdleClock {
public:
    explicit TIdleClock(int limitMs) : limit_(limitMs) {}
    void Moved() { last_ = std::chrono::steady_clock::now(); }
    bool Expired() const { return std::chrono::steady_clock::now() - last_ >= limit_; }

private:
    std::chrono::milliseconds limit_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// The upload file, opened and sized before the access point is asked to take it: a file that
// cannot be read must neither arm the access point nor reach it as an empty image.
struct TUploadFile {
    TFile file;
    double size = 0.0;
    std::string failure;  // why it cannot be sent, when file is empty
};

TUploadFile OpenUploadFile(const std::string& fileName) {
    TUploadFile upload;
    upload.file.reset(std::fopen(fileName.c_str(), "rb"));
    struct stat status {};
    if (!upload.file) {
        upload.failure = fileName + ": " + std::strerror(errno);
    } else if (fstat(fileno(upload.file.get()), &status) == 0 && S_ISREG(status.st_mode)) {
        upload.size = static_cast<double>(status.st_size);
    } else {
        upload.failure = fileName + ": not a regular file";
        upload.file.reset();
    }
    return upload;
}

// "120 s": an idle limit in a cause.
std::string Seconds(int milliseconds) { return std::to_string(milliseconds / 1000) + " s"; }

// Why port 8765 could not be reached.
std::string PortCause(const std::string& address, const TClientSocket& socket) {
    return "port 8765 of " + address + ": " + socket.ErrorText();
}

// Ends a network operation as an error: the connection reset, "error" with the default cursor,
// and the cause kept for the front end.
int NetworkOperationFailed(TnavrilDataModule& module, const std::string& cause) {
    module.ClientSocket.Abort();
    module.LastFailureCause = cause;
    module.SetPhase(TPhase::Failed, TCursor::Default);
    return orError;
}

// done / total * 100, truncated toward zero; the gauge shows at most 100. A file that grew
// after its size was taken counts as complete rather than dividing by zero.
int GaugePercent(double done, double total) {
    if (total <= 0.0) return done > 0.0 ? 100 : 0;
    double percent = done / total * 100.0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

// Sends one chunk in full. While the connection has no room the window is serviced between
// short waits. Empty when it went out; else why not: the connection failed or was closed by
// the access point, or no byte moved within the idle limit (also part way through the chunk).
std::string SendChunk(TClientSocket& socket, const char* chunk, int count, TIdleClock& idle,
                      int idleLimitMs) {
    int sent = 0;
    while (sent < count) {
        int done = socket.SendSome(chunk + sent, count - sent, kServiceSliceMs);
        if (done > 0) {
            sent += done;
            idle.Moved();
            continue;
        }
        if (done == TClientSocket::SocketClosed) {
            return "the access point ended the connection (" + socket.ErrorText() + ")";
        }
        if (done != TClientSocket::SocketWouldBlock) return "port 8765: " + socket.ErrorText();
        if (idle.Expired()) return "the access point took no byte for " + Seconds(idleLimitMs);
        ProcessMessages();
    }
    return std::string();
}

// Streams the whole file in chunks, showing the sent count and percentage after each. Empty
// only when every byte of the file went out: a connection found closed before the end means
// the access point has not received the whole image, and that must not pass for a finished
// update. Nor may a file that fails to read, or that ends before its size (cut while it was
// sent). Else the cause.
std::string SendChunks(TClientSocket& socket, std::FILE* file, double size, int idleLimitMs,
                       TOperationReport& report, double& sent) {
    char chunk[kChunkSize];
    sent = 0.0;
    TIdleClock idle(idleLimitMs);
    for (;;) {
        std::size_t count = std::fread(chunk, 1, sizeof(chunk), file);
        if (count == 0) {
            if (std::ferror(file))
                return "the file could not be read after " + PlainCount(sent) + " bytes";
            if (sent < size) {
                return "the file ended after " + PlainCount(sent) + " of its " + PlainCount(size) +
                       " bytes while it was sent";
            }
            return std::string();
        }
        if (!socket.Connected()) {
            return "the access point ended the connection after " + PlainCount(sent) + " of " +
                   PlainCount(size) + " bytes";
        }
        std::string failure = SendChunk(socket, chunk, static_cast<int>(count), idle, idleLimitMs);
        if (!failure.empty()) {
            return "after " + PlainCount(sent) + " of " + PlainCount(size) + " bytes: " + failure;
        }
        sent += static_cast<double>(count);
        report.Done(sent);
        report.Percent(GaugePercent(sent, size));
        ProcessMessages();
    }
}

// What ReceiveChunks took in: the count and the image's first bytes, which the check of a
// whole image looks at.
struct TReceived {
    double bytes = 0.0;
    std::string head;
};

// Receives the image until the access point closes the connection (its end marker), appending
// every piece to the file and showing the received count. Empty at the access point's close;
// else the cause: the connection failed (a reset is no end marker) or nothing arrived within
// the idle limit. A file that cannot take the bytes raises EFileError.
std::string ReceiveChunks(TClientSocket& socket, TReplacingFile& file, int idleLimitMs,
                          TOperationReport& report, TReceived& received) {
    char chunk[kChunkSize];
    TIdleClock idle(idleLimitMs);
    for (;;) {
        int count = socket.ReceiveSome(chunk, sizeof(chunk), kServiceSliceMs);
        if (count > 0) {
            idle.Moved();
            if (received.head.size() < 4) {
                received.head.append(chunk, std::min<std::size_t>(4 - received.head.size(), count));
            }
            received.bytes += count;
            report.Done(received.bytes);
            report.Percent(GaugePercent(received.bytes, kAssumedDownloadSize));
            file.Append(chunk, static_cast<std::size_t>(count));
        }
        ProcessMessages();
        if (count == 0) return std::string();
        if (count == TClientSocket::SocketWouldBlock && !idle.Expired()) continue;
        if (count < 0) {
            std::string after = " after " + PlainCount(received.bytes) + " bytes";
            if (count == TClientSocket::SocketWouldBlock) {
                return "the access point sent nothing for " + Seconds(idleLimitMs) + after;
            }
            return "port 8765: " + socket.ErrorText() + after;
        }
    }
}

// The sending half shared by the upload and the filter write-back: connect, show the size,
// stream the open file, end the stream in order and wait until the access point's TCP has
// acknowledged all of it, "finished".
int StreamFile(TnavrilDataModule& module, const std::string& address, TUploadFile& upload) {
    TClientSocket& socket = module.ClientSocket;
    TConnectionGuard connection(socket);
    socket.Address = address;
    if (!socket.OpenWhile(kServiceSliceMs, ProcessMessages)) {
        return NetworkOperationFailed(module, PortCause(address, socket));
    }
    TOperationReport& report = module.Report();
    report.Percent(0);
    report.Total(upload.size);
    ProcessMessages();
    module.SetPhase(TPhase::Writing, TCursor::HourGlass);
    double sent = 0.0;
    std::string failure =
        SendChunks(socket, upload.file.get(), upload.size, module.NetworkIdleLimitMs, report, sent);
    if (failure.empty()) ConfirmDelivery(socket, sent, module.NetworkIdleLimitMs, failure);
    if (!failure.empty()) return NetworkOperationFailed(module, failure);
    socket.Close();
    upload.file.reset();
    module.SetPhase(TPhase::Finished, TCursor::Default);
    return orDone;
}

}  // namespace

void TnavrilDataModule::KickFirmwareUpdate(const std::string& address, const std::string& userName,
                                           const std::string& password, const std::string& pageName,
                                           const std::string& formData) {
    KickFirmUpload.URL = "http://" + address + "/" + pageName;
    KickFirmUpload.UserName = userName;
    KickFirmUpload.Password = password;
    KickFirmUpload.PostQuery = formData;
    // The reply is kept only to recognise a refused login (see UpdateRequestRefused).
    kickReply_ = TKickReply::Outstanding;
    kickReplyText_.clear();
    KickFirmUpload.OnDoneString = [this](THTTPGet*, const std::string& reply) {
        if (kickReply_ != TKickReply::Outstanding) return;
        kickReply_ = TKickReply::Answered;
        kickReplyText_ = reply;
    };
    KickFirmUpload.OnError = [this](THTTPGet*) {
        if (kickReply_ == TKickReply::Outstanding) kickReply_ = TKickReply::Answered;
    };
    // A request still outstanding from an earlier run gives way: the access point must hear
    // this one, or it would not be armed for the transfer that follows.
    KickFirmUpload.ReplaceRequest();
}

std::string TnavrilDataModule::UpdateRequestFailure(const std::string& address) {
    // A reply that has arrived is handed over now. An access point may answer the request
    // with nothing at all, or later than the pause: only a refused login, or a request that
    // never reached it, ends the operation.
    CheckSynchronize();
    std::string failure;
    if (kickReply_ == TKickReply::Answered && !kickReplyText_.empty() &&
        !IsAuthorizedResponse(kickReplyText_)) {
        failure = "the access point refused the user name or password (401 Unauthorized)";
    } else if (KickFirmUpload.Reach() == THTTPReach::NotConnected) {
        failure = "the request to port 80 of " + address +
                  " never reached the access point: " + KickFirmUpload.ReachFailure();
    }
    // A reply arriving from now on belongs to a request whose transfer has gone its way.
    kickReply_ = TKickReply::None;
    kickReplyText_.clear();
    return failure;
}

void TnavrilDataModule::PauseAfterRequest() {
    // The access point prepares its receiver meanwhile; the window is not serviced.
    if (KickPause) {
        KickPause(KickPauseMs);
    } else {
        SleepMs(KickPauseMs);
    }
}

int TnavrilDataModule::UploadFirmwareByNetwork(
    const std::string& address, const std::string& fileName, const std::string& userName,
    const std::string& password, bool keepUserSetting, TEditControl& totalSizeEdit,
    TEditControl& proceedSizeEdit, TGaugeControl& gauge, TLabelControl& statusLabel) {
    LastFailureCause.clear();
    BeginReport(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    if (!ConfirmedOrCancelled(EngineStrings::ConfirmFirmwareUpdate)) {
        return Ended(orCancelled);
    }
    const char* formData = keepUserSetting ? kKeepSettings : kDiscardSettings;
    TUploadFile upload = OpenUploadFile(fileName);
    SetPhase(TPhase::Connecting, TCursor::HourGlass);
    if (!upload.file) return Ended(NetworkOperationFailed(*this, upload.failure));
    KickFirmwareUpdate(address, userName, password, kUpdatePage, formData);
    PauseAfterRequest();
    std::string failure = UpdateRequestFailure(address);
    if (!failure.empty()) return Ended(NetworkOperationFailed(*this, failure));
    return Ended(StreamFile(*this, address, upload));
}

int TnavrilDataModule::SendFileBySocket(const std::string& address, const std::string& fileName,
                                        TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                        TGaugeControl& gauge, TLabelControl& statusLabel) {
    LastFailureCause.clear();
    BeginReport(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    TUploadFile upload = OpenUploadFile(fileName);
    SetPhase(TPhase::Connecting, TCursor::HourGlass);
    if (!upload.file) return Ended(NetworkOperationFailed(*this, upload.failure));
    // The caller issued the update request and waited; its refusal ends the send here too.
    std::string failure = UpdateRequestFailure(address);
    if (!failure.empty()) return Ended(NetworkOperationFailed(*this, failure));
    return Ended(StreamFile(*this, address, upload));
}

int TnavrilDataModule::DownloadFirmwareByNetwork(
    const std::string& address, const std::string& fileName, const std::string& userName,
    const std::string& password, TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
    TGaugeControl& gauge, TLabelControl& statusLabel) {
    LastFailureCause.clear();
    BeginReport(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    if (!ConfirmedOrCancelled(EngineStrings::ConfirmFirmwareDownload)) {
        return Ended(orCancelled);
    }
    SetPhase(TPhase::Connecting, TCursor::HourGlass);
    // The image goes to a new file beside the destination, which it replaces only once it is
    // complete: a failed download leaves the destination as it was and no partial image behind.
    // A destination that cannot be written, or is no regular file (a folder, a device node),
    // fails before the access point is asked for anything.
    std::optional<TReplacingFile> file;
    try {
        file.emplace(fileName);
    } catch (const EFileError& error) {
        return Ended(NetworkOperationFailed(*this, error.what()));
    }
    KickFirmwareUpdate(address, userName, password, kDownloadPage, std::string());
    PauseAfterRequest();
    std::string failure = UpdateRequestFailure(address);
    if (!failure.empty()) return Ended(NetworkOperationFailed(*this, failure));
    TConnectionGuard connection(ClientSocket);
    ClientSocket.Address = address;
    if (!ClientSocket.OpenWhile(kServiceSliceMs, ProcessMessages)) {
        return Ended(NetworkOperationFailed(*this, PortCause(address, ClientSocket)));
    }
    Report().Percent(0);
    Report().Total(kAssumedDownloadSize);
    ProcessMessages();
    SetPhase(TPhase::Reading, TCursor::HourGlass);
    try {
        TReceived received;
        failure = ReceiveChunks(ClientSocket, *file, NetworkIdleLimitMs, Report(), received);
        // The stream carries no size: an image cut by an orderly close is told only by the
        // firmware check, and must not replace the destination either.
        if (failure.empty()) {
            ReceivedImageLooksWhole(received.head, static_cast<std::uint64_t>(received.bytes),
                                    failure);
        }
        if (!failure.empty()) return Ended(NetworkOperationFailed(*this, failure));
        ClientSocket.Close();
        file->Commit();
    } catch (const EFileError& error) {
        return Ended(NetworkOperationFailed(*this, error.what()));
    }
    SetPhase(TPhase::Finished, TCursor::Default);
    return Ended(orDone);
}
