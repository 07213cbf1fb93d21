// Which device "COM1".."COMn" reaches. In this order:
//   1. the variable TIVRA_COMn, when set and not empty;
//   2. the user's port settings file, "serial-ports.conf" in the configuration folder, with
//      lines "COM1=/dev/ttyUSB0" (a name without "/" is taken in /dev; "#" or ";" starts a
//      comment line);
//   3. the ports present, in SortSerialPorts order, handed out to the COM numbers that 1 and 2
//      leave free, lowest number first, skipping the ports that 1 and 2 name for other numbers.
// So on a laptop a single plugged-in USB adapter is COM1 without any set-up.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "SerialPortList.h"

// Where a COM number's device came from.
enum class TComSource { Variable, Settings, Present, None };

struct TComPortMapping {
    std::string Device;  // empty when nothing is there (TComSource::None)
    TComSource Source = TComSource::None;
};

// The settings file's assignments, COM number to device path. Lines that are not an assignment
// of "COM<1..256>" to a non-empty value are ignored.
std::map<unsigned, std::string> ParseComPortSettings(const std::string& text);

// Full path of the user's settings file; empty when there is no configuration folder.
std::string ComPortSettingsPath();

// The mapping, from what the caller looked up: variables[n] is TIVRA_COMn (absent or empty when
// unset), settings the parsed file, present the ports in their order. A named device that is
// present under another name (its by-id link, or a name that resolve turns into its device
// node) counts as that port.
using TPathResolver = std::function<std::string(const std::string&)>;
TComPortMapping ChooseComDevice(unsigned number, const std::map<unsigned, std::string>& variables,
                                const std::map<unsigned, std::string>& settings,
                                const std::vector<TSerialPortInfo>& present,
                                const TPathResolver& resolve = nullptr);

// The mapping on this machine now: variables, the settings file and the ports present (looked
// up, or as given).
TComPortMapping MapComPort(unsigned number);
TComPortMapping MapComPort(unsigned number, const std::vector<TSerialPortInfo>& present);

// One line for people about a mapping: the device with what is known of it when it is one of
// the ports present ("/dev/ttyUSB0 (FTDI FT232R USB UART 0403:6001 A50285BI)"), else the
// device as named; empty for TComSource::None.
std::string DescribeComMapping(const TComPortMapping& mapping,
                               const std::vector<TSerialPortInfo>& present);
