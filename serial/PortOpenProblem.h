// Why a serial port could not be opened, told to the user in Japanese after the operation's own
// error text: the COM item reaches no device, the user may not open the device (with the fix:
// membership of the group that owns it, or a udev rule), or another program holds it. Errors
// without a cause the user can act on give no text.
#pragma once

#include <string>

// The explanation (UTF-8) for a failed open of portName ("COM1", or a device path) with errno
// error, looked up on this machine: the device the name reaches, its owning group, the user.
std::string PortOpenProblem(const std::string& portName, int error);

// The same from known facts: device is what the name reaches (empty when nothing), group the
// device's owning group (empty when unknown or "root"), user the login name.
std::string PortOpenProblemText(const std::string& portName, const std::string& device, int error,
                                const std::string& group, const std::string& user);
