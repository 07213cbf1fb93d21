// The requests' checks and summaries.
#include "OperationRequest.h"

#include "AppStrings.h"
#include "FileSystem.h"
#include "FirmwareFileCheck.h"
#include "Utils.h"

namespace {

bool DecimalAddress(const std::string& typed) { return !NormalizeIPAddress(typed).empty(); }

TSummaryLine Line(const char* caption, const std::string& valueSjis) {
    return {caption, valueSjis, false};
}

TSummaryLine FileLine(const char* caption, const std::string& fileName) {
    return {caption, fileName, true};
}

// The check of an upload's file once the page's fields passed.
TRequestCheck UploadFile(const std::string& fileName) {
    TRequestCheck check;
    if (!IsValidFirmwareFile(fileName)) check.Refusal = AppStrings::InvalidFileSize;
    return check;
}

TRequestCheck Refused(const char* message) {
    TRequestCheck check;
    check.Refusal = message;
    return check;
}

TRequestCheck OverwriteWhenExists(const std::string& fileName) {
    TRequestCheck check;
    check.AskOverwrite = FileExists(fileName);
    return check;
}

}  // namespace

TRequestCheck CheckRequest(const TOperationRequest& r) {
    switch (r.Kind) {
        case OperationKind::UploadNet:
            if (!DecimalAddress(r.Address) || !FileExists(r.FileName) || r.UserName.empty()) {
                return Refused(AppStrings::UploadNetInvalid);
            }
            return UploadFile(r.FileName);
        case OperationKind::DownloadNet:
            if (!DecimalAddress(r.Address) || r.FileName.empty() || r.UserName.empty()) {
                return Refused(AppStrings::DownloadNetInvalid);
            }
            return OverwriteWhenExists(r.FileName);
        case OperationKind::UploadSerial:
            if (r.Port.empty() || !FileExists(r.FileName)) {
                return Refused(AppStrings::UploadSerialInvalid);
            }
            return UploadFile(r.FileName);
        case OperationKind::DownloadSerial:
            if (r.Port.empty() || r.FileName.empty()) {
                return Refused(AppStrings::DownloadSerialInvalid);
            }
            return OverwriteWhenExists(r.FileName);
        case OperationKind::SetMacAddress:
            return r.Port.empty() ? Refused(AppStrings::SetMacAddressInvalid) : TRequestCheck();
        case OperationKind::UpdateBios:
            if (r.Port.empty() || !FileExists(r.FileName)) {
                return Refused(AppStrings::UpdateBiosInvalid);
            }
            return TRequestCheck();
        case OperationKind::MacFilter:
            if (!DecimalAddress(r.Address) || r.UserName.empty()) {
                return Refused(AppStrings::MafConnectInvalid);
            }
            return TRequestCheck();
    }
    return TRequestCheck();
}

std::vector<TSummaryLine> SummaryLines(const TOperationRequest& r) {
    using namespace AppStrings;
    switch (r.Kind) {
        case OperationKind::UploadNet:
            return {Line(AddressLine, NormalizeIPAddress(r.Address)), Line(UserLine, r.UserName),
                    Line(PasswordLine, MaskText(r.Password)), FileLine(FirmwareFileLine, r.FileName),
                    Line(KeepSettingLine,
                         AppText(r.KeepUserSetting ? KeepSetting : DiscardSetting))};
        case OperationKind::DownloadNet:
            return {Line(AddressLine, r.Address), Line(UserLine, r.UserName),
                    Line(PasswordLine, MaskText(r.Password)),
                    FileLine(FirmwareFileLine, r.FileName)};
        case OperationKind::UploadSerial:
        case OperationKind::DownloadSerial:
            return {Line(PortLine, r.Port), FileLine(FirmwareFileLine, r.FileName)};
        case OperationKind::SetMacAddress:
            return {Line(PortLine, r.Port)};
        case OperationKind::UpdateBios:
            return {Line(PortLine, r.Port), FileLine(BiosFileLine, r.FileName)};
        case OperationKind::MacFilter:
            break;
    }
    return {};
}

const char* RequestTitle(OperationKind kind) {
    using namespace AppStrings;
    switch (kind) {
        case OperationKind::UploadNet:
            return UploadNetTitle;
        case OperationKind::DownloadNet:
            return DownloadNetTitle;
        case OperationKind::UploadSerial:
            return UploadSerialTitle;
        case OperationKind::DownloadSerial:
            return DownloadSerialTitle;
        case OperationKind::SetMacAddress:
            return SetMacAddressTitle;
        case OperationKind::UpdateBios:
            return UpdateBiosTitle;
        case OperationKind::MacFilter:
            break;
    }
    return MafTitle;
}
