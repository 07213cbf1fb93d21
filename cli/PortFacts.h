// What can be told of a serial port without opening it, shared by "ports" and "doctor": where
// a COM name's mapping comes from, whether this user may open the device (and the error an
// open would give), and which of the ports present it is. Opening a serial port changes its
// modem lines, which a connected access point may notice, so nothing here opens one.
#pragma once

#include <string>
#include <vector>

#include "ComPortMap.h"
#include "SerialPortList.h"

// "variable", "settings", "present" or "none".
const char* ComSourceName(TComSource source);

// "usable", or why the device cannot be opened ("no device", "missing", "no permission", "not
// a terminal device"), with the errno an open would give (0 when usable).
std::string PortUsability(const std::string& device, int& error);

// The port present that device names (its node or its by-id name); null when none.
const TSerialPortInfo* PresentPort(const std::string& device,
                                   const std::vector<TSerialPortInfo>& present);

// The USB identity of a port as JSON members (",\"by_id\":...", vendor, product, serial);
// empty for nothing known.
std::string PortIdentityMembers(const TSerialPortInfo* info);
