// Usage, command help and the manual page, all from the command tables.
#include "CliHelp.h"

#include <algorithm>

#include "CliPassword.h"

namespace {

// The exit statuses and the environment, shared by the usage and the manual page.
struct TEntry {
    const char* head;
    const char* text;
};

constexpr TEntry kStatuses[] = {
    {"0", "The operation finished (verify: the image and the file are identical)."},
    {"1", "An error ended the operation (verify: they differ); the text is on standard error."},
    {"2",
     "The operation was cancelled: a question was answered Cancel or No, or Ctrl-C "
     "stopped it."},
    {"64",
     "The arguments were refused: an unknown option, a missing value, or the page's own "
     "check with its message."},
};

constexpr TEntry kEnvironment[] = {
    {"TIVRA_PASSWORD", "The access point's password, when no password option is given."},
    {"LANG, LC_ALL, LC_CTYPE", "The terminal's encoding, which messages are shown in."},
};

std::string Synopsis(const TCliCommand& command) {
    std::string line = "tivra-cli " + command.Name;
    for (const TCliOption& option : command.Options) {
        if (option.Name == "help") continue;
        if (option.Operand) {
            line += " " + option.Name + "...";
            continue;
        }
        line += " [--" + option.Name + (option.Value.empty() ? "" : " " + option.Value) + "]" +
                (option.Repeatable ? "..." : "");
    }
    return line;
}

}  // namespace

std::string ProgramUsage() {
    std::string text =
        "Usage: tivra-cli COMMAND [OPTIONS]\n"
        "       tivra-cli COMMAND --help\n"
        "       tivra-cli --version\n\n"
        "The access point service operations of the TIVRA wizard, for scripts and batch "
        "work.\n\nCommands:\n";
    for (const TCliCommand& command : CliCommands()) {
        std::string name = "  " + command.Name;
        name.resize(std::max<std::size_t>(name.size() + 2, 19), ' ');
        text += name + command.Summary + "\n";
    }
    text += "\nExit status:\n";
    for (const TEntry& entry : kStatuses) {
        std::string head = "  " + std::string(entry.head);
        head.resize(6, ' ');
        text += head + entry.text + "\n";
    }
    return text;
}

std::string CommandHelp(const TCliCommand& command) {
    return "Usage: " + Synopsis(command) + "\n\n" + command.Description + "\n\nOptions:\n" +
           CliOptionHelp(command.Options);
}

std::string ManualPage(const std::string& version) {
    std::string page = ".TH TIVRA-CLI 1 \"\" \"TIVRA " + RoffEscape(version) +
                       "\" \"User Commands\"\n"
                       ".SH NAME\ntivra-cli \\- access point service operations from the "
                       "command line\n"
                       ".SH SYNOPSIS\n";
    for (const TCliCommand& command : CliCommands()) {
        page += ".B tivra-cli " + RoffEscape(command.Name) + "\n.RI [ options ]\n.br\n";
    }
    page +=
        ".SH DESCRIPTION\n"
        "tivra-cli runs the operations of the TIVRA wizard without a window, over the same "
        "engine: the same requests and transfers, the same checks and messages, shown in "
        "the terminal's encoding. Questions are answered by flags or on the terminal; on a "
        "terminal a progress bar shows the phase, bytes, percentage, rate and remaining "
        "time, otherwise one line is written per phase and per tenth of the transfer.\n"
        ".PP\nCtrl\\-C cancels an operation where the wizard would let it be cancelled; "
        "an operation that must not be interrupted goes on and says so. No partial file is "
        "ever left behind.\n"
        ".SH COMMANDS\n";
    for (const TCliCommand& command : CliCommands()) {
        page += ".SS " + RoffEscape(command.Name) + "\n" + RoffEscape(command.Description) + "\n";
        for (const TCliOption& option : command.Options) {
            if (option.Operand) {
                page += ".TP\n.I " + RoffEscape(option.Name) + "...\n";
            } else {
                page += ".TP\n.BI \"\\-\\-" + RoffEscape(option.Name) +
                        (option.Value.empty() ? "\"" : " \" " + RoffEscape(option.Value)) + "\n";
            }
            if (option.Repeatable && !option.Operand) page += "(repeatable) ";
            if (!option.Caption.empty()) page += "[" + RoffEscape(option.Caption) + "] ";
            page += RoffEscape(option.Help) + "\n";
        }
    }
    page += ".SH EXIT STATUS\n";
    for (const TEntry& entry : kStatuses) {
        page += ".TP\n.B " + std::string(entry.head) + "\n" + RoffEscape(entry.text) + "\n";
    }
    page += ".SH ENVIRONMENT\n";
    for (const TEntry& entry : kEnvironment) {
        page += ".TP\n.B " + RoffEscape(entry.head) + "\n" + RoffEscape(entry.text) + "\n";
    }
    page += ".SH EXAMPLES\n";
    for (const TCliCommand& command : CliCommands()) {
        for (const std::string& example : command.Examples) {
            page += ".PP\n.nf\n" + RoffEscape(example) + "\n.fi\n";
        }
    }
    return page;
}
