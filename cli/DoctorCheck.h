// The checks of "tivra-cli doctor": each a line that is passed, failed (with how to fix it) or
// not checked (with why). None of them changes anything on a device: the access point is only
// asked for its read-only filter page, its port 8765 is never touched, and no serial port is
// opened (an open raises DTR and RTS).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

enum class TCheckState { Passed, Failed, NotChecked };

struct TDoctorCheck {
    std::string Id;  // what was checked, for programs ("port80", "COM1.permission")
    TCheckState State = TCheckState::NotChecked;
    std::string Text;  // what was found (UTF-8)
    std::string Fix;   // for a failed check: what to do; for one not checked: why
};

using TDoctorChecks = std::vector<TDoctorCheck>;

// The access point at the address as typed: its form, the route to it, port 80, the login
// (read_maf.cgi with user and password) and the proxy variables.
TDoctorChecks NetworkChecks(const std::string& typedAddress, const std::string& user,
                            const std::string& passwordSjis);

// Each serial port name ("COM1".."COM4" or a device path): the device it reaches and where the
// mapping comes from, present, permission, in use, the adapter and its latency timer. A COM
// name that reaches nothing is a failure when it was asked for, else only not checked.
TDoctorChecks PortChecks(const std::vector<std::string>& names, bool namedByUser);

// The loader programs in folder (with a trailing "/"), and the settings file CFG8019.INI.
TDoctorChecks FileChecks(const std::string& loaderFolder);

// Whether a user may open a device of the given mode, owner and group, and when not, the fix.
// groups are the user's groups now (the process's), groupMembers the names listed for the
// device's group in the group database (a membership given since the last login shows there
// first).
struct TPermissionFacts {
    uid_t User = 0;
    std::string UserName;
    std::vector<gid_t> Groups;
    mode_t Mode = 0;
    uid_t Owner = 0;
    gid_t Group = 0;
    std::string GroupName;
    std::vector<std::string> GroupMembers;
};
// True when the user may read and write; else fix says how to get there.
bool MayOpenDevice(const TPermissionFacts& facts, std::string& fix);
