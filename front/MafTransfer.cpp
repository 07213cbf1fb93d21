// The filter fetch and the filter write-back.
#include "MafTransfer.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>

#include "AppStrings.h"
#include "MafFile.h"
#include "MainThread.h"
#include "OrbaBind.h"
#include "SafeFiles.h"
#include "Utils.h"

namespace {

constexpr int kWaitPassMs = 100;
constexpr int kResultError = 1;
constexpr int kResultCancelled = 2;

}  // namespace

TMafFetch::TMafFetch() {
    GetMafSettingHTTPGet.AcceptTypes = "*/*";
    GetMafSettingHTTPGet.Agent = "Quarnel HTTPGet";
    GetMafSettingHTTPGet.BinaryData = false;
    GetMafSettingHTTPGet.UseCache = false;
    GetMafSettingHTTPGet.WaitThread = true;
    GetMafSettingHTTPGet.OnDoneString = [this](THTTPGet* sender, const std::string& result) {
        GetMafSettingHTTPGetDoneString(sender, result);
    };
    GetMafSettingHTTPGet.OnError = [this](THTTPGet* sender) { GetMafSettingHTTPGetError(sender); };
}

void TMafFetch::ShowStatus(const std::string& text) {
    if (OnStatusText) OnStatusText(text);
    ProcessMessages();
}

bool TMafFetch::FetchMafList(const std::string& address, const std::string& userName,
                             const std::string& password, std::vector<std::string>& lines) {
    MafReplyText.clear();
    FailureCause.clear();
    refused_ = false;
    GetMafSettingHTTPGet.URL = "http://" + address + "/" + AppStrings::MafPageName;
    GetMafSettingHTTPGet.UserName = userName;
    GetMafSettingHTTPGet.Password = password;
    MafFetchState = TMafFetchState::Fetching;
    ShowStatus(AppText(AppStrings::MafFetching));
    GetMafSettingHTTPGet.StartRequest();

    // Serve the window in passes of at most 100 ms; the completion wakes the wait at once.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(WaitLimitMs);
    for (;;) {
        ProcessMessages();
        if (MafFetchState != TMafFetchState::Fetching) break;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        WaitForQueueActivity(static_cast<int>(std::min<long long>(left.count(), kWaitPassMs)));
    }

    ShowStatus(AppText(AppStrings::MafProcessing));
    bool success = MafFetchState == TMafFetchState::Done && !MafReplyText.empty();
    if (success) {
        lines = MafReplyLines(MafReplyText);
    } else {
        FailureCause = FetchFailure(address);
    }
    MafFetchState = TMafFetchState::Idle;
    ShowStatus(std::string());
    return success;
}

std::string TMafFetch::FetchFailure(const std::string& address) const {
    if (GetMafSettingHTTPGet.Reach() == THTTPReach::NotConnected) {
        return "the request to port 80 of " + address +
               " never reached the access point: " + GetMafSettingHTTPGet.ReachFailure();
    }
    switch (MafFetchState) {
        case TMafFetchState::Fetching:
            return "the access point did not answer within " + std::to_string(WaitLimitMs / 1000) +
                   " s";
        case TMafFetchState::Failed:
            return "the access point's reply to " + std::string(AppStrings::MafPageName) +
                   " failed (cut short, malformed or empty)";
        default:
            return refused_ ? "the access point refused the user name or password (401 "
                              "Unauthorized)"
                            : "the access point's reply was empty";
    }
}

void TMafFetch::GetMafSettingHTTPGetDoneString(THTTPGet*, const std::string& result) {
    if (IsAuthorizedResponse(result)) {
        MafReplyText = result;
    } else {
        MafReplyText.clear();
        refused_ = !result.empty();
    }
    MafFetchState = TMafFetchState::Done;
}

void TMafFetch::GetMafSettingHTTPGetError(THTTPGet*) { MafFetchState = TMafFetchState::Failed; }

int WriteBackMafText(const std::vector<std::string>& lines, const TMafWriteBack& target,
                     TOperationRunner& runner, TDialogs& dialogs, TEditControl& totalSizeEdit,
                     TEditControl& proceedSizeEdit, TGaugeControl& gauge, TLabelControl& statusLabel,
                     std::string* failureCause) {
    int result = kResultCancelled;
    std::string cause;
    try {
        if (dialogs.OkCancel(AppText(AppStrings::MafApplyQuestion)) != TDialogs::Answer::Ok) {
            return result;
        }
        statusLabel.SetText(AppText(AppStrings::MafPreparing));
        if (target.Listener) target.Listener->OtherPhase(AppText(AppStrings::MafPreparing));
        ProcessMessages();
        // The program's folder may not be writable: the exchange files live in a folder of
        // their own, removed with them on every way out.
        TPrivateTempFolder folder;
        const std::string textFile = folder.Path(AppStrings::MafTextFileName);
        const std::string dataFile = folder.Path(AppStrings::MafDataFileName);
        WriteMafTextFile(lines, textFile);
        TLumeORBABind().BindMafList(textFile, dataFile);
        runner.KickFirmwareUpdate(target.Address, target.UserName, target.Password,
                                  AppStrings::UpdatePageName, AppStrings::KeepSettingUpdateForm);
        if (target.Pause) {
            target.Pause(target.PauseMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(target.PauseMs));
        }
        result = runner.SendFileBySocket(NormalizeIPAddress(target.Address), dataFile,
                                         totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
        if (result == kResultError) cause = runner.LastFailureCause();
    } catch (const std::exception& error) {
        result = kResultError;
        cause = error.what();
    }
    if (failureCause) *failureCause = cause;
    return result;
}
