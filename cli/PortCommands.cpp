// "ports": which device each of the serial port names COM1..COM4 reaches, where that mapping
// comes from (the variable TIVRA_COMn, the user's serial-ports.conf, or the ports present in
// their order), what is known of the device (its by-id name, USB vendor and product) and, when
// it cannot be used, why. Nothing is opened (opening a serial port changes its modem lines,
// which a connected access point may notice); the device is only examined.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "CliCommand.h"
#include "ComPortMap.h"
#include "Cp932.h"
#include "PortOpenProblem.h"
#include "SerialPortList.h"

namespace {

constexpr unsigned kPortCount = 4;

const char* SourceName(TComSource source) {
    switch (source) {
        case TComSource::Variable:
            return "variable";
        case TComSource::Settings:
            return "settings";
        case TComSource::Present:
            return "present";
        case TComSource::None:
            break;
    }
    return "none";
}

// "usable", or the reason the device cannot be opened, with the error an open would give.
std::string Usability(const std::string& device, int& error) {
    struct stat status {};
    error = 0;
    if (device.empty()) {
        error = ENODEV;
        return "no device";
    }
    if (stat(device.c_str(), &status) != 0) {
        error = errno;
        return errno == EACCES ? "no permission" : "missing";
    }
    if (!S_ISCHR(status.st_mode)) {
        error = ENOTTY;
        return "not a terminal device";
    }
    if (access(device.c_str(), R_OK | W_OK) != 0) {
        error = EACCES;
        return "no permission";
    }
    return "usable";
}

const TSerialPortInfo* Known(const std::string& device,
                             const std::vector<TSerialPortInfo>& present) {
    for (const TSerialPortInfo& port : present) {
        if (device == port.Device || (!port.ById.empty() && device == port.ById)) return &port;
    }
    return nullptr;
}

int RunPorts(TCliContext& c) {
    const std::vector<TSerialPortInfo> present = ListSerialPorts();
    const bool json = c.Arguments.Has("json");
    for (unsigned number = 1; number <= kPortCount; ++number) {
        const std::string name = "COM" + std::to_string(number);
        const TComPortMapping mapping = MapComPort(number, present);
        int error = 0;
        const std::string state = Usability(mapping.Device, error);
        const TSerialPortInfo* info = Known(mapping.Device, present);
        std::string fields = "\"name\":" + JsonString(name) +
                             ",\"device\":" + JsonString(mapping.Device) +
                             ",\"source\":" + JsonString(SourceName(mapping.Source)) +
                             ",\"state\":" + JsonString(state);
        if (info) {
            fields += ",\"by_id\":" + JsonString(info->ById) +
                      ",\"usb\":" + (info->Usb ? "true" : "false");
            if (info->Usb) {
                fields += ",\"vendor_id\":" + JsonString(info->VendorId) +
                          ",\"product_id\":" + JsonString(info->ProductId) +
                          ",\"manufacturer\":" + JsonString(info->Manufacturer) +
                          ",\"product\":" + JsonString(info->Product) +
                          ",\"serial\":" + JsonString(info->SerialNumber);
            }
        }
        const std::string why = state == "usable" ? "" : PortOpenProblem(name, error);
        if (!why.empty()) fields += ",\"why\":" + JsonString(why);
        c.View.Fact("port", fields);
        if (json) continue;
        std::string line = name + "  ";
        line += mapping.Source == TComSource::None ? std::string("-")
                                                   : DescribeComMapping(mapping, present);
        line += "  [" + std::string(SourceName(mapping.Source)) + "]  " + state;
        if (info && !info->ById.empty()) line += "\n      " + info->ById;
        if (!why.empty()) line += "\n      " + why;
        c.View.Message("information", Utf8ToSjis(line));
    }
    return kExitDone;
}

}  // namespace

std::vector<TCliCommand> PortCommands() {
    return {
        {"ports",
         "the serial ports and the devices they reach",
         "Lists the serial port names COM1 to COM4 that the serial commands take and the device "
         "each reaches: the variable TIVRA_COM1 to TIVRA_COM4 when set, else the assignment "
         "COMn=DEVICE in serial-ports.conf in the user's configuration folder, else the serial "
         "ports present (on-board ports first, then USB adapters by their by-id names) in turn. "
         "For each: where the mapping comes from, the port's by-id name and USB identity when "
         "known, and whether this user may open it, with the reason and the fix when not. "
         "No port is opened.",
         {{"json", "", "", "Write one JSON object per port on standard output."},
          {"log", "FILE", "", "Append a diagnostic trace for support to FILE."},
          {"help", "", "", "Show this help and end."}},
         RunPorts,
         {"tivra-cli ports", "TIVRA_COM1=/dev/ttyUSB0 tivra-cli ports --json"}},
    };
}
