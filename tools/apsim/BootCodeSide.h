// TBootCodeSide: the serial side of tivra-apsim, the boot code on a pseudo-terminal, and its
// command-line options: --serial COMn (prints the TIVRA_COMn setting that maps the port to the
// pseudo-terminal), --pty-link PATH (a symbolic link to it), --boot-noise, --boot-fault
// bang|hash|percent|silence, --boot-fault-ack N and --loader-out PATH; and the firmware loader
// it runs after a simulated loader file: --flash-units N, --flash-image PATH, --announce-units N,
// --loader-fault bang|hash|silence|bad-checksum|percent|drop, --loader-fault-at N and
// --line-rate BPS. A loader file that begins with the EEPROM programmer's mark runs the
// simulated EEPROM programmer instead, which greets once the PC has set the line for the
// controller settings.
#pragma once

#include <string>
#include <vector>

#include "ApSimOptions.h"
#include "ApSimSide.h"
#include "BootCode.h"
#include "FirmwareLoaderMachine.h"

struct TBootCodeSideOptions {
    std::string ComName;    // "COM1" ...: the port name the program is given
    std::string LinkPath;   // a symbolic link to the pseudo-terminal
    std::string LoaderOut;  // the received loader is written here when the side stops
    TBootCodeConfig Config;
    TFirmwareLoaderConfig Loader;  // the firmware loader behind the boot code
    std::string FlashImage;        // file whose bytes the flash holds
    int LineRate = 0;              // bit/s; 0 unpaced
    bool Enabled() const { return !ComName.empty() || !LinkPath.empty(); }
};

// The options of the serial side; they fill options (which must outlive the parsing).
std::vector<TApSimOption> BootCodeOptions(TBootCodeSideOptions& options);

class TBootCodeSide : public TApSimSide {
public:
    explicit TBootCodeSide(const TBootCodeSideOptions& options);
    std::string Name() const override { return "serial"; }
    bool Start(std::string& error) override;
    void Stop() override;
    // One line for the user: where the boot code listens and how to reach it.
    std::string Describe() const;
    TBootCodeSim& Sim() { return sim_; }

private:
    TBootCodeSideOptions options_;
    TBootCodeSim sim_;
};
