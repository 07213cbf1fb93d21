// "ports": which device each of the serial port names COM1..COM4 reaches, where that mapping
// comes from (the variable TIVRA_COMn, the user's serial-ports.conf, or the ports present in
// their order), what is known of the device (its by-id name, USB vendor and product) and, when
// it cannot be used, why. Nothing is opened (opening a serial port changes its modem lines,
// which a connected access point may notice); the device is only examined.
#include "CliCommand.h"
#include "ComPortMap.h"
#include "Cp932.h"
#include "PortFacts.h"
#include "PortOpenProblem.h"
#include "SerialPortList.h"

namespace {

constexpr unsigned kPortCount = 4;

int RunPorts(TCliContext& c) {
    const std::vector<TSerialPortInfo> present = ListSerialPorts();
    const bool json = c.Arguments.Has("json");
    for (unsigned number = 1; number <= kPortCount; ++number) {
        const std::string name = "COM" + std::to_string(number);
        const TComPortMapping mapping = MapComPort(number, present);
        int error = 0;
        const std::string state = PortUsability(mapping.Device, error);
        const TSerialPortInfo* info = PresentPort(mapping.Device, present);
        std::string fields = "\"name\":" + JsonString(name) +
                             ",\"device\":" + JsonString(mapping.Device) +
                             ",\"source\":" + JsonString(ComSourceName(mapping.Source)) +
                             ",\"state\":" + JsonString(state) + PortIdentityMembers(info);
        const std::string why = state == "usable" ? "" : PortOpenProblem(name, error);
        if (!why.empty()) fields += ",\"why\":" + JsonString(why);
        c.View.Fact("port", fields);
        if (json) continue;
        std::string line = name + "  ";
        line += mapping.Source == TComSource::None ? std::string("-")
                                                   : DescribeComMapping(mapping, present);
        line += "  [" + std::string(ComSourceName(mapping.Source)) + "]  " + state;
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
