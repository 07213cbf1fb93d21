// TNAVRILForm: Next on the confirmation page. The operation's file is looked up once more, the
// status page is entered with every button disabled, the data module's operation runs with the
// parameter page's current values and the four status controls, and its result becomes the
// final message box.
#include <optional>
#include <string>

#include "AppStrings.h"
#include "FileSystem.h"
#include "MainThread.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "OperationRunner.h"
#include "StatusAdapters.h"
#include "SystemError.h"
#include "Utils.h"
#include "WidgetText.h"

namespace {

constexpr int kResultDone = 0;
constexpr int kResultError = 1;
constexpr int kResultCancelled = 2;

}  // namespace

void TNAVRILForm::ExecuteOperation() {
    w_->status.processLabel->setText(FromSjis(OperationTitle));
    OperationKind kind = CheckedOperation();
    if (!RequiredFileExists(kind)) return;
    EnterStatusPage();
    std::optional<std::string> raised;
    int result = RunOperation(kind, raised);
    if (raised)
        dialogs_.Error(*raised);
    else
        ShowResult(kind, result, runner_ ? runner_->LastFailureCause() : std::string());
    SetButtonStates(w_->StatusSheet);
}

// The firmware or BIOS file may have gone since the page check.
bool TNAVRILForm::RequiredFileExists(OperationKind kind) {
    if (kind != OperationKind::UploadNet && kind != OperationKind::UploadSerial &&
        kind != OperationKind::UpdateBios) {
        return true;
    }
    const char* missing = kind == OperationKind::UpdateBios ? AppStrings::BiosFileMissing
                                                             : AppStrings::FirmwareFileMissing;
    if (FileExists(PageRequest(kind).FileName)) return true;
    dialogs_.Error(AppText(missing));
    return false;
}

// Shows the status page and disables all three buttons until the result has been shown; one
// pass of pending messages draws the page.
void TNAVRILForm::EnterStatusPage() {
    SetActivePage(w_->StatusSheet);
    SetButtonStates(w_->StatusSheet);
    w_->frame.BackButton->setEnabled(false);
    w_->frame.CancelButton->setEnabled(false);
    ProcessMessages();
}

// Runs the operation. An error that escapes the data module ends the operation instead of the
// program: one of the system's own errors (the serial port that cannot be used, a setting that
// cannot be converted) with its own message, anything else with the general error text.
int TNAVRILForm::RunOperation(OperationKind kind, std::optional<std::string>& raised) {
    if (!runner_) return kResultError;
    TOperationRunner& run = *runner_;
    TEditControl& total = *totalSizeControl_;
    TEditControl& proceed = *proceedSizeControl_;
    TGaugeControl& gauge = *gaugeControl_;
    TLabelControl& status = *statusLabelControl_;
    operationRunning_ = true;
    int result = kResultError;
    const TOperationRequest r = PageRequest(kind);
    try {
        switch (kind) {
            case OperationKind::UploadNet:
                result = run.UploadFirmwareByNetwork(NormalizeIPAddress(r.Address), r.FileName,
                                                     r.UserName, r.Password, r.KeepUserSetting,
                                                     total, proceed, gauge, status);
                break;
            case OperationKind::DownloadNet:
                result = run.DownloadFirmwareByNetwork(NormalizeIPAddress(r.Address), r.FileName,
                                                       r.UserName, r.Password, total, proceed,
                                                       gauge, status);
                break;
            case OperationKind::UploadSerial:
                result = run.UploadFirmwareBySerial(r.Port, r.FileName, total, proceed, gauge,
                                                    status);
                break;
            case OperationKind::DownloadSerial:
                result = run.DownloadFirmwareBySerial(r.Port, r.FileName, total, proceed, gauge,
                                                      status);
                break;
            case OperationKind::SetMacAddress:
                result = run.SetMacAddressBySerial(r.Port, total, proceed, gauge, status);
                break;
            case OperationKind::UpdateBios:
                result = run.UpdateBiosBySerial(r.Port, r.FileName, total, proceed, gauge, status);
                break;
            case OperationKind::MacFilter:
                break;
        }
    } catch (const ESystemError& error) {
        raised = error.Message();
    } catch (...) {
        raised = AppText(AppStrings::ErrorOccurred);
    }
    operationRunning_ = false;
    return result;
}

// 0 the completion text, 1 the error box, 2 the warning box, anything else nothing. The MAC
// address setting writes its own final status line and shows no box.
void TNAVRILForm::ShowResult(OperationKind kind, int result, const std::string& cause) {
    if (kind == OperationKind::SetMacAddress) return;
    switch (result) {
        case kResultDone:
            dialogs_.Information(AppText(kind == OperationKind::UploadNet
                                             ? AppStrings::UploadCompleted
                                             : AppStrings::Completed));
            break;
        case kResultError:
            dialogs_.ErrorWithDetail(AppText(AppStrings::ErrorOccurred), cause);
            break;
        case kResultCancelled:
            dialogs_.Warning(AppText(AppStrings::Cancelled));
            break;
        default:
            break;
    }
}
