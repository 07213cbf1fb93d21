// The simulated access point's settings, gathered into one struct from its command line (or set
// directly by tests that run it in-process): the loopback address it answers on, the login, the
// firmware image it sends, the filter list it serves, where its report goes, and the faults it
// plays.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TApSimFaults {
    bool Refuse = false;            // nothing listens on port 8765: connections are refused
    bool ListenAlways = false;      // port 8765 also takes connections no request armed it for
    std::int64_t CloseEarly = -1;   // port 8765 closes after this many bytes (-1: never)
    std::int64_t Stall = -1;        // port 8765 stops reading after this many bytes (-1: never)
    std::int64_t ResetAt = -1;      // port 8765 resets the connection after this many bytes
    std::int64_t EndAt = -1;        // port 8765 ends its side in order after this many bytes
                                    // and reads nothing more, keeping the connection open
    int ReceiveBuffer = 0;          // port 8765's receive buffer in bytes (0: the system's)
    std::int64_t RateBytes = 0;     // port 8765 takes at most this many bytes a second (0: any)
    int DelayMs = 0;                // every HTTP reply waits this long first
    int DripMs = 0;                 // HTTP bodies go out in 1024-byte pieces, pausing between
    bool EmptyBody = false;         // HTTP replies have an empty body
    bool NoContentLength = false;   // HTTP replies have no Content-Length; the end closes
    std::int64_t CutBody = -1;      // HTTP bodies stop after this many bytes (-1: never)
    bool BadContentLength = false;  // HTTP replies announce a size that is not a number ...
    std::string BadLengthText = "unknown";  // ... written so
};

struct TApSimOptions {
    std::string Address = "127.0.0.2";
    int HttpPort = 80;
    int StreamPort = 8765;
    std::string User = "root";
    std::string Password;
    std::string ReportFile;                // JSON report, written at exit and on SIGUSR1
    std::string StoreDir;                  // received streams are also kept here as files
    std::string ImageFile;                 // image sent after downfirm.cgi ...
    std::int64_t ImageSize = 65536;        // ... or a generated image of this size
    std::string FilterFile;                // the filter list served by read_maf.cgi (EUC-JP lines)
    std::vector<std::string> FilterLines;  // the list itself (EUC-JP), used when no file is given
    bool UseDefaultFilter = true;          // start with a small sample list when none is given
    TApSimFaults Faults;
    bool ShowHelp = false;
};

// One command-line option: its name ("--address"), whether it takes a value, a line of help,
// and what it does to the options (false with an error text when the value is not accepted).
struct TApSimOption {
    std::string Name;
    bool TakesValue;
    std::string Help;
    std::function<bool(const std::string& value, TApSimOptions& options, std::string& error)> Apply;
};

// The options of the network side; other sides add theirs to the list before parsing.
std::vector<TApSimOption> NetworkOptions();

// Parses arguments (without the program name) into options. False with an error text for an
// unknown option, a missing value or a value that is not accepted.
bool ParseApSimOptions(const std::vector<TApSimOption>& table,
                       const std::vector<std::string>& arguments, TApSimOptions& options,
                       std::string& error);

// The help text for the table.
std::string ApSimUsage(const std::vector<TApSimOption>& table);

// Parses a fault ("refuse", "listen-always", "close-early=N", "stall=N", "reset-at=N",
// "end-at=N", "receive-buffer=N", "rate=BYTES", "delay=MS", "drip=MS",
// "empty-body", "no-content-length", "cut-body=N", "bad-content-length[=TEXT]") into faults.
bool ParseApSimFault(const std::string& text, TApSimFaults& faults, std::string& error);
