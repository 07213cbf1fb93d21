// Forwarding of the wizard's operation calls to the operations data module.
#include "DataModuleRunner.h"

#include <utility>

#include "DiagnosticLog.h"
#include "NavrilDataModule.h"

namespace {

// Runs one operation between two lines of the diagnostic log: what starts (never a password)
// and its result (0 finished, 1 error, 2 cancelled).
template <typename Operation>
int Logged(const std::string& what, Operation operation) {
    LogLine("operation", what);
    const int result = operation();
    LogLine("operation", what.substr(0, what.find(' ')) + " result " + std::to_string(result));
    return result;
}

}  // namespace

int TDataModuleRunner::UploadFirmwareByNetwork(
    const std::string& address, const std::string& fileName, const std::string& userName,
    const std::string& password, bool keepUserSetting, TEditControl& totalSizeEdit,
    TEditControl& proceedSizeEdit, TGaugeControl& gauge, TLabelControl& statusLabel) {
    return Logged("UploadFirmwareByNetwork " + address + " " + fileName + " user " + userName, [&] {
        return dataModule_.UploadFirmwareByNetwork(address, fileName, userName, password,
                                                   keepUserSetting, totalSizeEdit, proceedSizeEdit,
                                                   gauge, statusLabel);
    });
}

int TDataModuleRunner::DownloadFirmwareByNetwork(
    const std::string& address, const std::string& fileName, const std::string& userName,
    const std::string& password, TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
    TGaugeControl& gauge, TLabelControl& statusLabel) {
    return Logged(
        "DownloadFirmwareByNetwork " + address + " " + fileName + " user " + userName, [&] {
            return dataModule_.DownloadFirmwareByNetwork(address, fileName, userName, password,
                                                         totalSizeEdit, proceedSizeEdit, gauge,
                                                         statusLabel);
        });
}

int TDataModuleRunner::UploadFirmwareBySerial(const std::string& portName,
                                              const std::string& fileName,
                                              TEditControl& totalSizeEdit,
                                              TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                              TLabelControl& statusLabel) {
    return Logged("UploadFirmwareBySerial " + portName + " " + fileName, [&] {
        return dataModule_.UploadFirmwareBySerial(portName, fileName, totalSizeEdit,
                                                  proceedSizeEdit, gauge, statusLabel);
    });
}

int TDataModuleRunner::DownloadFirmwareBySerial(const std::string& portName,
                                                const std::string& fileName,
                                                TEditControl& totalSizeEdit,
                                                TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                                TLabelControl& statusLabel) {
    return Logged("DownloadFirmwareBySerial " + portName + " " + fileName, [&] {
        return dataModule_.DownloadFirmwareBySerial(portName, fileName, totalSizeEdit,
                                                    proceedSizeEdit, gauge, statusLabel);
    });
}

int TDataModuleRunner::SetMacAddressBySerial(const std::string& portName,
                                             TEditControl& totalSizeEdit,
                                             TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                             TLabelControl& statusLabel) {
    return Logged("SetMacAddressBySerial " + portName, [&] {
        return dataModule_.SetMacAddressBySerial(portName, totalSizeEdit, proceedSizeEdit, gauge,
                                                 statusLabel);
    });
}

int TDataModuleRunner::UpdateBiosBySerial(const std::string& portName, const std::string& fileName,
                                          TEditControl& totalSizeEdit,
                                          TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                          TLabelControl& statusLabel) {
    return Logged("UpdateBiosBySerial " + portName + " " + fileName, [&] {
        return dataModule_.UpdateBiosBySerial(portName, fileName, totalSizeEdit, proceedSizeEdit,
                                              gauge, statusLabel);
    });
}

int TDataModuleRunner::SendFileBySocket(const std::string& address, const std::string& fileName,
                                        TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                        TGaugeControl& gauge, TLabelControl& statusLabel) {
    return Logged("SendFileBySocket " + address + " " + fileName, [&] {
        return dataModule_.SendFileBySocket(address, fileName, totalSizeEdit, proceedSizeEdit,
                                            gauge, statusLabel);
    });
}

void TDataModuleRunner::KickFirmwareUpdate(const std::string& address, const std::string& userName,
                                           const std::string& password, const std::string& pageName,
                                           const std::string& formData) {
    dataModule_.KickFirmwareUpdate(address, userName, password, pageName, formData);
}

void TDataModuleRunner::SetCancelableHook(std::function<void(bool)> hook) {
    dataModule_.OnHandshakeCancelable = std::move(hook);
}

void TDataModuleRunner::CancelOperation() { dataModule_.CancelHandshake(); }

std::string TDataModuleRunner::LastFailureCause() const { return dataModule_.LastFailureCause; }
