// The serial firmware and BIOS operations of the data module (the MAC address setting is in
// SetupOperation.cpp), and the loader upload they all begin with. Each asks the user to switch the
// access point off, then hands the operation's loader program to the boot code on a loader thread
// while the user switches it on, serving the thread's reports until it has ended.
#include <memory>
#include <system_error>

#include "Dmod.h"
#include "EngineStrings.h"
#include "Loader.h"
#include "NavrilDataModule.h"

namespace {

// The loader programs kept beside the program, one per kind of second phase.
constexpr char kFirmwareLoader[] = "orbaflwr.com";
constexpr char kBiosLoader[] = "nvbioupd.com";

}  // namespace

int TnavrilDataModule::UploadFirmwareBySerial(const std::string& portName,
                                              const std::string& /*fileName*/,
                                              TEditControl& totalSizeEdit,
                                              TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                              TLabelControl& statusLabel) {
    return RunSerialTransfer(portName, kFirmwareLoader, totalSizeEdit, proceedSizeEdit, gauge,
                             statusLabel);
}

int TnavrilDataModule::DownloadFirmwareBySerial(const std::string& portName,
                                                const std::string& /*fileName*/,
                                                TEditControl& totalSizeEdit,
                                                TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                                TLabelControl& statusLabel) {
    return RunSerialTransfer(portName, kFirmwareLoader, totalSizeEdit, proceedSizeEdit, gauge,
                             statusLabel);
}

int TnavrilDataModule::UpdateBiosBySerial(const std::string& portName,
                                          const std::string& /*fileName*/,
                                          TEditControl& totalSizeEdit,
                                          TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                          TLabelControl& statusLabel) {
    return RunSerialTransfer(portName, kBiosLoader, totalSizeEdit, proceedSizeEdit, gauge,
                             statusLabel);
}

int TnavrilDataModule::RunSerialTransfer(const std::string& portName, const char* loaderName,
                                         TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                         TGaugeControl& gauge, TLabelControl& statusLabel) {
    if (!ConfirmedOrCancelled(EngineStrings::ConfirmPowerOff, statusLabel)) return orCancelled;
    StoreControls(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    if (!SendLoader(portName, loaderName, statusLabel)) return SerialOperationFailed(statusLabel);
    // The second phase, the transfer thread that moves the image with the loader, is not part
    // of this build: nothing was transferred, so the operation cannot end as a success.
    return SerialOperationFailed(statusLabel);
}

bool TnavrilDataModule::SendLoader(const std::string& portName, const char* loaderName,
                                   TLabelControl& statusLabel) {
    // Without the serial data module there is no port to send the loader through.
    if (Dmod == nullptr) return false;

    auto loader = std::make_unique<TThSendLoader>(Dmod->rs232c1);
    loader->LoaderFile = LoaderFolder + loaderName;
    loader->SerialPortName = portName;
    loader->OnStatus = [this](TThread* sender, std::uint8_t state, int percent,
                              std::uint8_t errorCode) {
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
        statusLabel.SetText(EngineText(EngineStrings::PowerOn));
        ProcessMessages();
        WaitForWorkerServingQueue(*loader);
    } catch (...) {
        // Leaving early would wait for a thread that waits for us to run its report: stop it
        // and serve its reports until it has ended.
        loader->Terminate();
        WaitForWorkerServingQueue(*loader);
        LoaderThread = nullptr;
        throw;
    }
    LoaderThread = nullptr;
    loader.reset();
    return WorkerFailed == 0;
}

int TnavrilDataModule::SerialOperationFailed(TLabelControl& statusLabel) {
    SetStatusText(EngineText(EngineStrings::ErrorOccurred), TCursor::Default, statusLabel);
    return orError;
}
