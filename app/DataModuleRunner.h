// TDataModuleRunner: the program's TOperationRunner, handing each call to the one
// TnavrilDataModule.
#pragma once

#include "OperationRunner.h"

class TnavrilDataModule;

class TDataModuleRunner : public TOperationRunner {
public:
    explicit TDataModuleRunner(TnavrilDataModule& dataModule) : dataModule_(dataModule) {}

    int UploadFirmwareByNetwork(const std::string& address, const std::string& fileName,
                                const std::string& userName, const std::string& password,
                                bool keepUserSetting, TEditControl& totalSizeEdit,
                                TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                TLabelControl& statusLabel) override;
    int DownloadFirmwareByNetwork(const std::string& address, const std::string& fileName,
                                  const std::string& userName, const std::string& password,
                                  TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                  TGaugeControl& gauge, TLabelControl& statusLabel) override;
    int UploadFirmwareBySerial(const std::string& portName, const std::string& fileName,
                               TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                               TGaugeControl& gauge, TLabelControl& statusLabel) override;
    int DownloadFirmwareBySerial(const std::string& portName, const std::string& fileName,
                                 TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                 TGaugeControl& gauge, TLabelControl& statusLabel) override;
    int SetMacAddressBySerial(const std::string& portName, TEditControl& totalSizeEdit,
                              TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                              TLabelControl& statusLabel) override;
    int UpdateBiosBySerial(const std::string& portName, const std::string& fileName,
                           TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                           TGaugeControl& gauge, TLabelControl& statusLabel) override;
    int SendFileBySocket(const std::string& address, const std::string& fileName,
                         TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                         TGaugeControl& gauge, TLabelControl& statusLabel) override;
    void KickFirmwareUpdate(const std::string& address, const std::string& userName,
                            const std::string& password, const std::string& pageName,
                            const std::string& formData) override;
    std::string LastFailureCause() const override;
    void SetCancelableHook(std::function<void(bool)> hook) override;
    void CancelOperation() override;

private:
    TnavrilDataModule& dataModule_;
};
