// The run of tivra-cli from its arguments to its exit status.
#include "CliMain.h"

#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "AppStrings.h"
#include "CliCommand.h"
#include "CliHelp.h"
#include "Cp932.h"
#include "DiagnosticLog.h"
#include "FileSystem.h"
#include "HttpGetThread.h"
#include "MainThread.h"
#include "Utils.h"

namespace {

void Print(std::FILE* stream, const TTerminalText& text, const std::string& utf8) {
    std::string bytes = text.FromUtf8(utf8);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

int UsageError(const TTerminalText& text, const std::string& command, const std::string& why) {
    std::string prefix = command.empty() ? "tivra-cli" : "tivra-cli " + command;
    Print(stderr, text,
          prefix + ": " + why + "\nTry '" + prefix + " --help' for more information.\n");
    return kExitUsage;
}

// Runs the command; usage errors and refusals are reported here, everything else by the
// command. No exception leaves.
int RunCommand(const TCliCommand& command, const TCliArguments& arguments,
               const TTerminalText& text) {
    const bool json = arguments.Offers("json") && arguments.Has("json");
    const bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    TProgressView::Kind kind = json                    ? TProgressView::Kind::Json
                               : isatty(STDERR_FILENO) ? TProgressView::Kind::Bar
                                                       : TProgressView::Kind::Lines;
    // The diagnostic trace: --log FILE, else the variable TIVRA_LOG.
    std::string logPath = arguments.Offers("log") ? arguments.Value("log") : "";
    if (logPath.empty()) {
        const char* variable = std::getenv("TIVRA_LOG");
        if (variable) logPath = variable;
    }
    if (!logPath.empty() && !OpenDiagnosticLog(logPath)) {
        return UsageError(text, command.Name,
                          "cannot open the log file " + logPath + ": " + std::strerror(errno));
    }
    if (DiagnosticLogOn()) LogLine("cli", "tivra-cli " + command.Name);
    std::unique_ptr<TProgressView> view = MakeProgressView(kind, text, stdout, stderr);
    TCliDialogs dialogs(*view, interactive);
    dialogs.AnswerAll(arguments.Offers("yes") && arguments.Has("yes"));
    TCancelGate gate;
    TCliContext context{arguments, text, *view, dialogs, gate, interactive, kind};

    // Ctrl-C is acted on where the operation processes its pending messages, as the wizard
    // would see its Cancel button there; each thread that runs an operation checks its own gate.
    TThreadGate mainGate(gate);
    SetProcessEventsHook(CheckThreadGate);
    int status = kExitError;
    try {
        status = command.Run(context);
    } catch (const ECliUsage& usage) {
        view->EndLine();
        status = UsageError(text, command.Name, usage.what());
    } catch (const ECliRefused& refusal) {
        status = kExitUsage;
        view->Result(status, refusal.what());
    } catch (const ECliCancelled&) {
        view->Result(kExitCancelled, AppText(AppStrings::Cancelled));
        status = kExitCancelled;
    } catch (const std::exception& error) {
        // A file that cannot be written, a folder that cannot be made: the system's own text,
        // then the wizard's error message.
        view->Note(error.what());
        view->Result(kExitError, AppText(AppStrings::ErrorOccurred));
        status = kExitError;
    }
    SetProcessEventsHook(nullptr);
    if (DiagnosticLogOn()) LogLine("cli", "exit status " + std::to_string(status));
    // The data module is gone, which cancelled any HTTP request still running; let its worker
    // hand over its completion and end before the program does.
    WaitForHTTPGetThreads(5000);
    return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments) {
    std::setlocale(LC_ALL, "");
    SetMainThread();
    // A reader that goes away (tivra-cli ... --json | head -1) must not end the program in
    // the middle of a firmware update; its output is simply lost.
    std::signal(SIGPIPE, SIG_IGN);
    InstallCancelSignals();
    TTerminalText text;
    if (arguments.empty()) return UsageError(text, "", "a command is needed");
    const std::string& first = arguments[0];
    if (first == "--help" || first == "-h" || first == "help") {
        if (first == "help" && arguments.size() > 1) {
            const TCliCommand* command = FindCliCommand(arguments[1]);
            if (!command) return UsageError(text, "", "unknown command \"" + arguments[1] + "\"");
            Print(stdout, text, CommandHelp(*command));
            return kExitDone;
        }
        Print(stdout, text, ProgramUsage());
        return kExitDone;
    }
    if (first == "--version") {
        Print(stdout, text, "tivra-cli " + GetFileVersionText(ProgramFilePath()) + "\n");
        return kExitDone;
    }
    const TCliCommand* command = FindCliCommand(first);
    if (!command) return UsageError(text, "", "unknown command \"" + first + "\"");
    TCliArguments parsed;
    try {
        parsed = ParseCliArguments(
            command->Options, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    } catch (const ECliUsage& usage) {
        return UsageError(text, command->Name, usage.what());
    }
    if (parsed.Has("help")) {
        Print(stdout, text, CommandHelp(*command));
        return kExitDone;
    }
    return RunCommand(*command, parsed, text);
}
