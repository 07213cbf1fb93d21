// TnavrilDataModule: the operations and the two report handlers. The handlers run on the user
// interface thread (the workers hand each report over with Synchronize) and end every report
// with one pass of message processing, so the window is repainted after each report.
#include "NavrilDataModule.h"

#include <algorithm>

#include "EngineStrings.h"
#include "Loader.h"
#include "TransferCodes.h"
#include "WorkerErrorTexts.h"

TnavrilDataModule::TnavrilDataModule(TDialogs& dialogs) : dialogs_(dialogs) {}

TnavrilDataModule::~TnavrilDataModule() = default;

void TnavrilDataModule::SetStatusText(const std::string& text, TCursor cursor,
                                      TLabelControl& label) {
    label.SetText(text);
    SetScreenCursor(cursor);
    ProcessMessages();
}

bool TnavrilDataModule::Confirmed(const char* question) {
    return dialogs_.OkCancel(EngineText(question)) == TDialogs::Answer::Ok;
}

bool TnavrilDataModule::ConfirmedOrCancelled(const char* question) {
    if (Confirmed(question)) return true;
    SetPhase(TPhase::Cancelled, TCursor::Default);
    return false;
}

void TnavrilDataModule::SetPhase(TPhase phase, TCursor cursor) {
    Report().Phase(phase);
    SetScreenCursor(cursor);
    ProcessMessages();
}

void TnavrilDataModule::BeginReport(TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                                    TGaugeControl& gauge, TLabelControl& statusLabel) {
    report_.reset();
    page_ = std::make_unique<TStatusPageReport>(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    report_ = std::make_unique<TReportPair>(*page_, Listener);
}

int TnavrilDataModule::Ended(int result) {
    if (Listener) Listener->Result(static_cast<OperationResult>(result), LastFailureCause);
    return result;
}

TOperationReport& TnavrilDataModule::Report() {
    // A report handler called outside an operation (a test driving it directly) writes to
    // plain controls nobody reads, the module's own: modules on different threads share none.
    if (!report_) {
        idle_ = std::make_unique<TIdleControls>();
        BeginReport(idle_->total, idle_->proceed, idle_->gauge, idle_->label);
    }
    return *report_;
}

void TnavrilDataModule::ShowPercent(int percent) { Report().Percent(std::clamp(percent, 0, 100)); }

void TnavrilDataModule::ShowCounts(std::int32_t doneBytes, std::int32_t totalBytes) {
    // A report without a total leaves both fields as they were.
    if (totalBytes == 0) return;
    Report().Total(totalBytes);
    Report().Done(doneBytes);
}

void TnavrilDataModule::LoaderProgress(TThread* /*sender*/, TLoaderState state, int percent,
                                       TLoaderError errorCode) {
    switch (state) {
        case lsSending:
            Report().GaugeShown();
            ShowPercent(percent);
            Report().Phase(TPhase::Preparing);
            break;
        case lsDone:
            Report().Phase(TPhase::Prepared);
            WorkerFailed = 0;
            break;
        case lsFailed: {
            // The loader's dialog leads with the general error line, then the code's text.
            const char* codeText = LoaderErrorText(errorCode);
            if (*codeText != '\0') {
                std::string detail = LoaderThread ? LoaderThread->PortProblem : "";
                if (!detail.empty()) detail = EngineStrings::LineBreak + EngineText(detail.c_str());
                dialogs_.Error(EngineText(EngineStrings::ErrorOccurred) + EngineStrings::LineBreak +
                               EngineText(codeText) + detail);
            }
            WorkerFailed = 1;
            break;
        }
        default:  // waiting for the access point, and states without a display
            break;
    }
    ProcessMessages();
}

void TnavrilDataModule::TransferProgress(TThread* /*sender*/, TransferStatus status,
                                         std::int32_t percent, std::int32_t doneBytes,
                                         TransferError errorCode, std::int32_t totalBytes) {
    switch (status) {
        case tsCommunicating:
            Report().Phase(TPhase::Communicating);
            break;
        case tsExamining:
            Report().Phase(TPhase::Examining);
            break;
        case tsSending:
            Report().Phase(TPhase::Sending);
            ShowCounts(doneBytes, totalBytes);
            ShowPercent(percent);
            break;
        case tsErasing:
            Report().Phase(TPhase::Erasing);
            ShowPercent(percent);
            break;
        case tsWriting:
            Report().Phase(TPhase::Writing);
            ShowCounts(doneBytes, totalBytes);
            ShowPercent(percent);
            break;
        case tsReading:
            Report().Phase(TPhase::Reading);
            ShowCounts(doneBytes, totalBytes);
            ShowPercent(percent);
            break;
        case tsCreatingFile:
            Report().Phase(TPhase::CreatingFile);
            ShowPercent(percent);
            break;
        case tsFinished:
            Report().Phase(TPhase::Finished);
            WorkerFailed = 0;
            break;
        case tsFailed: {
            // The transfer's box carries the code's text alone (no leading line).
            const char* codeText = TransferErrorText(errorCode);
            if (*codeText != '\0') dialogs_.ExclamationError(EngineText(codeText));
            WorkerFailed = 1;
            break;
        }
        default:
            break;
    }
    ProcessMessages();
}
