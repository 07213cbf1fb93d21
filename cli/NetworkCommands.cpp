// The network commands: firmware upload and download over the LAN (the wizard's operations 1
// and 2) and "verify", which reads the image back and compares it with a file. Each runs the
// page's check with the page's message, then the data module's operation with status controls
// that feed the progress view.
#include <cstring>
#include <memory>

#include "AddressList.h"
#include "AppStrings.h"
#include "CliCommand.h"
#include "CliPassword.h"
#include "CliStatusControls.h"
#include "Cp932.h"
#include "EngineStrings.h"
#include "FileError.h"
#include "FileSystem.h"
#include "FirmwareFileCheck.h"
#include "ImageCompare.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
#include "SeveralCommands.h"
#include "Utils.h"

std::vector<TCliOption> LoginOptions(bool several) {
    const std::string address =
        "The access point's IPv4 address: four decimal parts from 0 to 255 (leading zeros are "
        "ignored, \"010\" is ten).";
    std::vector<TCliOption> options = {
        {"address", "ADDRESS", "IPアドレス",
         several ? address + " Given more than once, the command runs on each of the access "
                             "points."
                 : address,
         several},
        {"user", "NAME", "ユーザ名", "The access point's user name; \"root\" when not given."},
    };
    for (TCliOption& option : PasswordOptions()) options.push_back(option);
    if (several) {
        for (TCliOption& option : SeveralAddressOptions()) options.push_back(option);
    }
    return options;
}

namespace {

std::vector<TCliOption> Join(std::vector<TCliOption> options, const std::vector<TCliOption>& more) {
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

const TCliOption kPauseOption = {
    "pause-ms", "MS", "",
    "Wait this long between the request to the access point's page and the image transfer, "
    "for the access point to prepare (2000 when not given; lower it only for the simulator)."};

// The fields of a network page: the address as typed and as the operations get it.
struct TLogin {
    std::string typedAddress;  // Shift_JIS, as given
    std::string address;       // NormalizeIPAddress of it
    std::string user;
};

TLogin ReadLogin(const TCliContext& c) {
    TLogin login;
    login.typedAddress = c.Text.ToSjis(c.Arguments.Value("address"));
    login.address = NormalizeIPAddress(login.typedAddress);
    login.user = c.Text.ToSjis(c.Arguments.Value("user", "root"));
    return login;
}

// The network page's request from the options.
TOperationRequest NetworkRequest(const TCliContext& c, OperationKind kind, const TLogin& login) {
    TOperationRequest request;
    request.Kind = kind;
    request.Address = login.typedAddress;
    request.UserName = login.user;
    request.FileName = c.Arguments.Value("file");
    if (kind == OperationKind::UploadNet) {
        request.KeepUserSetting = !c.Arguments.Has("discard-settings");
    }
    return request;
}

// An address that is not four decimal parts from 0 to 255 would reach the operation as empty
// text; refuse it before anything is sent. Leading zeros are ignored: "010" is ten.
void RequireDottedAddress(const TLogin& login, const TCliContext& c) {
    if (!login.typedAddress.empty() && login.address.empty()) {
        throw ECliUsage("--address \"" + c.Arguments.Value("address") +
                        "\" is not an IPv4 address of four decimal parts from 0 to 255");
    }
}

// The data module for one run, with the pause the options ask for.
std::unique_ptr<TnavrilDataModule> MakeModule(TCliContext& c) {
    auto module = std::make_unique<TnavrilDataModule>(c.Dialogs);
    module->KickPauseMs = static_cast<int>(c.Arguments.Number("pause-ms", 2000, 0, 60000));
    // Ctrl-C during the pause is seen at once, not at its end.
    module->KickPause = [&c](int milliseconds) { c.Gate.Pause(milliseconds); };
    return module;
}

// FinishOperation with the operation's cause of a failure.
int Finish(TCliContext& c, TnavrilDataModule& module, int result, const char* doneText) {
    return FinishOperation(c, result, doneText, module.LastFailureCause);
}

}  // namespace

std::string SummaryLine(const char* caption, const std::string& valueSjis) {
    return AppText(caption) + valueSjis;
}

bool CheckedRequest(const TOperationRequest& request) {
    const TRequestCheck check = CheckRequest(request);
    if (check.Refusal) throw ECliRefused(AppText(check.Refusal));
    return check.AskOverwrite;
}

void ShowRequest(TCliContext& c, const TOperationRequest& request,
                 const std::vector<std::string>& addresses) {
    const std::string addressList = AddressListText(addresses);
    std::vector<std::string> lines;
    for (const TSummaryLine& line : SummaryLines(request)) {
        if (!addresses.empty() && std::strcmp(line.Caption, AppStrings::AddressLine) == 0) {
            lines.push_back(SummaryLine(line.Caption, addressList));
            continue;
        }
        lines.push_back(
            SummaryLine(line.Caption, line.IsFileName ? Utf8ToSjis(line.Value) : line.Value));
    }
    c.View.Summary(AppText(RequestTitle(request.Kind)), lines);
}

int FinishOperation(TCliContext& c, int result, const char* doneText, const std::string& cause) {
    switch (result) {
        case orDone:
            c.View.Result(kExitDone, AppText(doneText));
            return kExitDone;
        case orCancelled:
            c.View.Result(kExitCancelled, AppText(AppStrings::Cancelled));
            return kExitCancelled;
        default:
            c.View.Result(kExitError, AppText(AppStrings::ErrorOccurred), cause);
            return kExitError;
    }
}

// The file a download replaces (a symbolic link is followed); anything but a regular file is
// refused before the access point is asked for anything.
std::string DownloadTarget(const std::string& fileName) {
    try {
        return ReplacementTarget(fileName);
    } catch (const EFileError&) {
        throw ECliUsage("--file " + fileName + " is not a regular file");
    }
}

namespace {

int RunUpload(TCliContext& c) {
    if (SeveralAddresses(c.Arguments)) return UploadToSeveral(c);
    TLogin login = ReadLogin(c);
    RequireDottedAddress(login, c);
    TOperationRequest request = NetworkRequest(c, OperationKind::UploadNet, login);
    CheckedRequest(request);
    auto module = MakeModule(c);
    request.Password = ObtainPassword(c.Arguments, c.Text, c.Interactive);
    ShowRequest(c, request);
    c.Dialogs.AnswerBy(EngineText(EngineStrings::ConfirmFirmwareUpdate), "confirm-update",
                       c.Arguments.Has("confirm-update"), TDialogs::Answer::Ok);
    // Once the access point has been asked to take an image, stopping half way would leave it
    // with part of one: the update runs to its end, as it does in the wizard.
    c.Gate.SetPolicy([] { return false; },
                     [&c] { c.View.Note("the firmware update has begun and runs to its end"); });
    TCliStatusControls status(c.View, *module);
    int result = module->UploadFirmwareByNetwork(
        login.address, request.FileName, login.user, request.Password, request.KeepUserSetting,
        status.TotalSizeEdit(), status.ProceedSizeEdit(), status.Gauge(), status.StatusLabel());
    return Finish(c, *module, result, AppStrings::UploadCompleted);
}

// Reads the access point's image into fileName, a scratch file of the caller's; the module's
// result.
int DownloadInto(TCliContext& c, TnavrilDataModule& module, const TLogin& login,
                 const std::string& password, const std::string& fileName) {
    c.Dialogs.AnswerBy(EngineText(EngineStrings::ConfirmFirmwareDownload), "confirm-download",
                       c.Arguments.Has("confirm-download"), TDialogs::Answer::Ok);
    // Reading changes nothing on the access point: Ctrl-C stops it at any time.
    c.Gate.SetPolicy([] { return true; }, nullptr);
    TCliStatusControls status(c.View, module);
    return module.DownloadFirmwareByNetwork(login.address, fileName, login.user, password,
                                            status.TotalSizeEdit(), status.ProceedSizeEdit(),
                                            status.Gauge(), status.StatusLabel());
}

int RunDownload(TCliContext& c) {
    if (SeveralAddresses(c.Arguments)) return DownloadFromSeveral(c);
    TLogin login = ReadLogin(c);
    RequireDottedAddress(login, c);
    TOperationRequest request = NetworkRequest(c, OperationKind::DownloadNet, login);
    const bool exists = CheckedRequest(request);
    const std::string destination = DownloadTarget(request.FileName);
    auto module = MakeModule(c);
    c.Dialogs.AnswerBy(AppText(AppStrings::ConfirmOverwrite), "overwrite",
                       c.Arguments.Has("overwrite"), TDialogs::Answer::Yes);
    if (exists && c.Dialogs.YesNo(AppText(AppStrings::ConfirmOverwrite)) != TDialogs::Answer::Yes) {
        c.View.Result(kExitCancelled, AppText(AppStrings::Cancelled));
        return kExitCancelled;
    }
    request.Password = ObtainPassword(c.Arguments, c.Text, c.Interactive);
    const std::string& password = request.Password;
    ShowRequest(c, request);
    // The image goes to a new file beside the destination, which it replaces only once the
    // access point has sent all of it; a failed or stopped download leaves the destination as
    // it was and no part of an image behind.
    TReplacingFile target(destination);
    int result = DownloadInto(c, *module, login, password, target.TemporaryPath());
    if (result == orDone) {
        target.Commit();
    } else {
        target.Discard();
    }
    return Finish(c, *module, result, AppStrings::Completed);
}

int RunVerify(TCliContext& c) {
    const bool several = SeveralAddresses(c.Arguments);
    if (several && !c.Arguments.Has("port")) return VerifySeveral(c);
    if (several || c.Arguments.Has("address") == c.Arguments.Has("port")) {
        throw ECliUsage("verify needs exactly one of --address and --port");
    }
    if (c.Arguments.Has("port")) return VerifyBySerial(c);
    TLogin login = ReadLogin(c);
    std::string fileName = c.Arguments.Value("file");
    if (login.typedAddress.empty() || !FileExists(fileName) || login.user.empty()) {
        throw ECliRefused(AppText(AppStrings::UploadNetInvalid));
    }
    RequireDottedAddress(login, c);
    auto module = MakeModule(c);
    // Shown as the download it runs.
    TOperationRequest request = NetworkRequest(c, OperationKind::DownloadNet, login);
    request.Password = ObtainPassword(c.Arguments, c.Text, c.Interactive);
    const std::string& password = request.Password;
    ShowRequest(c, request);
    // The image read back lives in a private folder that is removed on every way out.
    TPrivateTempFolder scratch;
    std::string image = scratch.Path("image.bin");
    int result = DownloadInto(c, *module, login, password, image);
    if (result != orDone) return Finish(c, *module, result, AppStrings::Completed);

    return ReportComparison(c, fileName, image, "access point " + c.Arguments.Value("address"));
}

}  // namespace

int ReportComparison(TCliContext& c, const std::string& fileName, const std::string& image,
                     const std::string& source) {
    TImageComparison comparison = CompareImageFiles(fileName, image);
    std::string report = ComparisonReport(comparison, fileName, source);
    if (c.Arguments.Has("report")) WriteFileReplacing(c.Arguments.Value("report"), report);
    return ShowComparison(c.View, comparison, report, fileName);
}

int ShowComparison(TProgressView& view, const TImageComparison& comparison,
                   const std::string& report, const std::string& fileName) {
    view.Fact("verify",
              "\"identical\":" + std::string(comparison.Identical ? "true" : "false") +
                  ",\"file_size\":" + std::to_string(comparison.FileSize) +
                  ",\"image_size\":" + std::to_string(comparison.ImageSize) +
                  (comparison.Identical ? std::string()
                                        : ",\"offset\":" + std::to_string(comparison.Offset)));
    view.Message("information", Utf8ToSjis(report));
    if (comparison.Identical) {
        view.Result(kExitDone, AppText(AppStrings::Completed));
        return kExitDone;
    }
    view.Result(kExitError, Utf8ToSjis(ImageDiffers(fileName)));
    return kExitError;
}

std::vector<TCliCommand> NetworkCommands() {
    return {
        {"upload",
         "firmware upload over the network",
         "Sends a firmware file to the access point over the LAN: its update page is asked to "
         "prepare (keeping or discarding the user settings), then the image is streamed to "
         "TCP port 8765. The file must exist and pass the firmware file check. Once the "
         "image transfer has begun it runs to its end; Ctrl-C is refused then.",
         Join(Join(LoginOptions(),
                   {{"file", "FILE", "ファームウェアファイル", "The firmware file to send."},
                    {"discard-settings", "", "ユーザ設定",
                     "Discard the user settings (残さない): every setting, the IP address "
                     "included, returns to the factory setting. Without it they are kept (残す)."},
                    {"confirm-update", "", "", "Answer OK to \"ファームウェアを更新します\"."},
                    kPauseOption}),
              CommonOptions()),
         RunUpload,
         {"TIVRA_PASSWORD=secret tivra-cli upload --address 192.168.0.1 --file fw.bin --yes",
          "tivra-cli upload --addresses aps.txt --parallel 4 --stop-on-failure --file fw.bin "
          "--password-file ~/.ap-password --yes"}},
        {"download",
         "firmware download over the network",
         "Reads the access point's firmware image over the LAN into a file. The image arrives "
         "in a new file beside the destination and replaces it only when complete; a failed or "
         "cancelled download leaves the destination as it was.",
         Join(Join(LoginOptions(),
                   {{"file", "FILE", "ファームウェアファイル", "The file to write the image to."},
                    {"overwrite", "", "",
                     "Answer Yes to \"出力するファームウェアファイルが存在します。"
                     "上書きしてよろしいですか？\"."},
                    {"confirm-download", "", "",
                     "Answer OK to \"ファームウェアをダウンロードします\"."},
                    kPauseOption}),
              CommonOptions()),
         RunDownload,
         {"tivra-cli download --address 192.168.0.1 --password-file ~/.ap-password "
          "--file backup.bin"}},
        {"verify",
         "compare the access point's firmware with a file",
         "Reads the access point's firmware image over the LAN (--address) or the serial port "
         "(--port) and compares it with a file, "
         "byte for byte. Nothing is written on disk but the report (--report); the image read "
         "back is kept in a private temporary folder and removed. The status is 0 when they "
         "are identical and 1 when they differ, with the first differing offset in the "
         "report.",
         Join(Join(LoginOptions(),
                   {{"file", "FILE", "ファームウェアファイル", "The file to compare with."},
                    {"report", "FILE", "", "Also write the report to FILE."},
                    {"port", "PORT", "シリアルポート",
                     "Read the image over this serial port (COM1 to COM4 or a device path) "
                     "instead of the network; give --port or --address, not both."},
                    {"loader-folder", "DIR", "",
                     "With --port: the folder holding the loader programs."},
                    {"confirm-download", "", "",
                     "Answer OK to \"ファームウェアをダウンロードします\"."},
                    kPauseOption}),
              CommonOptions()),
         RunVerify,
         {"tivra-cli verify --address 192.168.0.1 --file fw.bin --yes --report check.txt"}},
    };
}
