// The password's sources, in order: --password, --password-file, TIVRA_PASSWORD, the prompt.
#include "CliPassword.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "CliCancel.h"
#include "CliDialogs.h"

std::vector<TCliOption> PasswordOptions() {
    return {
        {"password-file", "FILE", "パスワード",
         "Read the password from the first line of FILE. Without a password option the "
         "password comes from the variable TIVRA_PASSWORD, else from a prompt that does not "
         "show what is typed, else it is empty."},
        {"password", "TEXT", "パスワード",
         "The password itself. WARNING: every user of this machine can read a command line; "
         "use it only with a simulator or a throw-away password."},
    };
}

std::string ObtainPassword(const TCliArguments& arguments, const TTerminalText& text,
                           bool interactive) {
    if (arguments.Has("password") && arguments.Has("password-file")) {
        throw ECliUsage("give --password or --password-file, not both");
    }
    if (arguments.Has("password")) return text.ToSjis(arguments.Value("password"));
    if (arguments.Has("password-file")) {
        std::string path = arguments.Value("password-file");
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            throw ECliUsage("cannot read the password file " + path + ": " + std::strerror(errno));
        }
        std::string line;
        std::getline(file, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return text.ToSjis(line);
    }
    if (const char* variable = std::getenv(kPasswordVariable)) return text.ToSjis(variable);
    if (!interactive) return std::string();
    std::string typed;
    if (!ReadTerminalLine(text.FromUtf8("パスワード: "), typed, false) && CancelRequested()) {
        ClearCancelRequest();
        throw ECliCancelled();
    }
    return text.ToSjis(typed);
}
