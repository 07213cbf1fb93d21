// The four network operations of the data module. The access point is driven in two steps: an
// HTTP request to one of its pages (KickFirmUpload, whose reply is never read) tells it what to
// do, and after a fixed pause the image travels as a raw byte stream over ClientSocket, port
// 8765, whose end is the end of the connection. Everything runs on the user interface thread;
// the window is serviced by one pass of message processing per chunk.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "CountFormat.h"
#include "EngineStrings.h"
#include "NavrilDataModule.h"

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
// Wait before a chunk that found no room in the connection is offered again.
constexpr int kResendPauseMs = 1000;

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

// Closes the connection on every way out of an operation.
class TConnectionGuard {
public:
    explicit TConnectionGuard(TClientSocket& socket) : socket_(socket) {}
    ~TConnectionGuard() { socket_.Close(); }
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

// Size of the named file itself (0 when it cannot be examined). The name is taken as it is:
// on this system a file name may hold "*" or "?", which a pattern lookup would misread.
double FileSizeOf(const std::string& fileName) {
    struct stat status {};
    if (stat(fileName.c_str(), &status) != 0) return 0.0;
    return static_cast<double>(status.st_size);
}

// done / total * 100, truncated toward zero; the gauge shows at most 100. A file that grew
// after its size was taken counts as complete rather than dividing by zero.
int GaugePercent(double done, double total) {
    if (total <= 0.0) return done > 0.0 ? 100 : 0;
    double percent = done / total * 100.0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

// Sends one chunk in full. When not a byte finds room, the window is serviced, the chunk waits
// a second and is offered again, as often as needed. False when the connection failed or was
// closed by the access point, or when no room came within the idle limit.
bool SendChunk(TClientSocket& socket, const char* chunk, int count, int idleLimitMs) {
    TIdleClock idle(idleLimitMs);
    for (;;) {
        int sent = socket.SendBuf(chunk, count);
        if (sent == count) return true;
        if (sent != TClientSocket::SocketWouldBlock || idle.Expired()) return false;
        ProcessMessages();
        SleepMs(kResendPauseMs);
    }
}

// Streams the whole file in chunks, showing the sent count and percentage after each. True only
// when every byte of the file went out: a connection found closed before the end means the
// access point has not received the whole image, and that must not pass for a finished update.
bool SendChunks(TClientSocket& socket, std::FILE* file, double size, int idleLimitMs,
                TEditControl& proceedSizeEdit, TGaugeControl& gauge) {
    char chunk[kChunkSize];
    double sent = 0.0;
    for (;;) {
        std::size_t count = std::fread(chunk, 1, sizeof(chunk), file);
        if (count == 0) return std::ferror(file) == 0;
        if (!socket.Connected()) return false;
        if (!SendChunk(socket, chunk, static_cast<int>(count), idleLimitMs)) return false;
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
bool ReceiveChunks(TClientSocket& socket, std::FILE* file, int idleLimitMs,
                   TEditControl& proceedSizeEdit, TGaugeControl& gauge) {
    char chunk[kChunkSize];
    double received = 0.0;
    TIdleClock idle(idleLimitMs);
    for (;;) {
        int count = socket.ReceiveBuf(chunk, sizeof(chunk));
        if (count > 0) {
            idle.Moved();
            received += count;
            proceedSizeEdit.SetText(FormatCount(received));
            gauge.SetProgress(GaugePercent(received, kAssumedDownloadSize));
            if (std::fwrite(chunk, 1, static_cast<std::size_t>(count), file) !=
                static_cast<std::size_t>(count)) {
                return false;
            }
        }
        ProcessMessages();
        if (count == 0) return true;
        if (count < 0 && (count != TClientSocket::SocketWouldBlock || idle.Expired())) return false;
    }
}

// Ends a network operation as an error: the connection closed, "error" with the default cursor.
int NetworkOperationFailed(TnavrilDataModule& module, TLabelControl& statusLabel) {
    module.ClientSocket.Close();
    module.SetStatusText(EngineText(EngineStrings::ErrorOccurred), TCursor::Default, statusLabel);
    return orError;
}

// The sending half shared by the upload and the filter write-back: connect, show the size,
// stream the file, close the connection to mark the end, "finished".
int StreamFile(TnavrilDataModule& module, const std::string& address, const std::string& fileName,
               TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit, TGaugeControl& gauge,
               TLabelControl& statusLabel) {
    TClientSocket& socket = module.ClientSocket;
    const double size = FileSizeOf(fileName);
    // The file is opened before connecting: a file that cannot be read must not reach the
    // access point as an empty image.
    TFile file(std::fopen(fileName.c_str(), "rb"));
    if (!file) return NetworkOperationFailed(module, statusLabel);
    TConnectionGuard connection(socket);
    socket.Address = address;
    if (!socket.Open()) return NetworkOperationFailed(module, statusLabel);
    gauge.SetProgress(0);
    totalSizeEdit.SetText(FormatCount(size));
    ProcessMessages();
    module.SetStatusText(EngineText(EngineStrings::Writing), TCursor::HourGlass, statusLabel);
    if (!SendChunks(socket, file.get(), size, module.NetworkIdleLimitMs, proceedSizeEdit, gauge)) {
        return NetworkOperationFailed(module, statusLabel);
    }
    socket.Close();  // the end of the connection is the end of the image
    file.reset();
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
    // The outcome is never looked at; only the transfer on port 8765 can fail.
    KickFirmUpload.StartRequest();
}

int TnavrilDataModule::UploadFirmwareByNetwork(
    const std::string& address, const std::string& fileName, const std::string& userName,
    const std::string& password, bool keepUserSetting, TEditControl& totalSizeEdit,
    TEditControl& proceedSizeEdit, TGaugeControl& gauge, TLabelControl& statusLabel) {
    if (!ConfirmedOrCancelled(EngineStrings::ConfirmFirmwareUpdate, statusLabel)) {
        return orCancelled;
    }
    const char* formData = keepUserSetting ? kKeepSettings : kDiscardSettings;
    SetStatusText(EngineText(EngineStrings::Connecting), TCursor::HourGlass, statusLabel);
    KickFirmwareUpdate(address, userName, password, kUpdatePage, formData);
    // The access point prepares its receiver meanwhile; the window is not serviced.
    SleepMs(KickPauseMs);
    return StreamFile(*this, address, fileName, totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
}

int TnavrilDataModule::SendFileBySocket(const std::string& address, const std::string& fileName,
                                        TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                        TGaugeControl& gauge, TLabelControl& statusLabel) {
    SetStatusText(EngineText(EngineStrings::Connecting), TCursor::HourGlass, statusLabel);
    return StreamFile(*this, address, fileName, totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
}

int TnavrilDataModule::DownloadFirmwareByNetwork(
    const std::string& address, const std::string& fileName, const std::string& userName,
    const std::string& password, TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
    TGaugeControl& gauge, TLabelControl& statusLabel) {
    if (!ConfirmedOrCancelled(EngineStrings::ConfirmFirmwareDownload, statusLabel)) {
        return orCancelled;
    }
    SetStatusText(EngineText(EngineStrings::Connecting), TCursor::HourGlass, statusLabel);
    KickFirmwareUpdate(address, userName, password, kDownloadPage, std::string());
    SleepMs(KickPauseMs);
    TConnectionGuard connection(ClientSocket);
    ClientSocket.Address = address;
    if (!ClientSocket.Open()) return NetworkOperationFailed(*this, statusLabel);
    // The image is stored exactly as received; a failure keeps what was written so far.
    TFile file(std::fopen(fileName.c_str(), "wb"));
    if (!file) return NetworkOperationFailed(*this, statusLabel);
    gauge.SetProgress(0);
    totalSizeEdit.SetText(FormatCount(kAssumedDownloadSize));
    ProcessMessages();
    SetStatusText(EngineText(EngineStrings::Reading), TCursor::HourGlass, statusLabel);
    bool received =
        ReceiveChunks(ClientSocket, file.get(), NetworkIdleLimitMs, proceedSizeEdit, gauge);
    ClientSocket.Close();
    // Buffered bytes reach the disk only when the file is closed; a failure there is a failure
    // of the download too.
    bool written = std::fclose(file.release()) == 0;
    if (!received || !written) return NetworkOperationFailed(*this, statusLabel);
    SetStatusText(EngineText(EngineStrings::Finished), TCursor::Default, statusLabel);
    return orDone;
}
