// The serial firmware and BIOS operations of the data module (the MAC address setting is in
// SetupOperation.cpp), and the loader upload they all begin with. Each asks the user to switch the
// access point off, then hands the operation's loader program to the boot code on a loader thread
// while the user switches it on, serving the thread's reports until it has ended; the firmware
// and BIOS operations then run the transfer thread with the loader.
#include <memory>
#include <system_error>

#include "Dmod.h"
#include "EngineStrings.h"
#include "Loader.h"
#include "LoaderNames.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
#include "ThFupd.h"
#include "TransferCodes.h"
#include "WorkerErrorTexts.h"

namespace {

// How often the window's messages are processed while the access point has not answered yet.
constexpr int kHandshakeMessagesMs = 50;

}  // namespace

int TnavrilDataModule::UploadFirmwareBySerial(const std::string& portName,
                                              const std::string& fileName,
                                              TEditControl& totalSizeEdit,
                                              TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                              TLabelControl& statusLabel) {
    BeginReport(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    return Ended(RunSerialTransfer(portName, kFirmwareLoader, fileName, tmUpload));
}

int TnavrilDataModule::DownloadFirmwareBySerial(const std::string& portName,
                                                const std::string& fileName,
                                                TEditControl& totalSizeEdit,
                                                TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                                TLabelControl& statusLabel) {
    BeginReport(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    return Ended(RunSerialTransfer(portName, kFirmwareLoader, fileName, tmDownload));
}

int TnavrilDataModule::UpdateBiosBySerial(const std::string& portName, const std::string& fileName,
                                          TEditControl& totalSizeEdit,
                                          TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                          TLabelControl& statusLabel) {
    BeginReport(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    return Ended(RunSerialTransfer(portName, kBiosLoader, fileName, tmBios));
}

int TnavrilDataModule::RunSerialTransfer(const std::string& portName, const char* loaderName,
                                         const std::string& fileName, TTransferMode mode) {
    if (!ConfirmedOrCancelled(EngineStrings::ConfirmPowerOff)) return orCancelled;
    // A download whose destination cannot be written fails now, with the transfer's own
    // message, not after the access point was restarted and the loader sent.
    if (mode == tmDownload && !CanReplace(fileName)) {
        dialogs_.ExclamationError(EngineText(TransferErrorText(teFileOpen)));
        WorkerFailed = 1;
        return SerialOperationFailed();
    }
    if (!SendLoader(portName, loaderName)) return SerialOperationFailed();
    if (!RunTransfer(portName, fileName, mode)) return SerialOperationFailed();
    SetPhase(TPhase::Finished, TCursor::Default);
    return orDone;
}

bool TnavrilDataModule::RunTransfer(const std::string& portName, const std::string& fileName,
                                    TTransferMode mode) {
    auto transfer = std::make_unique<TThFupd>(Dmod->rs232c1);
    transfer->FileName = fileName;
    transfer->PortName = portName;
    transfer->Mode = mode;
    transfer->Timeouts = TransferTimeouts;
    transfer->OnStatus = [this](TThread* sender, TransferStatus status, std::int32_t percent,
                                std::int32_t doneBytes, TransferError errorCode,
                                std::int32_t totalBytes) {
        TransferProgress(sender, status, percent, doneBytes, errorCode, totalBytes);
    };
    TransferThread = transfer.get();
    try {
        transfer->Start();
    } catch (const std::system_error&) {
        TransferThread = nullptr;
        return false;
    }
    try {
        WaitForWorkerServingQueue(*transfer);
    } catch (...) {
        // As with the loader: stop the thread and serve its reports until it has ended.
        transfer->Terminate();
        WaitForWorkerServingQueue(*transfer);
        TransferThread = nullptr;
        throw;
    }
    TransferThread = nullptr;
    transfer.reset();
    return WorkerFailed == 0;
}

bool TnavrilDataModule::SendLoader(const std::string& portName, const char* loaderName) {
    handshakeCancelled_ = false;
    // Without the serial data module there is no port to send the loader through.
    if (Dmod == nullptr) return false;

    auto loader = std::make_unique<TThSendLoader>(Dmod->rs232c1);
    loader->LoaderFile = LoaderFolder + loaderName;
    loader->SerialPortName = portName;
    loader->OnStatus = [this](TThread* sender, TLoaderState state, int percent,
                              TLoaderError errorCode) {
        LoaderProgress(sender, state, percent, errorCode);
    };
    LoaderThread = loader.get();
    try {
        loader->Start();
    } catch (const std::system_error&) {
        // No thread could be made: no report will come, so the last run's outcome must not
        // stand for this one.
        LoaderThread = nullptr;
        return false;
    }
    try {
        Report().Prompt(TPrompt::PowerOn);
        ProcessMessages();
        WaitForLoader(*loader);
    } catch (...) {
        // Leaving early would wait for a thread that waits for us to run its report: stop it
        // and serve its reports until it has ended.
        if (OnHandshakeCancelable) OnHandshakeCancelable(false);
        loader->Terminate();
        WaitForWorkerServingQueue(*loader);
        LoaderThread = nullptr;
        throw;
    }
    LoaderThread = nullptr;
    loader.reset();
    return WorkerFailed == 0;
}

void TnavrilDataModule::WaitForLoader(TThSendLoader& loader) {
    // Until the access point answers, the window stays responsive: its Cancel button may end
    // the wait, which with a dead adapter or a switched-off access point lasts twenty minutes.
    if (OnHandshakeCancelable) OnHandshakeCancelable(true);
    while (loader.WaitingForAnswer() && !loader.Finished()) {
        ProcessMessages();
        WaitForQueueActivity(kHandshakeMessagesMs);
    }
    if (OnHandshakeCancelable) OnHandshakeCancelable(false);
    WaitForWorkerServingQueue(loader);
}

void TnavrilDataModule::CancelHandshake() {
    if (LoaderThread && LoaderThread->CancelHandshake()) handshakeCancelled_ = true;
}

int TnavrilDataModule::SerialOperationFailed() {
    if (handshakeCancelled_) {
        handshakeCancelled_ = false;
        SetPhase(TPhase::Cancelled, TCursor::Default);
        return orCancelled;
    }
    SetPhase(TPhase::Failed, TCursor::Default);
    return orError;
}
