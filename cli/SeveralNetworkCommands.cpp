// upload, download and verify over several access points: what the single run checks and asks
// is checked and asked once for all of them, then each access point gets the single run's
// operation on a data module of its own.
#include <sys/stat.h>

#include <memory>

#include "AccessPointRun.h"
#include "AddressList.h"
#include "AppStrings.h"
#include "CliPassword.h"
#include "CliStatusControls.h"
#include "Cp932.h"
#include "EngineStrings.h"
#include "FileSystem.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
#include "SeveralCommands.h"

namespace {

// The data module of one access point, with the pause the options ask for; Ctrl-C during the
// pause is seen at once.
std::unique_ptr<TnavrilDataModule> ApModule(TApContext& ap) {
    auto module = std::make_unique<TnavrilDataModule>(ap.Dialogs);
    module->KickPauseMs = static_cast<int>(ap.Arguments.Number("pause-ms", 2000, 0, 60000));
    module->KickPause = [&ap](int milliseconds) { ap.Gate.Pause(milliseconds); };
    return module;
}

long long MovedBytes(const TCliStatusControls& status) {
    return std::max(0LL, status.State().Done);
}

// The page's request for every address (each checked as the single run checks its own); the
// last one is returned, for the summary. With anyExists (a download) each address's file is
// ADDRESS.bin in the folder fileName, and anyExists tells whether one of them exists.
TOperationRequest CheckedRequests(TCliContext& c, OperationKind kind,
                                  const std::vector<std::string>& addresses,
                                  const std::string& fileName, bool* anyExists = nullptr) {
    TOperationRequest request;
    for (const std::string& address : addresses) {
        request.Kind = kind;
        request.Address = address;
        request.UserName = c.Text.ToSjis(c.Arguments.Value("user", "root"));
        request.FileName = kind == OperationKind::DownloadNet && anyExists
                               ? fileName + "/" + address + ".bin"
                               : fileName;
        if (kind == OperationKind::UploadNet) {
            request.KeepUserSetting = !c.Arguments.Has("discard-settings");
        }
        const bool exists = CheckedRequest(request);
        if (anyExists) *anyExists = *anyExists || exists;
    }
    request.FileName = fileName;
    return request;
}

// The password once, the summary of the run, and the operation's question once.
bool Prepared(TCliContext& c, TOperationRequest& request, const std::vector<std::string>& addresses,
              const char* question, const char* flag) {
    request.Password = ObtainPassword(c.Arguments, c.Text, c.Interactive);
    ShowRequest(c, request, addresses);
    if (AskedOnce(c, EngineText(question), flag, TDialogs::Answer::Ok)) return true;
    c.View.Result(kExitCancelled, AppText(AppStrings::Cancelled));
    return false;
}

// Reads the access point's image into fileName; the module's result.
int ReadImage(TApContext& ap, TnavrilDataModule& module, TCliStatusControls& status,
              const std::string& fileName) {
    // Reading changes nothing on the access point: Ctrl-C stops it at any time.
    ap.Gate.SetPolicy([] { return true; }, nullptr);
    return module.DownloadFirmwareByNetwork(
        ap.Address, fileName, ap.Text.ToSjis(ap.Arguments.Value("user", "root")), ap.Password,
        status.TotalSizeEdit(), status.ProceedSizeEdit(), status.Gauge(), status.StatusLabel());
}

}  // namespace

bool AskedOnce(TCliContext& c, const std::string& questionSjis, const char* flag,
               TDialogs::Answer positive) {
    c.Dialogs.AnswerBy(questionSjis, flag, c.Arguments.Has(flag), positive);
    const TDialogs::Answer answer = positive == TDialogs::Answer::Ok
                                        ? c.Dialogs.OkCancel(questionSjis)
                                        : c.Dialogs.YesNo(questionSjis);
    return answer == positive;
}

int UploadToSeveral(TCliContext& c) {
    const std::vector<std::string> addresses = GivenAddresses(c.Arguments);
    TOperationRequest request =
        CheckedRequests(c, OperationKind::UploadNet, addresses, c.Arguments.Value("file"));
    if (!Prepared(c, request, addresses, EngineStrings::ConfirmFirmwareUpdate, "confirm-update")) {
        return kExitCancelled;
    }
    return RunOnAccessPoints(c, addresses, request.Password, [&request](TApContext& ap) {
        auto module = ApModule(ap);
        // As in the single run: once asked to take an image, the access point gets all of it.
        ap.Gate.SetPolicy(
            [] { return false; },
            [&ap] { ap.View.Note("the firmware update has begun and runs to its end"); });
        TCliStatusControls status(ap.View, *module);
        const int result = module->UploadFirmwareByNetwork(
            ap.Address, request.FileName, request.UserName, ap.Password, request.KeepUserSetting,
            status.TotalSizeEdit(), status.ProceedSizeEdit(), status.Gauge(), status.StatusLabel());
        return FinishOnAccessPoint(ap, result, AppStrings::UploadCompleted,
                                   module->LastFailureCause, MovedBytes(status));
    });
}

int DownloadFromSeveral(TCliContext& c) {
    const std::vector<std::string> addresses = GivenAddresses(c.Arguments);
    const std::string folder = c.Arguments.Value("file");
    struct stat info {};
    if (folder.empty() || stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw ECliUsage(
            "--file must name an existing folder when several access points are "
            "given; each image is written to ADDRESS.bin in it");
    }
    bool anyExists = false;
    TOperationRequest request =
        CheckedRequests(c, OperationKind::DownloadNet, addresses, folder, &anyExists);
    for (const std::string& address : addresses) DownloadTarget(folder + "/" + address + ".bin");
    if (anyExists &&
        !AskedOnce(c, AppText(AppStrings::ConfirmOverwrite), "overwrite", TDialogs::Answer::Yes)) {
        c.View.Result(kExitCancelled, AppText(AppStrings::Cancelled));
        return kExitCancelled;
    }
    if (!Prepared(c, request, addresses, EngineStrings::ConfirmFirmwareDownload,
                  "confirm-download")) {
        return kExitCancelled;
    }
    return RunOnAccessPoints(c, addresses, request.Password, [&folder](TApContext& ap) {
        auto module = ApModule(ap);
        TCliStatusControls status(ap.View, *module);
        // As in the single run: the image replaces the file only once it is complete.
        TReplacingFile target(DownloadTarget(folder + "/" + ap.Address + ".bin"));
        const int result = ReadImage(ap, *module, status, target.TemporaryPath());
        if (result == orDone) {
            target.Commit();
        } else {
            target.Discard();
        }
        return FinishOnAccessPoint(ap, result, AppStrings::Completed, module->LastFailureCause,
                                   MovedBytes(status));
    });
}

int VerifySeveral(TCliContext& c) {
    const std::vector<std::string> addresses = GivenAddresses(c.Arguments);
    const std::string fileName = c.Arguments.Value("file");
    if (!FileExists(fileName) || c.Arguments.Value("user", "root").empty()) {
        throw ECliRefused(AppText(AppStrings::UploadNetInvalid));
    }
    // Shown as the download it runs.
    TOperationRequest request = CheckedRequests(c, OperationKind::DownloadNet, addresses, fileName);
    if (!Prepared(c, request, addresses, EngineStrings::ConfirmFirmwareDownload,
                  "confirm-download")) {
        return kExitCancelled;
    }
    std::vector<TApRow> rows;
    const int status = RunOnAccessPoints(
        c, addresses, request.Password,
        [&fileName](TApContext& ap) {
            auto module = ApModule(ap);
            TCliStatusControls status(ap.View, *module);
            // The image read back lives in a private folder removed on every way out.
            TPrivateTempFolder scratch;
            const std::string image = scratch.Path("image.bin");
            const int result = ReadImage(ap, *module, status, image);
            if (result != orDone) {
                return FinishOnAccessPoint(ap, result, AppStrings::Completed,
                                           module->LastFailureCause, MovedBytes(status));
            }
            const TImageComparison comparison = CompareImageFiles(fileName, image);
            TApOutcome outcome;
            outcome.Report = ComparisonReport(comparison, fileName, "access point " + ap.Address);
            outcome.Status = ShowComparison(ap.View, comparison, outcome.Report, fileName);
            if (outcome.Status != kExitDone) outcome.Cause = ImageDiffers(fileName);
            outcome.Bytes = MovedBytes(status);
            return outcome;
        },
        &rows);
    if (c.Arguments.Has("report")) {
        std::string reports;
        for (const TApRow& row : rows) reports += row.Outcome.Report;
        WriteFileReplacing(c.Arguments.Value("report"), reports);
    }
    return status;
}
