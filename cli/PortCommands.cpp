// "ports": which device each of the serial port names COM1..COM4 reaches, and whether that
// device is there and may be used. Nothing is opened (opening a serial port changes its modem
// lines, which a connected access point may notice); the device is only examined.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "CliCommand.h"
#include "Cp932.h"
#include "SerialDevice.h"

namespace {

constexpr int kPortCount = 4;

struct TPortState {
    std::string name;    // "COM1"
    std::string device;  // what it reaches
    std::string source;  // the variable that named it, or "default"
    std::string state;   // "present", "missing", "not a terminal device", "no permission"
};

TPortState Examine(int number) {
    TPortState port;
    port.name = "COM" + std::to_string(number);
    port.device = SerialDevicePath(port.name);
    std::string variable = "TIVRA_COM" + std::to_string(number);
    const char* mapped = std::getenv(variable.c_str());
    port.source = mapped && *mapped ? variable : "default";
    struct stat status {};
    if (stat(port.device.c_str(), &status) != 0) {
        port.state = errno == EACCES ? "no permission" : "missing";
    } else if (!S_ISCHR(status.st_mode)) {
        port.state = "not a terminal device";
    } else if (access(port.device.c_str(), R_OK | W_OK) != 0) {
        port.state = "no permission";
    } else {
        port.state = "present";
    }
    return port;
}

int RunPorts(TCliContext& c) {
    for (int number = 1; number <= kPortCount; ++number) {
        TPortState port = Examine(number);
        c.View.Fact("port", "\"name\":" + JsonString(port.name) + ",\"device\":" +
                                JsonString(port.device) + ",\"source\":" + JsonString(port.source) +
                                ",\"state\":" + JsonString(port.state));
        std::string line = port.name + "  " + port.device;
        if (port.source != "default") line += " (" + port.source + ")";
        line += "  " + port.state;
        if (!c.Arguments.Has("json")) c.View.Message("information", Utf8ToSjis(line));
    }
    return kExitDone;
}

}  // namespace

std::vector<TCliCommand> PortCommands() {
    return {
        {"ports",
         "the serial ports and the devices they reach",
         "Lists the serial port names COM1 to COM4 that the serial commands take, the device "
         "each reaches (the variable TIVRA_COM1 to TIVRA_COM4 when set, else /dev/ttyS0 to "
         "/dev/ttyS3), and whether that device is present and may be opened by this user. "
         "No port is opened.",
         {{"json", "", "", "Write one JSON object per port on standard output."},
          {"help", "", "", "Show this help and end."}},
         RunPorts,
         {"TIVRA_COM1=/dev/ttyUSB0 tivra-cli ports"}},
    };
}
