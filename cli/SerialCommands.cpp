// The serial commands: firmware upload and download over the serial port and the BIOS update
// (the wizard's operations 3, 4 and 6), and the serial half of "verify". Each runs the page's
// check with the page's message, then the data module's operation through the serial data
// module's port. Ctrl-C while the loader waits for the access point's first answer abandons the
// operation as the wizard's Cancel button does; once the loader runs, nothing may interrupt the
// flash work and the request is refused with a note.
#include <memory>

#include "AppStrings.h"
#include "CliCommand.h"
#include "CliStatusControls.h"
#include "Config8019File.h"
#include "Cp932.h"
#include "Dmod.h"
#include "FileSystem.h"
#include "FirmwareFileCheck.h"
#include "MacSetup.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
#include "SystemError.h"

namespace {

// The data module of one serial run with its serial data module.
struct TSerialRun {
    explicit TSerialRun(TCliContext& c) : gate(c.Gate), module(c.Dialogs) {
        module.Dmod = &dmod;
        if (c.Arguments.Has("loader-folder")) {
            std::string folder = c.Arguments.Value("loader-folder");
            if (folder.back() != '/') folder += '/';
            module.LoaderFolder = folder;
        }
        // Ctrl-C is honoured only until the access point has answered the loader; a request
        // that comes before the wait has begun is kept for it.
        module.OnHandshakeCancelable = [this](bool cancelable) {
            stage = cancelable ? TStage::Handshake : TStage::LoaderAtWork;
            if (cancelable && cancelPending) module.CancelHandshake();
        };
        c.Gate.SetPolicy(
            [] { return false; },
            [this, &c] {
                if (stage == TStage::LoaderAtWork) {
                    c.View.Note(
                        "the loader is running on the access point; the operation runs "
                        "to its end");
                    return;
                }
                c.View.Note("cancelling: the access point has not answered");
                cancelPending = true;
                if (stage == TStage::Handshake) module.CancelHandshake();
            });
    }
    ~TSerialRun() {
        // The policy refers to this run; a later request meets no operation.
        gate.SetPolicy(nullptr, nullptr);
        module.OnHandshakeCancelable = nullptr;
    }

    TCancelGate& gate;
    TDmod dmod;
    TnavrilDataModule module;
    enum class TStage { BeforeLoader, Handshake, LoaderAtWork };
    TStage stage = TStage::BeforeLoader;
    bool cancelPending = false;
};

std::string Port(const TCliContext& c) { return c.Arguments.Value("port"); }

// The serial page's request from the options: the port as the summary shows it, the file.
TOperationRequest SerialRequest(const TCliContext& c, OperationKind kind) {
    TOperationRequest request;
    request.Kind = kind;
    request.Port = Utf8ToSjis(Port(c));
    if (kind != OperationKind::SetMacAddress) request.FileName = c.Arguments.Value("file");
    return request;
}

int RunSerialUpload(TCliContext& c) {
    const TOperationRequest request = SerialRequest(c, OperationKind::UploadSerial);
    CheckedRequest(request);
    const std::string& fileName = request.FileName;
    TSerialRun run(c);
    ShowRequest(c, request);
    TCliStatusControls status(c.View, run.module);
    int result = run.module.UploadFirmwareBySerial(Port(c), fileName, status.TotalSizeEdit(),
                                                   status.ProceedSizeEdit(), status.Gauge(),
                                                   status.StatusLabel());
    return FinishOperation(c, result, AppStrings::Completed);
}

// Reads the flash over the serial port into fileName, a scratch file of the caller's.
int SerialDownloadInto(TCliContext& c, TSerialRun& run, const std::string& fileName) {
    TCliStatusControls status(c.View, run.module);
    return run.module.DownloadFirmwareBySerial(Port(c), fileName, status.TotalSizeEdit(),
                                               status.ProceedSizeEdit(), status.Gauge(),
                                               status.StatusLabel());
}

int RunSerialDownload(TCliContext& c) {
    const TOperationRequest request = SerialRequest(c, OperationKind::DownloadSerial);
    const bool exists = CheckedRequest(request);
    const std::string destination = DownloadTarget(request.FileName);
    c.Dialogs.AnswerBy(AppText(AppStrings::ConfirmOverwrite), "overwrite",
                       c.Arguments.Has("overwrite"), TDialogs::Answer::Yes);
    if (exists && c.Dialogs.YesNo(AppText(AppStrings::ConfirmOverwrite)) != TDialogs::Answer::Yes) {
        c.View.Result(kExitCancelled, AppText(AppStrings::Cancelled));
        return kExitCancelled;
    }
    TSerialRun run(c);
    ShowRequest(c, request);
    // As over the network: the image replaces the destination only once all of it is read.
    TReplacingFile target(destination);
    int result = SerialDownloadInto(c, run, target.TemporaryPath());
    if (result == orDone) {
        target.Commit();
    } else {
        target.Discard();
    }
    return FinishOperation(c, result, AppStrings::Completed);
}

int RunBios(TCliContext& c) {
    const TOperationRequest request = SerialRequest(c, OperationKind::UpdateBios);
    CheckedRequest(request);
    const std::string& fileName = request.FileName;
    TSerialRun run(c);
    ShowRequest(c, request);
    TCliStatusControls status(c.View, run.module);
    int result = run.module.UpdateBiosBySerial(Port(c), fileName, status.TotalSizeEdit(),
                                               status.ProceedSizeEdit(), status.Gauge(),
                                               status.StatusLabel());
    return FinishOperation(c, result, AppStrings::Completed);
}

int RunMac(TCliContext& c) {
    CheckedRequest(SerialRequest(c, OperationKind::SetMacAddress));
    // The settings as they will be sent, checked before anything goes to the access point.
    const TConfig8019Location location = TConfig8019Location::Default();
    TConfig8019 config;
    TConfig8019Options options;
    LoadConfig8019(location, config, options);
    ApplyMacOptions(c.Arguments, config, options);
    const int waitSeconds = static_cast<int>(c.Arguments.Number("wait-s", 30, 1, 3600));
    TSerialRun run(c);
    TCliEthernetSetup setup(c, run.dmod.rs232c1, location, waitSeconds);
    run.module.Dlg8019Setup = &setup;
    c.View.Summary(
        AppText(AppStrings::SetMacAddressTitle),
        {SummaryLine(AppStrings::PortLine, Utf8ToSjis(Port(c))),
         Utf8ToSjis("MACアドレス : " + config.MACID),
         Utf8ToSjis(std::string("自動インクリメント : ") + (options.AutoInc ? "する" : "しない"))});
    TCliStatusControls status(c.View, run.module);
    int result =
        run.module.SetMacAddressBySerial(Port(c), status.TotalSizeEdit(), status.ProceedSizeEdit(),
                                         status.Gauge(), status.StatusLabel());
    // Once the transfer has run, the address was advanced and saved whatever its end: the
    // addresses are reported, and the command's status says whether the programmer took them
    // (a wait that timed out is an error here, where the wizard's closed dialog is a cancel).
    if (setup.Outcome() == TCliEthernetSetup::TOutcome::NotRun) {
        return FinishOperation(c, result, AppStrings::Completed);
    }
    c.View.Fact("mac", "\"sent\":" + JsonString(setup.SentMac()) +
                           ",\"next\":" + JsonString(setup.NextMac()));
    switch (setup.Outcome()) {
        case TCliEthernetSetup::TOutcome::Completed:
            return FinishOperation(c, orDone, AppStrings::Completed);
        case TCliEthernetSetup::TOutcome::Abandoned:
            return FinishOperation(c, orCancelled, AppStrings::Completed);
        default:
            return FinishOperation(c, orError, AppStrings::Completed);
    }
}

std::vector<TCliOption> SerialOptions(std::vector<TCliOption> own) {
    std::vector<TCliOption> options = {
        {"port", "PORT", "シリアルポート",
         "The serial port: COM1 to COM4 (see \"tivra-cli ports\") or a device path."},
    };
    options.insert(options.end(), own.begin(), own.end());
    options.push_back({"loader-folder", "DIR", "",
                       "The folder holding the loader programs; the program's data folder "
                       "when not given."});
    for (const TCliOption& option : CommonOptions()) options.push_back(option);
    return options;
}

}  // namespace

int VerifyBySerial(TCliContext& c) {
    const std::string fileName = c.Arguments.Value("file");
    if (Port(c).empty() || !FileExists(fileName)) {
        throw ECliRefused(AppText(AppStrings::UploadSerialInvalid));
    }
    TSerialRun run(c);
    ShowRequest(c, SerialRequest(c, OperationKind::DownloadSerial));  // shown as the download
    // The flash read back lives in a private folder that is removed on every way out.
    TPrivateTempFolder scratch;
    const std::string image = scratch.Path("image.bin");
    int result = SerialDownloadInto(c, run, image);
    if (result != orDone) return FinishOperation(c, result, AppStrings::Completed);
    return ReportComparison(c, fileName, image, "access point on " + Port(c));
}

std::vector<TCliCommand> SerialCommands() {
    const char* ctrlC =
        " Ctrl-C while the access point has not yet answered the loader cancels; once the "
        "loader runs, the operation runs to its end.";
    return {
        {"serial-upload",
         "firmware upload over the serial port",
         std::string("Sends the firmware loader to the access point's boot code over the serial "
                     "port (switch the access point on when asked), then the firmware file. "
                     "The file must exist and pass the firmware file check.") +
             ctrlC,
         SerialOptions({{"file", "FILE", "ファームウェアファイル", "The firmware file to send."}}),
         RunSerialUpload,
         {"tivra-cli serial-upload --port COM1 --file fw.bin --yes"}},
        {"serial-download",
         "firmware download over the serial port",
         std::string("Reads the access point's flash over the serial port into a file, which "
                     "is replaced only when the whole image has arrived.") +
             ctrlC,
         SerialOptions(
             {{"file", "FILE", "ファームウェアファイル", "The file to write the image to."},
              {"overwrite", "", "",
               "Answer Yes to \"出力するファームウェアファイルが存在します。"
               "上書きしてよろしいですか？\"."}}),
         RunSerialDownload,
         {"tivra-cli serial-download --port COM1 --file backup.bin --overwrite"}},
        {"mac",
         "MAC address and controller settings over the serial port",
         "Sends the EEPROM programmer to the access point's boot code over the serial port, "
         "then the Ethernet controller settings: those of the settings file CFG8019.INI in the "
         "user's configuration folder, changed by the options. With automatic increment the "
         "address is advanced after the setting and saved for the next board, so a loop of "
         "runs gives consecutive boards consecutive addresses. The status is 0 only when the "
         "programmer confirmed all four steps.",
         SerialOptions(MacOptions()),
         RunMac,
         {"tivra-cli mac --port COM1 --mac 02:C0:DE:00:10:00 --auto-increment --yes",
          "for board in 1 2 3; do read -p \"next board, Enter\"; tivra-cli mac --port COM1 "
          "--yes || break; done"}},
        {"bios",
         "BIOS update over the serial port",
         std::string("Sends the BIOS update loader to the access point's boot code over the "
                     "serial port, then the BIOS file, which the loader checks before writing.") +
             ctrlC,
         SerialOptions({{"file", "FILE", "BIOSファイル", "The BIOS file (.brm) to write."}}),
         RunBios,
         {"tivra-cli bios --port COM1 --file update.brm"}},
    };
}
