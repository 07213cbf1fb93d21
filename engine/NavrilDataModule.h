// TnavrilDataModule: the operations data module, the wizard's single entry into the work. One
// method per operation runs the whole operation on the user interface thread, keeps the window
// painted by processing pending messages at fixed points, writes its progress into the four
// status controls it is given, and returns an OperationResult. The two report handlers turn
// worker-thread reports (delivered through Synchronize) into status-page updates and error
// boxes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ClientSocket.h"
#include "Dialogs.h"
#include "FileSystem.h"
#include "FirmwareDialogue.h"
#include "HttpGet.h"
#include "LoaderDialogue.h"
#include "MainThread.h"
#include "StatusControls.h"
#include "StatusPageReport.h"
#include "UserFolders.h"

class TDmod;
class TEthernetSetup;
class TThSendLoader;
class TThFupd;
class TThread;

class TnavrilDataModule {
public:
    explicit TnavrilDataModule(TDialogs& dialogs);
    ~TnavrilDataModule();

    // The network transfers' components: the blocking TCP client for the image stream (port
    // 8765; its address is set before each use) and the HTTP request that arms the access
    // point's side ("*/*", agent "Quarnel HTTPGet", text mode, no cache, not waited for; its
    // reply is looked at only for a refused login, see KickFirmwareUpdate).
    TClientSocket ClientSocket;
    THTTPGet KickFirmUpload;
    // Pause between the HTTP request and the connection to port 8765, in which the access point
    // prepares its side.
    int KickPauseMs = 2000;
    // The pause itself: a plain sleep unless a front end sets a wait of its own (tivra-cli
    // wakes from it at once for Ctrl-C, by throwing out of the operation).
    std::function<void(int milliseconds)> KickPause;
    // Why the last network operation ended as an error, in a line for the person (the
    // system's reason where there is one: "port 8765 of 192.168.0.1: Connection refused");
    // empty after a success or a cancel. The wizard shows it as the error box's detail.
    std::string LastFailureCause;
    // Longest time a transfer on port 8765 may move no byte at all before it counts as failed,
    // in either direction and also in the middle of a chunk. A chunk that finds no room, or a
    // receive that finds nothing, is retried until then; an access point that went silent must
    // not keep the window busy and unclosable for ever.
    int NetworkIdleLimitMs = 120000;

    // 1 when the last worker run ended with a failure report, 0 after a success report.
    std::int32_t WorkerFailed = 0;

    // A front end's listener for the typed progress of every operation (not owned): it gets
    // each event the status page gets (tivra-cli's views). Null for the wizard, whose status
    // page is written through the four controls each operation is given.
    TOperationReport* Listener = nullptr;

    // The loader thread of the running serial operation (owned by the operation), else null.
    TThSendLoader* LoaderThread = nullptr;

    // The serial data module with the port rs232c1. It is created after this module, so the
    // program sets it once both exist; without it the serial operations end as errors.
    TDmod* Dmod = nullptr;
    // The Ethernet controller setup dialog, which the MAC address setting runs once its loader
    // is on the access point. The program sets it at start; without it that operation ends as
    // an error.
    TEthernetSetup* Dlg8019Setup = nullptr;
    // Folder the loader programs are read from, with a trailing "/": the program's own folder.
    std::string LoaderFolder = ProgramDataFolder();

    // --- Serial firmware transfer and the way out of the handshake ---
    // The transfer thread of the running serial operation (owned by the operation), else null.
    TThFupd* TransferThread = nullptr;
    // Time limits of the transfer's steps (tests shorten them).
    TTransferTimeouts TransferTimeouts;
    // Told true while a serial operation waits for the access point's first answer, when the
    // user may abandon it (CancelHandshake), and false once that wait is over. The wizard
    // enables its Cancel button meanwhile.
    std::function<void(bool)> OnHandshakeCancelable;
    // Abandons the running serial operation while its loader still waits for the access
    // point's first answer: the operation then ends as cancelled. Does nothing once the answer
    // came (from then on nothing may interrupt the flash work) or when no operation runs.
    void CancelHandshake();
    // --- end of the serial firmware transfer block ---

    int UploadFirmwareByNetwork(const std::string& address, const std::string& fileName,
                                const std::string& userName, const std::string& password,
                                bool keepUserSetting, TEditControl& totalSizeEdit,
                                TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                TLabelControl& statusLabel);
    int DownloadFirmwareByNetwork(const std::string& address, const std::string& fileName,
                                  const std::string& userName, const std::string& password,
                                  TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                  TGaugeControl& gauge, TLabelControl& statusLabel);
    int UploadFirmwareBySerial(const std::string& portName, const std::string& fileName,
                               TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                               TGaugeControl& gauge, TLabelControl& statusLabel);
    int DownloadFirmwareBySerial(const std::string& portName, const std::string& fileName,
                                 TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                 TGaugeControl& gauge, TLabelControl& statusLabel);
    int SetMacAddressBySerial(const std::string& portName, TEditControl& totalSizeEdit,
                              TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                              TLabelControl& statusLabel);
    int UpdateBiosBySerial(const std::string& portName, const std::string& fileName,
                           TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                           TGaugeControl& gauge, TLabelControl& statusLabel);
    // Sends a file to TCP port 8765 of the access point: 0 done, 1 error.
    int SendFileBySocket(const std::string& address, const std::string& fileName,
                         TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                         TGaugeControl& gauge, TLabelControl& statusLabel);
    // Starts the HTTP request that prepares the access point for a transfer; returns at once.
    void KickFirmwareUpdate(const std::string& address, const std::string& userName,
                            const std::string& password, const std::string& pageName,
                            const std::string& formData);

    // Sets the label, the screen cursor, and processes pending messages once.
    void SetStatusText(const std::string& text, TCursor cursor, TLabelControl& label);
    // The same for a phase of the running operation, reported to the status page and to the
    // listener.
    void SetPhase(TPhase phase, TCursor cursor);
    // The running operation's report: its status page and the listener.
    TOperationReport& Report();
    // Makes the four status controls the page the report writes; every operation does it at
    // its start with the controls it is given.
    void BeginReport(TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                     TGaugeControl& gauge, TLabelControl& statusLabel);

    // Report handlers, run on the user interface thread.
    void LoaderProgress(TThread* sender, TLoaderState state, int percent, TLoaderError errorCode);
    void TransferProgress(TThread* sender, TransferStatus status, std::int32_t percent,
                          std::int32_t doneBytes, TransferError errorCode, std::int32_t totalBytes);

    TDialogs& Dialogs() { return dialogs_; }

private:
    // Asks the OK/Cancel question (UTF-8 text of the engine's table); true on OK.
    bool Confirmed(const char* question);
    // Asks the question; when declined, shows "cancelled" with the default cursor.
    bool ConfirmedOrCancelled(const char* question);
    // The serial firmware and BIOS operations: question, loader, transfer.
    int RunSerialTransfer(const std::string& portName, const char* loaderName,
                          const std::string& fileName, TTransferMode mode);
    // Hands the named loader to the boot code on the port and waits for the loader thread,
    // serving its reports; true when its last report was a success.
    bool SendLoader(const std::string& portName, const char* loaderName);
    // Shows "error" with the default cursor; the result of a failed serial operation. When the
    // user abandoned the handshake, shows "cancelled" instead and gives 2.
    int SerialOperationFailed();
    // The operation's end for the listener (its result and LastFailureCause); gives result.
    int Ended(int result);
    // Waits for the loader thread; while it waits for the access point's answer, the window's
    // messages are processed too, so that the Cancel button works.
    void WaitForLoader(TThSendLoader& loader);
    // Runs the transfer thread in mode on the file and waits for it, serving its reports; true
    // when its last report was a success.
    bool RunTransfer(const std::string& portName, const std::string& fileName, TTransferMode mode);
    bool handshakeCancelled_ = false;
    void ShowPercent(int percent);
    void ShowCounts(std::int32_t doneBytes, std::int32_t totalBytes);
    // The controls of a report made outside an operation.
    struct TIdleControls {
        TPlainText total, proceed, label;
        TPlainGauge gauge;
    };
    std::unique_ptr<TIdleControls> idle_;
    std::unique_ptr<TStatusPageReport> page_;
    std::unique_ptr<TReportPair> report_;

    TDialogs& dialogs_;

    // The network transfers' view of the last update request's reply: outstanding from
    // KickFirmwareUpdate until the completion arrives (Answered, with the reply text when it
    // had one), and forgotten once a transfer has looked at it.
    enum class TKickReply { None, Outstanding, Answered };
    TKickReply kickReply_ = TKickReply::None;
    std::string kickReplyText_;
    // Serves the main-thread queue once, then tells (and forgets) why the last update request
    // ends the operation: its reply has arrived as a refused login, or it never reached the
    // access point at address. Empty when neither.
    std::string UpdateRequestFailure(const std::string& address);
    // The fixed pause between the update request and port 8765.
    void PauseAfterRequest();
};
