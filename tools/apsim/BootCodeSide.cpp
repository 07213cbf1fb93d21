// TBootCodeSide: options, start, stop and the description of the serial side.
#include "BootCodeSide.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

bool IsComName(const std::string& text) {
    if (text.size() < 4 || text.compare(0, 3, "COM") != 0) return false;
    for (std::size_t i = 3; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return text[3] != '0';
}

template <typename T>
bool ParseCount(const std::string& value, int low, int high, T& out, std::string& error) {
    try {
        std::size_t used = 0;
        const int number = std::stoi(value, &used);
        if (used != value.size() || number < low || number > high)
            throw std::invalid_argument(value);
        out = static_cast<T>(number);
        return true;
    } catch (const std::exception&) {
        error = "not a number from " + std::to_string(low) + " to " + std::to_string(high) + ": " +
                value;
        return false;
    }
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
        {"--flash-units", true, "flash size of the firmware loader in 32 KiB units (default 64)",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             return ParseCount(value, 0, 65535, serial.Loader.CapacityUnits, error);
         }},
        {"--flash-image", true, "the flash content a download reads (default: generated)",
         [&serial](const std::string& value, TApSimOptions&, std::string&) {
             serial.FlashImage = value;
             return true;
         }},
        {"--announce-units", true, "download size the loader announces, in 32 KiB units",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             return ParseCount(value, 0, 65535, serial.Loader.AnnouncedUnits, error);
         }},
        {"--loader-fault", true,
         "bang|hash|silence|bad-checksum|percent|drop: a fault of the firmware loader",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             if (!ParseLoaderFault(value, serial.Loader.Fault)) {
                 error = "unknown loader fault: " + value;
                 return false;
             }
             return true;
         }},
        {"--loader-fault-at", true,
         "the reply (bang, hash, silence), block (bad-checksum, percent) or image byte (drop)",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             return ParseCount(value, 0, 1 << 30, serial.Loader.FaultAt, error);
         }},
        {"--line-rate", true, "pace the serial line at BPS bit/s (e.g. 57600)",
         [&serial](const std::string& value, TApSimOptions&, std::string& error) {
             return ParseCount(value, 0, 4000000, serial.LineRate, error);
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
    TFirmwareLoaderConfig loader = options_.Loader;
    if (!options_.FlashImage.empty()) {
        std::ifstream file(options_.FlashImage, std::ios::binary);
        if (!file) {
            error = "cannot read the flash image " + options_.FlashImage;
            return false;
        }
        loader.Flash.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    sim_.SetProgramChooser(SimulatedLoaderPrograms(loader));
    sim_.SetLineRate(options_.LineRate);
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
