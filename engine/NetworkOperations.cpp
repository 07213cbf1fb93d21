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

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "CountFormat.h"
#include "EngineStrings.h"
#include "FileError.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
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
};

TUploadFile OpenUploadFile(const std::string& fileName) {
    TUploadFile upload;
    upload.file.reset(std::fopen(fileName.c_str(), "rb"));
    struct stat status {};
    if (upload.file && fstat(fileno(upload.file.get()), &status) == 0 && S_ISREG(status.st_mode)) {
        upload.size = static_cast<double>(status.st_size);
    } else {
        upload.file.reset();
    }
    return upload;
}

// done / total * 100, truncated toward zero; the gauge shows at most 100. A file that grew
// after its size was taken counts as complete rather than dividing by zero.
int GaugePercent(double done, double total) {
    if (total <= 0.0) return done > 0.0 ? 100 : 0;
    double percent = done / total * 100.0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

// Sends one chunk in full. While the connection has no room the window is serviced between
// short waits. False when the connection failed or was closed by the access point, or when no
// byte moved within the idle limit (also part way through the chunk).
bool SendChunk(TClientSocket& socket, const char* chunk, int count, TIdleClock& idle) {
    int sent = 0;
    while (sent < count) {
        int done = socket.SendSome(chunk + sent, count - sent, kServiceSliceMs);
        if (done > 0) {
            sent += done;
            idle.Moved();
            continue;
        }
        if (done != TClientSocket::SocketWouldBlock || idle.Expired()) return false;
        ProcessMessages();
    }
    return true;
}

// Streams the whole file in chunks, showing the sent count and percentage after each. True only
// when every byte of the file went out: a connection found closed before the end means the
// access point has not received the whole image, and that must not pass for a finished update.
// Nor may a file that fails to read, or that ends before its size (cut while it was sent).
bool SendChunks(TClientSocket& socket, std::FILE* file, double size, int idleLimitMs,
                TEditControl& proceedSizeEdit, TGaugeControl& gauge) {
    char chunk[kChunkSize];
    double sent = 0.0;
    TIdleClock idle(idleLimitMs);
    for (;;) {
        std::size_t count = std::fread(chunk, 1, sizeof(chunk), file);
        if (count == 0) return std::ferror(file) == 0 && sent >= size;
        if (!socket.Connected()) return false;
        if (!SendChunk(socket, chunk, static_cast<int>(count), idle)) return false;
        sent += static_cast<double>(count);
        proceedSizeEdit.SetText(FormatCount(sent));
        gauge.SetProgress(GaugePercent(sent, size));
        ProcessMessages();
    }
}

// Receives the image until the access point closes the connection (its end marker), appending
// every piece to the file and showing the received count. False when the connection failed
// (a reset is no end marker), nothing arrived within the idle limit, or the file could not take
// the bytes.
bool ReceiveChunks(TClientSocket& socket, TReplacingFile& file, int idleLimitMs,
                   TEditControl& proceedSizeEdit, TGaugeControl& gauge) {
    char chunk[kChunkSize];
    double received = 0.0;
    TIdleClock idle(idleLimitMs);
    for (;;) {
        int count = socket.ReceiveSome(chunk, sizeof(chunk), kServiceSliceMs);
        if (count > 0) {
            idle.Moved();
            received += count;
            proceedSizeEdit.SetText(FormatCount(received));
            gauge.SetProgress(GaugePercent(received, kAssumedDownloadSize));
            file.Append(chunk, static_cast<std::size_t>(count));
        }
        ProcessMessages();
        if (count == 0) return true;
        if (count < 0 && (count != TClientSocket::SocketWouldBlock || idle.Expired())) return false;
    }
}

// Ends a network operation as an error: the connection reset, "error" with the default cursor.
int NetworkOperationFailed(TnavrilDataModule& module, TLabelControl& statusLabel) {
    module.ClientSocket.Abort();
    module.SetStatusText(EngineText(EngineStrings::ErrorOccurred), TCursor::Default, statusLabel);
    return orError;
}

// The sending half shared by the upload and the filter write-back: connect, show the size,
// stream the open file, close the connection in order to mark the end, "finished".
int StreamFile(TnavrilDataModule& module, const std::string& address, TUploadFile& upload,
               TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit, TGaugeControl& gauge,
               TLabelControl& statusLabel) {
    TClientSocket& socket = module.ClientSocket;
    TConnectionGuard connection(socket);
    socket.Address = address;
    if (!socket.OpenWhile(kServiceSliceMs, ProcessMessages)) {
        return NetworkOperationFailed(module, statusLabel);
    }
    gauge.SetProgress(0);
    totalSizeEdit.SetText(FormatCount(upload.size));
    ProcessMessages();
    module.SetStatusText(EngineText(EngineStrings::Writing), TCursor::HourGlass, statusLabel);
    if (!SendChunks(socket, upload.file.get(), upload.size, module.NetworkIdleLimitMs,
                    proceedSizeEdit, gauge)) {
        return NetworkOperationFailed(module, statusLabel);
    }
    socket.Close();  // the orderly end of the connection is the end of the image
    upload.file.reset();
    module.SetStatusText(EngineText(EngineStrings::Finished), TCursor::Default, statusLabel);
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

bool TnavrilDataModule::UpdateRequestRefused() {
    // A reply that has arrived is handed over now. Only a refused login counts: an access point
    // may answer the request with nothing at all, or later than the pause.
    CheckSynchronize();
    bool refused = kickReply_ == TKickReply::Answered && !kickReplyText_.empty() &&
                   !IsAuthorizedResponse(kickReplyText_);
    // A reply arriving from now on belongs to a request whose transfer has gone its way.
    kickReply_ = TKickReply::None;
    kickReplyText_.clear();
    return refused;
}

int TnavrilDataModule::UploadFirmwareByNetwork(
    const std::string& address, const std::string& fileName, const std::string& userName,
    const std::string& password, bool keepUserSetting, TEditControl& totalSizeEdit,
    TEditControl& proceedSizeEdit, TGaugeControl& gauge, TLabelControl& statusLabel) {
    if (!ConfirmedOrCancelled(EngineStrings::ConfirmFirmwareUpdate, statusLabel)) {
        return orCancelled;
    }
    const char* formData = keepUserSetting ? kKeepSettings : kDiscardSettings;
    TUploadFile upload = OpenUploadFile(fileName);
    SetStatusText(EngineText(EngineStrings::Connecting), TCursor::HourGlass, statusLabel);
    if (!upload.file) return NetworkOperationFailed(*this, statusLabel);
    KickFirmwareUpdate(address, userName, password, kUpdatePage, formData);
    // The access point prepares its receiver meanwhile; the window is not serviced.
    SleepMs(KickPauseMs);
    if (UpdateRequestRefused()) return NetworkOperationFailed(*this, statusLabel);
    return StreamFile(*this, address, upload, totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
}

int TnavrilDataModule::SendFileBySocket(const std::string& address, const std::string& fileName,
                                        TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                        TGaugeControl& gauge, TLabelControl& statusLabel) {
    TUploadFile upload = OpenUploadFile(fileName);
    SetStatusText(EngineText(EngineStrings::Connecting), TCursor::HourGlass, statusLabel);
    // The caller issued the update request and waited; its refusal ends the send here too.
    if (!upload.file || UpdateRequestRefused()) return NetworkOperationFailed(*this, statusLabel);
    return StreamFile(*this, address, upload, totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
}

int TnavrilDataModule::DownloadFirmwareByNetwork(
    const std::string& address, const std::string& fileName, const std::string& userName,
    const std::string& password, TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
    TGaugeControl& gauge, TLabelControl& statusLabel) {
    if (!ConfirmedOrCancelled(EngineStrings::ConfirmFirmwareDownload, statusLabel)) {
        return orCancelled;
    }
    SetStatusText(EngineText(EngineStrings::Connecting), TCursor::HourGlass, statusLabel);
    // The image goes to a new file beside the destination, which it replaces only once it is
    // complete: a failed download leaves the destination as it was and no partial image behind.
    // A destination that cannot be written, or is no regular file (a folder, a device node),
    // fails before the access point is asked for anything.
    std::optional<TReplacingFile> file;
    try {
        file.emplace(fileName);
    } catch (const EFileError&) {
        return NetworkOperationFailed(*this, statusLabel);
    }
    KickFirmwareUpdate(address, userName, password, kDownloadPage, std::string());
    SleepMs(KickPauseMs);
    if (UpdateRequestRefused()) return NetworkOperationFailed(*this, statusLabel);
    TConnectionGuard connection(ClientSocket);
    ClientSocket.Address = address;
    if (!ClientSocket.OpenWhile(kServiceSliceMs, ProcessMessages)) {
        return NetworkOperationFailed(*this, statusLabel);
    }
    gauge.SetProgress(0);
    totalSizeEdit.SetText(FormatCount(kAssumedDownloadSize));
    ProcessMessages();
    SetStatusText(EngineText(EngineStrings::Reading), TCursor::HourGlass, statusLabel);
    try {
        if (!ReceiveChunks(ClientSocket, *file, NetworkIdleLimitMs, proceedSizeEdit, gauge)) {
            return NetworkOperationFailed(*this, statusLabel);
        }
        ClientSocket.Close();
        file->Commit();
    } catch (const EFileError&) {
        return NetworkOperationFailed(*this, statusLabel);
    }
    SetStatusText(EngineText(EngineStrings::Finished), TCursor::Default, statusLabel);
    return orDone;
}
