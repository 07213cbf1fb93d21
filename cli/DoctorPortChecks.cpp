// The serial port checks of doctor. Nothing is opened: the mapping and the udev list say what
// a name reaches, stat and the group database whether this user may open it, /proc/locks
// whether another program holds it, sysfs the low-latency setting the driver shows (port flags
// or latency timer). TIOCGSERIAL would need an open, and every open of a serial device raises
// DTR and RTS, which a connected access point may take as a signal; so it is not used.
#include <grp.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "ComPortMap.h"
#include "DoctorCheck.h"
#include "PortFacts.h"
#include "SerialDevice.h"

namespace {

TDoctorCheck Check(const std::string& id, TCheckState state, const std::string& text,
                   const std::string& fix = {}) {
    return {id, state, text, fix};
}

// The COM number of "COMn" (any letter case), else 0.
unsigned ComNumber(const std::string& name) {
    if (name.size() < 4 || strncasecmp(name.c_str(), "COM", 3) != 0) return 0;
    if (!std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    const unsigned long number = std::strtoul(name.c_str() + 3, nullptr, 10);
    return number >= 1 && number <= 256 ? static_cast<unsigned>(number) : 0;
}

TPermissionFacts PermissionFactsOf(const struct stat& device) {
    TPermissionFacts facts;
    facts.User = getuid();
    if (const passwd* entry = getpwuid(facts.User)) facts.UserName = entry->pw_name;
    facts.Groups.push_back(getgid());
    const int count = getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> more(static_cast<std::size_t>(count));
        if (getgroups(count, more.data()) == count) {
            facts.Groups.insert(facts.Groups.end(), more.begin(), more.end());
        }
    }
    facts.Mode = device.st_mode;
    facts.Owner = device.st_uid;
    facts.Group = device.st_gid;
    if (const group* entry = getgrgid(device.st_gid)) {
        facts.GroupName = entry->gr_name;
        for (char** member = entry->gr_mem; member && *member; ++member) {
            facts.GroupMembers.push_back(*member);
        }
    }
    return facts;
}

void DeviceChecks(const std::string& name, const std::string& device,
                  const std::vector<TSerialPortInfo>& present, TDoctorChecks& checks) {
    int error = 0;
    const std::string state = PortUsability(device, error);
    if (state == "missing" || state == "not a terminal device") {
        checks.push_back(Check(name + ".present", TCheckState::Failed,
                               device + " is " + (state == "missing" ? "missing" : state),
                               state == "missing"
                                   ? "plug in the serial adapter, or map " + name +
                                         " to the device that is there (tivra-cli ports)"
                                   : "map " + name + " to a serial device (tivra-cli ports)"));
        return;
    }
    checks.push_back(Check(name + ".present", TCheckState::Passed, device + " is present"));
    struct stat status {};
    std::string fix;
    if (stat(device.c_str(), &status) == 0 && MayOpenDevice(PermissionFactsOf(status), fix)) {
        checks.push_back(
            Check(name + ".permission", TCheckState::Passed, "this user may open " + device));
    } else {
        checks.push_back(Check(name + ".permission", TCheckState::Failed,
                               "this user may not open " + device, fix));
    }
    if (SerialDeviceHeldByAnotherOpen(device)) {
        checks.push_back(Check(name + ".in-use", TCheckState::Failed,
                               device + " is held by another program",
                               "end the program that holds it (fuser -v " + device +
                                   " names it), then run the operation again"));
    } else {
        checks.push_back(
            Check(name + ".in-use", TCheckState::Passed, "no other program holds " + device));
    }
    const TSerialPortInfo* info = PresentPort(device, present);
    if (info) {
        checks.push_back(Check(name + ".adapter", TCheckState::Passed,
                               (info->Usb ? "USB adapter " : "on-board port ") +
                                   DescribeSerialPort(*info) +
                                   (info->ById.empty() ? "" : ", " + info->ById)));
    } else {
        checks.push_back(Check(name + ".adapter", TCheckState::NotChecked, device,
                               "not among the serial ports udev lists (a pseudo-terminal, or a "
                               "device udev does not know)"));
    }
    // The serial commands ask for low latency at every open; what the driver shows now is what
    // the last open was granted (or the driver's default before any).
    const std::string shown = SerialLowLatencyShown(device);
    if (shown.empty()) {
        checks.push_back(Check(name + ".low-latency", TCheckState::NotChecked,
                               "the driver shows no low-latency setting",
                               "only an open could ask (TIOCGSERIAL), and opening a serial port "
                               "raises DTR and RTS; the serial commands ask for low latency at "
                               "every open and the diagnostic log says what was granted"));
    } else {
        checks.push_back(Check(name + ".low-latency", TCheckState::Passed,
                               shown + "; the serial commands ask for low latency at every open"));
    }
}

}  // namespace

bool MayOpenDevice(const TPermissionFacts& facts, std::string& fix) {
    const bool inGroup =
        std::find(facts.Groups.begin(), facts.Groups.end(), facts.Group) != facts.Groups.end();
    if (facts.User == 0 || (facts.User == facts.Owner && (facts.Mode & 0600) == 0600) ||
        (inGroup && (facts.Mode & 060) == 060) || (facts.Mode & 06) == 06) {
        return true;
    }
    const std::string user = facts.UserName.empty() ? "$USER" : facts.UserName;
    const bool listed = std::find(facts.GroupMembers.begin(), facts.GroupMembers.end(),
                                  facts.UserName) != facts.GroupMembers.end();
    if ((facts.Mode & 060) == 060 && facts.Group != 0 && !facts.GroupName.empty()) {
        fix = listed ? "you were added to group " + facts.GroupName +
                           " after you logged in: log out and in again (or run newgrp " +
                           facts.GroupName + ")"
                     : "add yourself to group " + facts.GroupName + ": sudo usermod -aG " +
                           facts.GroupName + " " + user + ", then log in again";
    } else {
        fix =
            "the device is open to no group of yours: a udev rule can give it to one (e.g. "
            "GROUP=\"dialout\", MODE=\"0660\"); ask the administrator";
    }
    return false;
}

TDoctorChecks PortChecks(const std::vector<std::string>& names, bool namedByUser) {
    const std::vector<TSerialPortInfo> present = ListSerialPorts();
    TDoctorChecks checks;
    for (const std::string& name : names) {
        std::string device;
        std::string source;
        if (const unsigned number = ComNumber(name)) {
            const TComPortMapping mapping = MapComPort(number, present);
            device = mapping.Device;
            source = ComSourceName(mapping.Source);
            if (mapping.Source == TComSource::None) {
                checks.push_back(Check(
                    name + ".device", namedByUser ? TCheckState::Failed : TCheckState::NotChecked,
                    name + " reaches no device",
                    namedByUser
                        ? "plug in a serial adapter, or name the device: TIVRA_" + name +
                              "=/dev/ttyUSB0, or " + name + "=/dev/ttyUSB0 in serial-ports.conf"
                        : "no mapping names it and no further serial port is present"));
                continue;
            }
        } else {
            device = SerialDevicePath(name);
            source = "given";
        }
        checks.push_back(Check(name + ".device", TCheckState::Passed,
                               name + " reaches " + device + " (" + source + ")"));
        DeviceChecks(name, device, present, checks);
    }
    return checks;
}
