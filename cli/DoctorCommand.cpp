// "doctor": a check list of what the operations need, changing nothing on any device: the
// access point at --address (its form, the route, port 80, the login, the proxy variables),
// each --port (by default COM1 to COM4 as "ports" lists them), the loader programs and the
// settings file. Each line is passed, failed with its fix, or not checked with why; the status
// is 0 when nothing failed.
#include "CliCommand.h"
#include "CliPassword.h"
#include "Cp932.h"
#include "DoctorCheck.h"
#include "UserFolders.h"

namespace {

const char* StateName(TCheckState state) {
    switch (state) {
        case TCheckState::Passed:
            return "passed";
        case TCheckState::Failed:
            return "failed";
        case TCheckState::NotChecked:
            break;
    }
    return "not checked";
}

void Report(TCliContext& c, const TDoctorCheck& check) {
    std::string members = "\"id\":" + JsonString(check.Id) +
                          ",\"state\":" + JsonString(StateName(check.State)) +
                          ",\"text\":" + JsonString(check.Text);
    if (!check.Fix.empty()) {
        members += (check.State == TCheckState::Failed ? ",\"fix\":" : ",\"why\":") +
                   JsonString(check.Fix);
    }
    c.View.Fact("check", members);
    if (c.Arguments.Has("json")) return;
    std::string state = StateName(check.State);
    state.resize(13, ' ');
    std::string id = check.Id;
    id.resize(std::max<std::size_t>(id.size() + 1, 18), ' ');
    std::string line = state + id + check.Text;
    if (!check.Fix.empty()) {
        line += std::string("\n") + std::string(13, ' ') +
                (check.State == TCheckState::Failed ? "fix: " : "why: ") + check.Fix;
    }
    c.View.Message("information", Utf8ToSjis(line));
}

int RunDoctor(TCliContext& c) {
    c.Gate.SetPolicy([] { return true; }, nullptr);  // checking changes nothing
    TDoctorChecks checks;
    if (c.Arguments.Has("address")) {
        const std::string password = ObtainPassword(c.Arguments, c.Text, c.Interactive);
        checks = NetworkChecks(c.Arguments.Value("address"), c.Arguments.Value("user", "root"),
                               password);
    } else {
        checks.push_back(
            {"network", TCheckState::NotChecked, "the access point", "no --address given"});
    }
    std::vector<std::string> ports = c.Arguments.Values("port");
    const bool named = !ports.empty();
    if (!named) ports = {"COM1", "COM2", "COM3", "COM4"};
    for (TDoctorCheck& check : PortChecks(ports, named)) checks.push_back(std::move(check));
    std::string folder = c.Arguments.Value("loader-folder", ProgramDataFolder());
    if (folder.empty() || folder.back() != '/') folder += '/';
    for (TDoctorCheck& check : FileChecks(folder)) checks.push_back(std::move(check));

    int counts[3] = {};
    for (const TDoctorCheck& check : checks) {
        ++counts[static_cast<int>(check.State)];
        Report(c, check);
    }
    const int status = counts[1] ? kExitError : kExitDone;
    c.View.Result(status,
                  Utf8ToSjis(std::to_string(counts[0]) + " passed, " + std::to_string(counts[1]) +
                             " failed, " + std::to_string(counts[2]) + " not checked"));
    return status;
}

}  // namespace

std::vector<TCliCommand> DoctorCommands() {
    std::vector<TCliOption> options = LoginOptions(false);
    options.push_back({"port", "PORT", "シリアルポート",
                       "A serial port to check (COM1..COM4 or a device). Without it COM1 to COM4 "
                       "are checked as \"ports\" lists them, and a "
                       "name that reaches nothing is only not checked.",
                       true});
    options.push_back({"loader-folder", "DIR", "",
                       "The folder of the loader programs (default: the program's data folder)."});
    options.push_back({"json", "", "", "Write one JSON object per check on standard output."});
    options.push_back({"log", "FILE", "", "Append a diagnostic trace for support to FILE."});
    options.push_back({"help", "", "", "Show this help and end."});
    return {
        {"doctor",
         "checks what the operations need, changing nothing",
         "Checks, without changing anything on any device, what the operations need: for "
         "--address, that it is four decimal parts, which interface and source address reach "
         "it, that port 80 accepts a connection (within 2 s) and that the access point accepts "
         "the user and password on its read-only filter page (401: refused), and which proxy "
         "variables are set (they are never used for the access point); for each serial port, "
         "the device it reaches and where that comes from, that it is present, that this user "
         "may open it, that no other program holds it, the adapter and its latency timer (no "
         "port is opened: an open raises DTR and RTS); the loader programs; the settings file "
         "CFG8019.INI and the next MAC address. Each line is passed, failed with its fix, or "
         "not checked with why. Port 8765, where an armed access point takes its image, is "
         "never connected to. The status is 0 when nothing failed, else 1.",
         options,
         RunDoctor,
         {"tivra-cli doctor --address 192.168.0.1 --password-file ~/.ap-password",
          "tivra-cli doctor --port COM1 --port /dev/ttyUSB1 --json"}},
    };
}
