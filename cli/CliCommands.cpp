// The list of tivra-cli's commands and the options every command shares.
#include "CliCommand.h"

std::vector<TCliOption> CommonOptions() {
    return {
        {"yes", "", "", "Answer every question of the operation positively, as OK or Yes."},
        {"json", "", "",
         "Write one JSON object per event (phase, progress, message, question, prompt, "
         "result) on standard output instead of the progress display."},
        {"log", "FILE", "",
         "Append a diagnostic trace for support to FILE (phases, HTTP requests, the bytes on "
         "the serial line; never the password). The variable TIVRA_LOG does the same."},
        {"help", "", "", "Show this help and end."},
    };
}

const std::vector<TCliCommand>& CliCommands() {
    static const std::vector<TCliCommand> commands = [] {
        std::vector<TCliCommand> all;
        for (TCliCommand& command : NetworkCommands()) all.push_back(std::move(command));
        for (TCliCommand& command : SerialCommands()) all.push_back(std::move(command));
        for (TCliCommand& command : FilterCommands()) all.push_back(std::move(command));
        for (TCliCommand& command : PortCommands()) all.push_back(std::move(command));
        for (TCliCommand& command : DoctorCommands()) all.push_back(std::move(command));
        for (TCliCommand& command : InfoCommands()) all.push_back(std::move(command));
        return all;
    }();
    return commands;
}

const TCliCommand* FindCliCommand(const std::string& name) {
    for (const TCliCommand& command : CliCommands()) {
        if (command.Name == name) return &command;
    }
    return nullptr;
}
