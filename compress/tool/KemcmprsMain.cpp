// kemcmprs: a command-line front end to libkemcmprs.so. Compresses a file into a container,
// expands a container, or prints a container's memo, and turns each result of the library into
// a message on stderr and an exit status (listed by "kemcmprs --help").
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ToolOutcome.h"
#include "kemcmprs.h"

namespace {

struct CommandLine {
    ToolCommand command;
    std::vector<std::string> paths;
    std::string memo;
};

int UsageError(const std::string& problem) {
    std::fprintf(stderr, "kemcmprs: %s\nTry 'kemcmprs --help'.\n", problem.c_str());
    return kExitUsage;
}

std::optional<ToolCommand> ParseCommand(const std::string& name) {
    if (name == "compress") {
        return ToolCommand::Compress;
    }
    if (name == "expand") {
        return ToolCommand::Expand;
    }
    if (name == "memo") {
        return ToolCommand::Memo;
    }
    return std::nullopt;
}

std::size_t PathCount(ToolCommand command) { return command == ToolCommand::Memo ? 1 : 2; }

// Fills line from the arguments after the command name; an empty result means they are valid.
std::string ParseArguments(int argc, char** argv, CommandLine& line) {
    bool memoGiven = false;
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            line.paths.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--memo" && line.command == ToolCommand::Compress) {
            if (memoGiven || i + 1 >= argc) {
                return "--memo needs exactly one TEXT";
            }
            line.memo = argv[++i];
            memoGiven = true;
        } else {
            return "unknown option '" + argument + "'";
        }
    }
    if (line.paths.size() != PathCount(line.command)) {
        return std::string(argv[1]) + " takes " + std::to_string(PathCount(line.command)) +
               (PathCount(line.command) == 1 ? " path" : " paths");
    }
    if (line.memo.size() > KEMCMPRS_MAX_MEMO_LENGTH) {
        return "the memo is " + std::to_string(line.memo.size()) + " bytes long; at most " +
               std::to_string(KEMCMPRS_MAX_MEMO_LENGTH) + " bytes are allowed";
    }
    return "";
}

int Run(const CommandLine& line) {
    const std::string& source = line.paths[0];
    const std::string destination = line.paths.size() > 1 ? line.paths[1] : "";
    std::int32_t result = KEMCMPRS_FAILED;
    char memo[KEMCMPRS_MAX_MEMO_LENGTH + 1] = {};
    switch (line.command) {
        case ToolCommand::Compress:
            result = KemCompress(source.c_str(), destination.c_str(), line.memo.data(),
                                 static_cast<std::int32_t>(line.memo.size()));
            break;
        case ToolCommand::Expand:
            result = KemUnCompress(source.c_str(), destination.c_str());
            break;
        case ToolCommand::Memo:
            result = KemGetCompressMemo(source.c_str(), memo);
            break;
    }
    ToolOutcome outcome = DescribeResult(line.command, result, source, destination);
    if (outcome.exitStatus != kExitDone) {
        std::fprintf(stderr, "kemcmprs: %s\n", outcome.message.c_str());
    } else if (line.command == ToolCommand::Memo) {
        // The memo is stored without a terminator; it is printed up to its first zero byte.
        std::printf("%s\n", memo);
    }
    return outcome.exitStatus;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(HelpText().c_str(), stdout);
        return kExitDone;
    }
    if (argc < 2) {
        return UsageError("missing command (compress, expand or memo)");
    }
    std::optional<ToolCommand> command = ParseCommand(argv[1]);
    if (!command) {
        return UsageError("unknown command '" + std::string(argv[1]) + "'");
    }
    CommandLine line{*command, {}, {}};
    std::string problem = ParseArguments(argc, argv, line);
    if (!problem.empty()) {
        return UsageError(problem);
    }
    return Run(line);
}
