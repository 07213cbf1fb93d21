// Messages and exit statuses of the kemcmprs command-line tool.
#include "ToolOutcome.h"

#include "kemcmprs.h"

namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

ToolOutcome FileFailure(ToolCommand command, const std::string& source,
                        const std::string& destination) {
    switch (command) {
        case ToolCommand::Compress:
            return {kExitFileFailed,
                    "cannot compress " + Quoted(source) + " into " + Quoted(destination) +
                        ": a file could not be opened, read or written, or the destination is "
                        "the source itself"};
        case ToolCommand::Expand:
            return {kExitFileFailed,
                    "cannot expand " + Quoted(source) + " into " + Quoted(destination) +
                        ": a file could not be opened, read or written, the destination is the "
                        "container itself, or the container's data ends inside a block"};
        case ToolCommand::Memo:
            break;
    }
    return {kExitNoMemo, Quoted(source) + " carries no memo or cannot be read"};
}

}  // namespace

ToolOutcome DescribeResult(ToolCommand command, std::int32_t result, const std::string& source,
                           const std::string& destination) {
    switch (result) {
        case KEMCMPRS_DONE:
            return {kExitDone, ""};
        case KEMCMPRS_FAILED:
            return FileFailure(command, source, destination);
        default:
            break;
    }
    if (command == ToolCommand::Expand) {
        switch (result) {
            case KEMCMPRS_BAD_MAGIC:
                return {kExitBadMagic, Quoted(source) + " is not a compressed container"};
            case KEMCMPRS_BAD_FORMAT:
                return {kExitBadFormat,
                        Quoted(source) + " uses a container format this program does not know"};
            case KEMCMPRS_BAD_CHECKSUM:
                return {kExitBadChecksum,
                        Quoted(source) + " is damaged: its checksum does not match its data"};
            default:
                break;
        }
    }
    return {kExitUnexpected,
            "the library returned the undocumented result " + std::to_string(result)};
}

std::string HelpText() {
    return "Usage:\n"
           "  kemcmprs compress SOURCE CONTAINER [--memo TEXT]\n"
           "      Compress SOURCE into a new CONTAINER, with an optional memo of at most 127 "
           "bytes.\n"
           "  kemcmprs expand CONTAINER DESTINATION\n"
           "      Check CONTAINER and expand it into DESTINATION.\n"
           "  kemcmprs memo CONTAINER\n"
           "      Print the memo stored in CONTAINER.\n"
           "  kemcmprs --help\n"
           "      Show this text.\n"
           "\n"
           "Exit status:\n"
           "  0   done\n"
           "  1   a file could not be opened, read or written, the destination is the input\n"
           "      file itself, or the container's data ends inside a block\n"
           "  2   the input is not a compressed container (wrong magic)\n"
           "  3   the container's format number is not 1\n"
           "  4   the container is damaged (checksum mismatch)\n"
           "  5   the container carries no memo, or cannot be read\n"
           "  64  wrong command line (unknown command, missing or extra arguments, memo longer\n"
           "      than 127 bytes)\n"
           "  70  the library returned a result it does not document\n";
}
