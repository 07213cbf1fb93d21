// One operation's request, as a parameter page or tivra-cli's options give it: its values,
// the page's check with its message, and the confirmation summary. The wizard's pages and the
// command line both go through these, so that a check or a summary line exists once.
#pragma once

#include <string>
#include <vector>

#include "OperationKind.h"

// The values of a request; text is Shift_JIS as typed, file names are the file system's bytes.
struct TOperationRequest {
    OperationKind Kind = OperationKind::UploadNet;
    std::string Address;  // the network pages and the filter connection page
    std::string UserName;
    std::string Password;
    std::string FileName;
    bool KeepUserSetting = true;  // the network upload
    std::string Port;             // the serial pages: "COM1".."COM4" or a device, empty when unset
};

// What the page's check found: its refusal (a text of the page table) or none, and for a
// download whose file exists, that the overwrite question must be asked.
struct TRequestCheck {
    const char* Refusal = nullptr;
    bool AskOverwrite = false;
};

// The page's check: an address of four decimal parts from 0 to 255, a user name, a port, a
// file that exists (uploads, BIOS) or a file name (downloads), and the firmware file check.
TRequestCheck CheckRequest(const TOperationRequest& request);

// One line of the confirmation: its caption (a text of the page table) and its value, which is
// Shift_JIS text or, for a file, the file system's name (each front end shows it its way).
struct TSummaryLine {
    const char* Caption;
    std::string Value;
    bool IsFileName = false;
};

// The confirmation lines: a network upload shows the tidied address, a download the address
// as typed, a password one "*" per byte. Empty for the filter setting.
std::vector<TSummaryLine> SummaryLines(const TOperationRequest& request);

// The operation's title on the confirmation and status pages (a text of the page table).
const char* RequestTitle(OperationKind kind);
