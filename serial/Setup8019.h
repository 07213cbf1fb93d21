// The Ethernet controller setup as one run: load the settings, let the user edit them in the
// setup dialog, send them to the EEPROM programmer, advance the MAC address when asked, save.
// The widgets are views behind TSetup8019Views, so a command-line front end can run the same
// sequence.
#pragma once

#include "Config8019.h"
#include "Config8019File.h"
#include "ConfigTransfer.h"

// The entry the operations engine calls once the programmer loader runs on the access point:
// the setup dialog's modal result, 1 OK or 2 Cancel; after OK, 3 when a step of the transfer
// failed and 4 when the transfer was closed before it completed.
class TEthernetSetup {
public:
    virtual ~TEthernetSetup() = default;
    virtual int ExecuteSetup(bool showAdvanced) = 0;
};

// The two dialogs of a run.
class TSetup8019Views {
public:
    virtual ~TSetup8019Views() = default;
    // Shows the setup dialog modally; on OK its entries are in config and options. Returns
    // 1 for OK, 2 for Cancel.
    virtual int ShowSetupDialog(TConfig8019& config, TConfig8019Options& options,
                                bool showAdvanced) = 0;
    // Sends the settings (TConfigTransfer::RunConfigTransfer) while the transfer dialog is
    // shown; returns how the transfer ended once the user closed it. Its errors leave it.
    virtual TConfigTransferEnd RunTransferDialog(const TConfig8019& config) = 0;
};

class TSetup8019 {
public:
    static constexpr int ResultOk = 1;
    static constexpr int ResultTransferFailed = 3;
    static constexpr int ResultTransferStopped = 4;

    explicit TSetup8019(TConfig8019Location location) : Location(std::move(location)) {}

    TConfig8019Location Location;
    TConfig8019 Config;
    TConfig8019Options Options;

    // Loads the settings and shows the setup dialog. On OK: runs the transfer, then advances
    // the address (with AutoInc) and saves, whether the transfer completed or not (a board may
    // carry the address even when a later step failed, and an address is never given twice).
    // Returns ResultOk only when the transfer completed.
    // An error of the transfer (port unusable, settings that cannot be converted) leaves before
    // anything is saved; a save that fails raises ESystemError with the reason.
    int ExecuteSetup(bool showAdvanced, TSetup8019Views& views);
};
