// Command-line options of the simulated access point.
#include "ApSimOptions.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cstdlib>

namespace {

bool ParseCount(const std::string& text, std::int64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return errno == 0;
}

bool ParseMilliseconds(const std::string& text, int& value) {
    std::int64_t number = 0;
    if (!ParseCount(text, number) || number > 3600000) return false;
    value = static_cast<int>(number);
    return true;
}

bool IsLoopback(const std::string& address) {
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) return false;
    return (ntohl(parsed.s_addr) >> 24) == 127;
}

}  // namespace

bool ParseApSimFault(const std::string& text, TApSimFaults& faults, std::string& error) {
    std::string name = text.substr(0, text.find('='));
    std::string value = text.find('=') == std::string::npos ? "" : text.substr(text.find('=') + 1);
    bool ok = false;
    if (name == "refuse" && value.empty()) {
        faults.Refuse = ok = true;
    } else if (name == "listen-always" && value.empty()) {
        faults.ListenAlways = ok = true;
    } else if (name == "empty-body" && value.empty()) {
        faults.EmptyBody = ok = true;
    } else if (name == "no-content-length" && value.empty()) {
        faults.NoContentLength = ok = true;
    } else if (name == "bad-content-length") {
        faults.BadContentLength = ok = true;
        if (!value.empty()) faults.BadLengthText = value;
    } else if (name == "close-early") {
        ok = ParseCount(value, faults.CloseEarly);
    } else if (name == "stall") {
        ok = ParseCount(value, faults.Stall);
    } else if (name == "reset-at") {
        ok = ParseCount(value, faults.ResetAt);
    } else if (name == "end-at") {
        ok = ParseCount(value, faults.EndAt);
    } else if (name == "receive-buffer") {
        std::int64_t bytes = 0;
        ok = ParseCount(value, bytes) && bytes > 0 && bytes <= (1 << 26);
        faults.ReceiveBuffer = static_cast<int>(bytes);
    } else if (name == "rate") {
        ok = ParseCount(value, faults.RateBytes) && faults.RateBytes > 0;
    } else if (name == "cut-body") {
        ok = ParseCount(value, faults.CutBody);
    } else if (name == "delay") {
        ok = ParseMilliseconds(value, faults.DelayMs);
    } else if (name == "drip") {
        ok = ParseMilliseconds(value, faults.DripMs);
    }
    if (!ok) error = "unknown fault or bad value: " + text;
    return ok;
}

std::vector<TApSimOption> NetworkOptions() {
    return {
        {"--address", true, "loopback address to answer on (127.x.y.z)",
         [](const std::string& value, TApSimOptions& options, std::string& error) {
             if (!IsLoopback(value)) {
                 error = "not a loopback address: " + value;
                 return false;
             }
             options.Address = value;
             return true;
         }},
        {"--user", true, "login user name (default root)",
         [](const std::string& value, TApSimOptions& options, std::string&) {
             options.User = value;
             return true;
         }},
        {"--password", true, "login password (default empty)",
         [](const std::string& value, TApSimOptions& options, std::string&) {
             options.Password = value;
             return true;
         }},
        {"--report", true, "JSON report file, written at exit and on SIGUSR1",
         [](const std::string& value, TApSimOptions& options, std::string&) {
             options.ReportFile = value;
             return true;
         }},
        {"--store", true, "folder where received streams are kept as files",
         [](const std::string& value, TApSimOptions& options, std::string&) {
             options.StoreDir = value;
             return true;
         }},
        {"--image", true, "firmware image sent after downfirm.cgi",
         [](const std::string& value, TApSimOptions& options, std::string&) {
             options.ImageFile = value;
             return true;
         }},
        {"--image-size", true, "size of a generated image instead (default 65536)",
         [](const std::string& value, TApSimOptions& options, std::string& error) {
             if (ParseCount(value, options.ImageSize)) return true;
             error = "bad image size: " + value;
             return false;
         }},
        {"--filter", true, "filter list served by read_maf.cgi (EUC-JP, one entry a line)",
         [](const std::string& value, TApSimOptions& options, std::string&) {
             options.FilterFile = value;
             return true;
         }},
        {"--fault", true,
         "refuse | listen-always | close-early=N | stall=N | reset-at=N | end-at=N | "
         "receive-buffer=N | rate=BYTES | delay=MS | drip=MS | "
         "empty-body | no-content-length | cut-body=N | bad-content-length[=TEXT] (repeatable)",
         [](const std::string& value, TApSimOptions& options, std::string& error) {
             return ParseApSimFault(value, options.Faults, error);
         }},
        {"--help", false, "show this text",
         [](const std::string&, TApSimOptions& options, std::string&) {
             options.ShowHelp = true;
             return true;
         }},
    };
}

bool ParseApSimOptions(const std::vector<TApSimOption>& table,
                       const std::vector<std::string>& arguments, TApSimOptions& options,
                       std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool inlineValue = false;
        std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
            inlineValue = true;
        }
        const TApSimOption* option = nullptr;
        for (const TApSimOption& candidate : table) {
            if (candidate.Name == name) option = &candidate;
        }
        if (!option) {
            error = "unknown option: " + arguments[i];
            return false;
        }
        if (option->TakesValue && !inlineValue) {
            if (i + 1 >= arguments.size()) {
                error = "missing value for " + name;
                return false;
            }
            value = arguments[++i];
        } else if (!option->TakesValue && inlineValue) {
            error = "no value expected for " + name;
            return false;
        }
        if (!option->Apply(value, options, error)) return false;
    }
    return true;
}

std::string ApSimUsage(const std::vector<TApSimOption>& table) {
    std::string text = "usage: tivra-apsim [options]\n";
    for (const TApSimOption& option : table) {
        std::string name = option.Name + (option.TakesValue ? " VALUE" : "");
        text += "  " + name + std::string(name.size() < 22 ? 22 - name.size() : 1, ' ') +
                option.Help + "\n";
    }
    return text;
}
