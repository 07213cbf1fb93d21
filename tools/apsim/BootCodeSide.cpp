// TBootCodeSide: options, start, stop and the description of the serial side.
#include "BootCodeSide.h"

#include <cctype>
#include <fstream>
#include <stdexcept>

namespace {

bool IsComName(const std::string& text) {
    if (text.size() < 4 || text.compare(0, 3, "COM") != 0) return false;
    for (std::size_t i = 3; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return text[3] != '0';
}

}  // namespace

std::vector<TApSimOption> BootCodeOptions(TBootCodeSideOptions& serial) {
    return {
        {"--serial", true, "serve the boot code on a pseudo-terminal for port COMn",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             if (!IsComName(value)) {
                 error = "not a port name (COM1, COM2, ...): " + value;
                 return false;
             }
             serial.ComName = value;
             return true;
         }},
        {"--pty-link", true, "serve the boot code on a pseudo-terminal linked from PATH",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             if (value.empty()) {
                 error = "--pty-link needs a path";
                 return false;
             }
             serial.LinkPath = value;
             return true;
         }},
        {"--boot-noise", false, "the boot code prints start-up messages before it answers",
         [&serial](const std::string&, TApSimOptions&, std::string&) {
             serial.Config.Noise = BootCodeNoise;
             return true;
         }},
        {"--boot-fault", true,
         "bang|hash|percent|silence: the boot code answers \"!\", \"#\", \"%\" or nothing",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             if (!ParseBootFault(value, serial.Config.Fault)) {
                 error = "unknown boot fault: " + value;
                 return false;
             }
             return true;
         }},
        {"--boot-fault-ack", true,
         "the acknowledgement the fault replaces (0 after \"F\", -1 the answer; default 2)",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             try {
                 std::size_t used = 0;
                 int index = std::stoi(value, &used);
                 if (used != value.size() || index < -1) throw std::invalid_argument(value);
                 serial.Config.FaultAck = index;
                 return true;
             } catch (const std::exception&) {
                 error = "not an acknowledgement number: " + value;
                 return false;
             }
         }},
        {"--loader-out", true, "write the received loader to PATH at exit",
         [&serial](const std::string& value, TApSimOptions&, std::string&) {
             serial.LoaderOut = value;
             return true;
         }},
    };
}

TBootCodeSide::TBootCodeSide(const TBootCodeSideOptions& options)
    : options_(options), sim_(options.Config) {}

bool TBootCodeSide::Start(std::string& error) {
    if (!sim_.Start(error)) return false;
    if (!options_.LinkPath.empty() && !sim_.LinkTo(options_.LinkPath, error)) {
        sim_.Stop();
        return false;
    }
    return true;
}

void TBootCodeSide::Stop() {
    if (!options_.LoaderOut.empty() && sim_.LoaderComplete()) {
        std::vector<std::uint8_t> loader = sim_.ReceivedLoader();
        std::ofstream(options_.LoaderOut, std::ios::binary)
            .write(reinterpret_cast<const char*>(loader.data()),
                   static_cast<std::streamsize>(loader.size()));
    }
    sim_.Stop();
}

std::string TBootCodeSide::Describe() const {
    std::string text = "boot code on " + sim_.SlavePath();
    if (!options_.LinkPath.empty()) text += ", linked from " + options_.LinkPath;
    if (!options_.ComName.empty()) {
        std::string number = options_.ComName.substr(3);
        text += "; for " + options_.ComName + ": export TIVRA_COM" + number + "=" +
                (options_.LinkPath.empty() ? sim_.SlavePath() : options_.LinkPath);
    }
    return text;
}
