// The MAC address filter commands over the wizard's filter layer: "filter-get" fetches the
// access point's list into a filter file (.mft), "filter-put" reads a filter file, checks it as
// the editor's Next does and writes it back, "filter-check" only reads and checks a file. A bad
// or duplicate line of a file asks the editor's Yes/No/Ignore question, answered by
// --bad-lines, by --yes, or on the terminal.
#include "AccessPointRun.h"
#include "AddressList.h"
#include "AppStrings.h"
#include "CliCommand.h"
#include "CliPassword.h"
#include "CliStatusControls.h"
#include "Cp932.h"
#include "FileSystem.h"
#include "MafCheck.h"
#include "MafFile.h"
#include "MafList.h"
#include "MafTransfer.h"
#include "NavrilDataModule.h"
#include "OperationRunner.h"
#include "SeveralCommands.h"
#include "Utils.h"

namespace {

// The filter write-back needs two of the data module's operations; the others are not the
// filter's business and end as errors.
class TCliOperationRunner : public TOperationRunner {
public:
    explicit TCliOperationRunner(TnavrilDataModule& module) : module_(module) {}
    int UploadFirmwareByNetwork(const std::string&, const std::string&, const std::string&,
                                const std::string&, bool, TEditControl&, TEditControl&,
                                TGaugeControl&, TLabelControl&) override {
        return orError;
    }
    int DownloadFirmwareByNetwork(const std::string&, const std::string&, const std::string&,
                                  const std::string&, TEditControl&, TEditControl&, TGaugeControl&,
                                  TLabelControl&) override {
        return orError;
    }
    int UploadFirmwareBySerial(const std::string&, const std::string&, TEditControl&, TEditControl&,
                               TGaugeControl&, TLabelControl&) override {
        return orError;
    }
    int DownloadFirmwareBySerial(const std::string&, const std::string&, TEditControl&,
                                 TEditControl&, TGaugeControl&, TLabelControl&) override {
        return orError;
    }
    int SetMacAddressBySerial(const std::string&, TEditControl&, TEditControl&, TGaugeControl&,
                              TLabelControl&) override {
        return orError;
    }
    int UpdateBiosBySerial(const std::string&, const std::string&, TEditControl&, TEditControl&,
                           TGaugeControl&, TLabelControl&) override {
        return orError;
    }
    int SendFileBySocket(const std::string& address, const std::string& fileName,
                         TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                         TGaugeControl& gauge, TLabelControl& statusLabel) override {
        return module_.SendFileBySocket(address, fileName, totalSizeEdit, proceedSizeEdit, gauge,
                                        statusLabel);
    }
    std::string LastFailureCause() const override { return module_.LastFailureCause; }
    void KickFirmwareUpdate(const std::string& address, const std::string& userName,
                            const std::string& password, const std::string& pageName,
                            const std::string& formData) override {
        module_.KickFirmwareUpdate(address, userName, password, pageName, formData);
    }

private:
    TnavrilDataModule& module_;
};

struct TConnection {
    std::string address;  // four decimal parts, tidied
    std::string user;
};

// The connection page's check: an address of four decimal parts from 0 to 255 (a padded part
// is decimal, never octal) and a user name.
TConnection ReadConnection(const TCliContext& c) {
    TOperationRequest request;
    request.Kind = OperationKind::MacFilter;
    request.Address = c.Text.ToSjis(c.Arguments.Value("address"));
    request.UserName = c.Text.ToSjis(c.Arguments.Value("user", "root"));
    CheckedRequest(request);
    return {NormalizeIPAddress(request.Address), request.UserName};
}

int Done(TCliContext& c, int status, const std::string& sjis, const std::string& reason = {}) {
    c.View.Result(status, sjis, reason);
    return status;
}

// The answer --bad-lines gives to the Yes/No/Ignore question, or the dialogs' way.
TMafLineQuestion BadLineQuestion(TCliContext& c, int& badLines) {
    std::string given = c.Arguments.Value("bad-lines");
    if (!given.empty() && given != "yes" && given != "no" && given != "ignore") {
        throw ECliUsage("--bad-lines takes yes, no or ignore");
    }
    return [&c, &badLines, given](const std::string& text) {
        ++badLines;
        if (given.empty()) return c.Dialogs.YesNoIgnore(text);
        const TDialogs::Answer answer = given == "yes"  ? TDialogs::Answer::Yes
                                        : given == "no" ? TDialogs::Answer::No
                                                        : TDialogs::Answer::Ignore;
        c.View.Question(text, AnswerWord(answer), "flag");
        return answer;
    };
}

// Reads the filter file into entries; the exit status when the reading ends the run, else -1.
int ReadFilterFile(TCliContext& c, TMafEntries& entries, int& badLines) {
    const std::string fileName = c.Arguments.Value("file");
    if (fileName.empty()) throw ECliUsage("--file is needed");
    std::string bytes;
    try {
        bytes = ReadWholeFile(fileName);
    } catch (const std::exception&) {
        return Done(c, kExitError, AppText(AppStrings::MafFileReadError));
    }
    switch (AppendMafFileEntries(bytes, entries, BadLineQuestion(c, badLines))) {
        case TMafReadEnd::Finished:
            return -1;
        case TMafReadEnd::Stopped:
            return Done(c, kExitCancelled, AppText(AppStrings::Cancelled));
        case TMafReadEnd::LimitReached:
            // A list cut at the limit is not the file's list: nothing is written.
            return Done(c, kExitError, AppText(AppStrings::MafFileLimit));
    }
    return -1;
}

// The editor's check of the text lines; false after its message.
bool CheckLines(TCliContext& c, const std::vector<std::string>& lines) {
    int start = -1, length = -1, failedLine = -1;
    std::string message;
    if (CheckMafText(lines, start, length, message, &failedLine)) return true;
    if (failedLine >= 0 && failedLine < static_cast<int>(lines.size())) {
        message += "\r" + lines[static_cast<std::size_t>(failedLine)];
    }
    c.View.Message("error", message);
    return false;
}

int RunFilterGet(TCliContext& c) {
    const TConnection connection = ReadConnection(c);
    const std::string fileName = c.Arguments.Value("file");
    if (fileName.empty()) throw ECliUsage("--file is needed");
    const std::string path = MafFileNameWithExtension(fileName);
    c.Dialogs.AnswerBy(AppText(AppStrings::MafFileExists), "overwrite",
                       c.Arguments.Has("overwrite"), TDialogs::Answer::Ok);
    if (FileExists(path) &&
        c.Dialogs.OkCancel(AppText(AppStrings::MafFileExists)) != TDialogs::Answer::Ok) {
        return Done(c, kExitCancelled, AppText(AppStrings::Cancelled));
    }
    const std::string password = ObtainPassword(c.Arguments, c.Text, c.Interactive);
    c.Gate.SetPolicy([] { return true; }, nullptr);  // reading changes nothing
    TMafFetch fetch;
    fetch.OnStatusText = [&c](const std::string& text) { c.View.Message("status", text); };
    std::vector<std::string> lines;
    if (!fetch.FetchMafList(connection.address, connection.user, password, lines)) {
        return Done(c, kExitError, AppText(AppStrings::ErrorOccurred), fetch.FailureCause);
    }
    TMafEntries entries;
    FillMafListFromText(entries, lines);
    try {
        WriteMafFile(path, entries);
    } catch (const std::exception&) {
        return Done(c, kExitError, AppText(AppStrings::MafFileWriteError));
    }
    c.View.Fact("filter",
                "\"entries\":" + std::to_string(entries.size()) + ",\"file\":" + JsonString(path));
    return Done(c, kExitDone, AppText(AppStrings::Completed));
}

// The list read from --file and checked; the exit status when that ends the run, else -1.
int CheckedFileLines(TCliContext& c, std::vector<std::string>& lines) {
    TMafEntries entries;
    int badLines = 0;
    if (int status = ReadFilterFile(c, entries, badLines); status >= 0) return status;
    lines = MafTextLines(entries);
    if (!CheckLines(c, lines)) return Done(c, kExitError, AppText(AppStrings::ErrorOccurred));
    return -1;
}

// The summary of a write-back: the address (or addresses), user, password and entries.
void ShowFilterPut(TCliContext& c, const std::string& addresses, const std::string& user,
                   const std::string& password, std::size_t entries) {
    c.View.Summary(
        AppText(AppStrings::MafTitle),
        {AppText(AppStrings::AddressLine) + addresses, AppText(AppStrings::UserLine) + user,
         AppText(AppStrings::PasswordLine) + MaskText(password),
         Utf8ToSjis(std::to_string(entries) + " entries")});
}

// Writes lines back to one access point with a module of its own; the write-back's result and
// cause.
struct TPutResult {
    int result = orError;
    std::string cause;
    long long bytes = 0;
};
TPutResult PutLines(const std::vector<std::string>& lines, const TConnection& connection,
                    const std::string& password, const TCliArguments& arguments,
                    TProgressView& view, TDialogs& dialogs, TCancelGate& gate) {
    // Once the access point has been asked to expect the list, it gets all of it.
    gate.SetPolicy([] { return false; },
                   [&view] { view.Note("the filter list is being written and goes to its end"); });
    TnavrilDataModule module(dialogs);
    TCliOperationRunner runner(module);
    TMafWriteBack target;
    target.Address = connection.address;
    target.UserName = connection.user;
    target.Password = password;
    target.PauseMs = static_cast<int>(arguments.Number("pause-ms", 2000, 0, 60000));
    target.Pause = [&gate](int milliseconds) { gate.Pause(milliseconds); };
    TCliStatusControls status(view, module);
    target.Listener = &status;
    TPutResult put;
    put.result = WriteBackMafText(lines, target, runner, dialogs, status.TotalSizeEdit(),
                                  status.ProceedSizeEdit(), status.Gauge(), status.StatusLabel(),
                                  &put.cause);
    put.bytes = std::max(0LL, status.State().Done);
    return put;
}

int RunFilterPut(TCliContext& c) {
    if (SeveralAddresses(c.Arguments)) return PutFilterOnSeveral(c);
    const TConnection connection = ReadConnection(c);
    std::vector<std::string> lines;
    if (int status = CheckedFileLines(c, lines); status >= 0) return status;
    const std::string password = ObtainPassword(c.Arguments, c.Text, c.Interactive);
    ShowFilterPut(c, connection.address, connection.user, password, lines.size());
    c.Dialogs.AnswerBy(AppText(AppStrings::MafApplyQuestion), "confirm-write",
                       c.Arguments.Has("confirm-write"), TDialogs::Answer::Ok);
    const TPutResult put =
        PutLines(lines, connection, password, c.Arguments, c.View, c.Dialogs, c.Gate);
    const int result = put.result;
    const std::string& cause = put.cause;
    switch (result) {
        case orDone:
            return Done(c, kExitDone, AppText(AppStrings::Completed));
        case orCancelled:
            return Done(c, kExitCancelled, AppText(AppStrings::Cancelled));
        default:
            return Done(c, kExitError, AppText(AppStrings::ErrorOccurred), cause);
    }
}

int RunFilterCheck(TCliContext& c) {
    TMafEntries entries;
    int badLines = 0;
    if (int status = ReadFilterFile(c, entries, badLines); status >= 0) {
        return status == kExitCancelled ? kExitError : status;
    }
    const std::vector<std::string> lines = MafTextLines(entries);
    const bool passed = CheckLines(c, lines) && badLines == 0;
    c.View.Fact("filter", "\"entries\":" + std::to_string(lines.size()) +
                              ",\"bad_lines\":" + std::to_string(badLines) +
                              ",\"passed\":" + (passed ? "true" : "false"));
    if (!passed) {
        return Done(c, kExitError,
                    Utf8ToSjis(badLines ? std::to_string(badLines) +
                                              " line(s) of the file are not entries of the list"
                                        : std::string("the list would be refused")));
    }
    return Done(c, kExitDone, Utf8ToSjis(std::to_string(lines.size()) + " entries may be written"));
}

// The login's options (several: the command also runs over several access points), the
// command's own, then those every command has.
std::vector<TCliOption> ConnectionOptions(std::vector<TCliOption> own, bool several = false) {
    std::vector<TCliOption> options = LoginOptions(several);
    options.insert(options.end(), own.begin(), own.end());
    for (const TCliOption& option : CommonOptions()) options.push_back(option);
    return options;
}

const TCliOption kBadLines = {
    "bad-lines", "ANSWER", "",
    "Answer the question about a bad or duplicate line of the file: yes (skip it and go on), "
    "no (stop) or ignore (skip it and every later one without asking)."};

}  // namespace

int PutFilterOnSeveral(TCliContext& c) {
    const std::vector<std::string> addresses = GivenAddresses(c.Arguments);
    const std::string user = c.Text.ToSjis(c.Arguments.Value("user", "root"));
    for (const std::string& address : addresses) {
        TOperationRequest request;
        request.Kind = OperationKind::MacFilter;
        request.Address = address;
        request.UserName = user;
        CheckedRequest(request);
    }
    std::vector<std::string> lines;
    if (int status = CheckedFileLines(c, lines); status >= 0) return status;
    const std::string password = ObtainPassword(c.Arguments, c.Text, c.Interactive);
    const std::string addressList = AddressListText(addresses);
    ShowFilterPut(c, addressList, user, password, lines.size());
    if (!AskedOnce(c, AppText(AppStrings::MafApplyQuestion), "confirm-write",
                   TDialogs::Answer::Ok)) {
        return Done(c, kExitCancelled, AppText(AppStrings::Cancelled));
    }
    return RunOnAccessPoints(c, addresses, password, [&](TApContext& ap) {
        const TPutResult put = PutLines(lines, {ap.Address, user}, ap.Password, ap.Arguments,
                                        ap.View, ap.Dialogs, ap.Gate);
        return FinishOnAccessPoint(ap, put.result, AppStrings::Completed, put.cause, put.bytes);
    });
}

std::vector<TCliCommand> FilterCommands() {
    return {
        {"filter-get",
         "fetch the MAC address filter list into a filter file",
         "Reads the access point's MAC address filter list (read_maf.cgi) and writes it as a "
         "filter file (.mft is appended to a name without extension). An existing file is "
         "replaced only after the question is answered OK.",
         ConnectionOptions(
             {{"file", "FILE", "MACアドレスフィルタファイル", "The filter file to write."},
              {"overwrite", "", "",
               "Answer OK to \"ファイルが存在します。上書きしてよろしいですか？\"."}}),
         RunFilterGet,
         {"tivra-cli filter-get --address 192.168.0.1 --file unit1.mft"}},
        {"filter-put",
         "write a filter file to the access point's MAC address filter",
         "Reads a filter file, checks the list as the wizard's editor does, and writes it to "
         "the access point: the list goes as MAF.DAT to TCP port 8765 after the update request. "
         "The access point's list is replaced by the file's.",
         ConnectionOptions(
             {{"file", "FILE", "MACアドレスフィルタファイル", "The filter file to write back."},
              kBadLines,
              {"confirm-write", "", "", "Answer OK to \"設定します。よろしいですか？\"."},
              {"pause-ms", "MS", "",
               "Wait this long between the update request and the list transfer (2000 when "
               "not given)."}},
             true),
         RunFilterPut,
         {"tivra-cli filter-put --address 192.168.0.1 --address 192.168.0.2 --file shop.mft "
          "--yes"}},
        {"filter-check",
         "check a filter file without an access point",
         "Reads a filter file and checks it as filter-put would, without any network. The "
         "status is 0 when every line was read and the list passes the check, else 1.",
         [] {
             std::vector<TCliOption> options = {
                 {"file", "FILE", "MACアドレスフィルタファイル", "The filter file to check."},
                 kBadLines};
             for (const TCliOption& option : CommonOptions()) options.push_back(option);
             return options;
         }(),
         RunFilterCheck,
         {"tivra-cli filter-check --file shop.mft --bad-lines yes"}},
    };
}
