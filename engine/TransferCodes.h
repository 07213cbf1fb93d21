// The byte values that the serial transfer thread reports through its status handler: the
// status of each report and the error code of a failure report (0 means success).
#pragma once

#include <cstdint>

enum TransferStatus : std::uint8_t {
    tsCommunicating = 0,  // the port is open, the dialogue begins
    tsExamining = 1,      // an upload or BIOS file is being checked
    tsSending = 2,        // BIOS data blocks are being sent
    tsErasing = 3,        // the loader is erasing flash
    tsWriting = 4,        // firmware blocks are being sent, or the loader writes the BIOS
    tsReading = 5,        // firmware blocks are being received
    tsCreatingFile = 6,   // the received image is being copied to its destination
    tsFinished = 7,       // final report: success
    tsFailed = 8,         // final report: failure, with an error code
};

enum TransferError : std::uint8_t {
    teNone = 0,
    teTimeout = 1,         // expected bytes or a write did not succeed in time
    teRefusedHash = 2,     // "#" where an acknowledgement was expected
    teRefusedPercent = 3,  // "%" where an acknowledgement was expected
    teFlashAccess = 4,     // "!" from the loader
    teStopped = 5,         // the thread was asked to stop
    teLineError = 6,       // line error, or a checksum mismatch in a received block
    tePortOpen = 7,        // opening the serial port failed
    teDiskFull = 8,        // not enough free disk space for a download
    teFileOpen = 9,        // opening or creating the file failed
    teFileShort = 11,      // the file is shorter than its header
    teFileWrite = 12,      // writing the received image failed
    teNoImage = 13,        // the loader announced a download of no bytes at all
    teBadMode = 14,        // the transfer mode is not 0, 1 or 2
    teBadBiosFile = 15,    // the file is not a valid BIOS file
    teImageTooLarge = 16,  // the image is larger than the access point's flash
};
