// A sub-command of tivra-cli: its name, what it does, its option table, and the function that
// runs it. Every command gets the same context: its parsed arguments, the terminal's text
// conversion, the progress view, the dialogs and the cancel gate. A command returns the exit
// status (0 done, 1 error, 2 cancelled) after it has reported its result to the view.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CliCancel.h"
#include "CliDialogs.h"
#include "CliOptions.h"
#include "OperationRequest.h"
#include "ProgressView.h"
#include "TerminalText.h"

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitCancelled = 2;
inline constexpr int kExitUsage = 64;

struct TCliContext {
    const TCliArguments& Arguments;
    const TTerminalText& Text;
    TProgressView& View;
    TCliDialogs& Dialogs;
    TCancelGate& Gate;
    bool Interactive;  // questions and the password may be asked on the terminal
    TProgressView::Kind ViewKind = TProgressView::Kind::Lines;  // the form View has
};

struct TCliCommand {
    std::string Name;
    std::string Summary;      // one line for the command list
    std::string Description;  // a paragraph for --help and the manual page
    std::vector<TCliOption> Options;
    std::function<int(TCliContext&)> Run;
    std::vector<std::string> Examples;  // command lines for the manual page
};

// Every command, in the order the command list shows them.
const std::vector<TCliCommand>& CliCommands();
const TCliCommand* FindCliCommand(const std::string& name);

// The commands of each group; CliCommands joins them.
std::vector<TCliCommand> NetworkCommands();
std::vector<TCliCommand> PortCommands();
std::vector<TCliCommand> SerialCommands();
std::vector<TCliCommand> FilterCommands();
std::vector<TCliCommand> DoctorCommands();
std::vector<TCliCommand> InfoCommands();

// A line of the confirmation summary: its caption and the value (Shift_JIS).
std::string SummaryLine(const char* caption, const std::string& valueSjis);
// The page's check of a request: its refusal ends the run with its message (status 64); true
// when the overwrite question is due.
bool CheckedRequest(const TOperationRequest& request);
// The request's confirmation, as the wizard's confirmation page shows it: the title and its
// summary lines, file names in the terminal's form. With addresses (a run over several access
// points) the address line lists them all.
void ShowRequest(TCliContext& c, const TOperationRequest& request,
                 const std::vector<std::string>& addresses = {});
// Reports an operation's result with the wizard's final text ("終了しました" or doneText,
// "キャンセルしました", "エラーが発生しました") and returns the exit status.
int FinishOperation(TCliContext& c, int result, const char* doneText,
                    const std::string& cause = {});

// The file a download replaces (a symbolic link is followed); a usage error when it exists and
// is not a regular file.
std::string DownloadTarget(const std::string& fileName);
// Compares fileName with the image read back from source (a scratch file), reports the result
// (and writes --report) and returns the exit status: 0 identical, 1 different.
int ReportComparison(TCliContext& c, const std::string& fileName, const std::string& image,
                     const std::string& source);
// "verify --port": the serial download into a private scratch file, then the comparison.
int VerifyBySerial(TCliContext& c);

// The access point's login: --address, --user and the password's options; with several, the
// address may be given more than once, with the options of runs over several access points.
std::vector<TCliOption> LoginOptions(bool several = true);

// Options every command has (--yes, --json, --log, --help).
std::vector<TCliOption> CommonOptions();

// A page's refusal: its message (Shift_JIS) is shown and the run ends with status 64 before
// anything is sent.
class ECliRefused : public std::runtime_error {
public:
    explicit ECliRefused(const std::string& sjis) : std::runtime_error(sjis) {}
};
