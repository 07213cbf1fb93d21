// What the kemcmprs command-line tool reports for each result of the library: an English
// message for stderr and an exit status of its own, so scripts can tell the failures apart.
#pragma once

#include <cstdint>
#include <string>

enum ToolExitStatus {
    kExitDone = 0,
    kExitFileFailed = 1,   // a file could not be opened, read or written (result -1)
    kExitBadMagic = 2,     // not a container (result 1)
    kExitBadFormat = 3,    // unknown format number (result 2)
    kExitBadChecksum = 4,  // damaged container (result 3)
    kExitNoMemo = 5,       // memo: none stored, or the container is unreadable (result -1)
    kExitUsage = 64,       // the command line is wrong
    kExitUnexpected = 70,  // the library gave a result it does not document
};

enum class ToolCommand { Compress, Expand, Memo };

struct ToolOutcome {
    int exitStatus;
    std::string message;  // empty on success
};

// The outcome of command on source and destination (destination unused for Memo) given the
// library's result.
ToolOutcome DescribeResult(ToolCommand command, std::int32_t result, const std::string& source,
                           const std::string& destination);

// The text of "kemcmprs --help", including the exit statuses.
std::string HelpText();
