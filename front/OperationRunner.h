// TOperationRunner: the operations the wizard calls on the operations data module. Each runs to
// its end on the user interface thread, writes the four status controls, and returns an
// OperationResult (0 finished, 1 error, 2 cancelled). The program passes an adapter over
// TnavrilDataModule; tests pass a recording stand-in. Text is Shift_JIS, file names are the
// file system's bytes.
#pragma once

#include <functional>
#include <string>

#include "StatusControls.h"

class TOperationRunner {
public:
    virtual ~TOperationRunner() = default;

    virtual int UploadFirmwareByNetwork(const std::string& address, const std::string& fileName,
                                        const std::string& userName, const std::string& password,
                                        bool keepUserSetting, TEditControl& totalSizeEdit,
                                        TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                        TLabelControl& statusLabel) = 0;
    virtual int DownloadFirmwareByNetwork(const std::string& address, const std::string& fileName,
                                          const std::string& userName, const std::string& password,
                                          TEditControl& totalSizeEdit,
                                          TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                          TLabelControl& statusLabel) = 0;
    virtual int UploadFirmwareBySerial(const std::string& portName, const std::string& fileName,
                                       TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                       TGaugeControl& gauge, TLabelControl& statusLabel) = 0;
    virtual int DownloadFirmwareBySerial(const std::string& portName, const std::string& fileName,
                                         TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                         TGaugeControl& gauge, TLabelControl& statusLabel) = 0;
    virtual int SetMacAddressBySerial(const std::string& portName, TEditControl& totalSizeEdit,
                                      TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                      TLabelControl& statusLabel) = 0;
    virtual int UpdateBiosBySerial(const std::string& portName, const std::string& fileName,
                                   TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                   TGaugeControl& gauge, TLabelControl& statusLabel) = 0;
    // Sends a file to TCP port 8765 of the access point (the filter write-back).
    virtual int SendFileBySocket(const std::string& address, const std::string& fileName,
                                 TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                 TGaugeControl& gauge, TLabelControl& statusLabel) = 0;
    // Starts the HTTP request that prepares the access point for a transfer; returns at once.
    virtual void KickFirmwareUpdate(const std::string& address, const std::string& userName,
                                    const std::string& password, const std::string& pageName,
                                    const std::string& formData) = 0;

    // Why the last operation ended as an error, for the person (UTF-8, the system's reason
    // where there is one); empty when it did not or nothing more is known.
    virtual std::string LastFailureCause() const { return std::string(); }

    // The way out of a serial operation whose access point has not answered yet: the hook is
    // told true while the running operation may be abandoned and false once it may not;
    // CancelOperation abandons it then (and does nothing otherwise).
    virtual void SetCancelableHook(std::function<void(bool)> /*hook*/) {}
    virtual void CancelOperation() {}
};
