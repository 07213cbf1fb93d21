// The Ethernet controller setup of "tivra-cli mac": the setup dialog's part filled from the
// settings file and the command line (--mac, --auto-increment, ...), and the transfer dialog's
// part as a wait with one line per step. The sequence itself (load, transfer, advance the
// address, save) is the wizard's TSetup8019.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "CliCommand.h"
#include "ConfigTransfer.h"
#include "Setup8019.h"

class Trs232c;

// The settings options, applied to a loaded record; a value the dialog would refuse raises
// ECliRefused with the dialog's message, anything else malformed ECliUsage.
void ApplyMacOptions(const TCliArguments& arguments, TConfig8019& config,
                     TConfig8019Options& options);
// The mac command's own options.
std::vector<TCliOption> MacOptions();

class TCliEthernetSetup : public TEthernetSetup,
                          private TSetup8019Views,
                          private TConfigTransferView {
public:
    // How the transfer ended.
    enum class TOutcome { NotRun, Completed, Failed, TimedOut, Abandoned };

    TCliEthernetSetup(TCliContext& c, Trs232c& port, TConfig8019Location location, int waitSeconds);
    int ExecuteSetup(bool showAdvanced) override;
    TOutcome Outcome() const { return outcome_; }
    // The address sent (before the advance) and the one saved for the next board.
    const std::string& SentMac() const { return sentMac_; }
    const std::string& NextMac() const { return setup_.Config.MACID; }

private:
    int ShowSetupDialog(TConfig8019& config, TConfig8019Options& options,
                        bool showAdvanced) override;
    TConfigTransferEnd RunTransferDialog(const TConfig8019& config) override;
    // The transfer's reports, from the serial event thread; shown by the waiting thread.
    void TransferStarted() override {}
    void StepDone(int step) override;
    void StepFailed(int step, const std::string& message) override;
    void TransferCompleted() override;
    void Post(const std::string& kind, const std::string& sjis, bool ends);
    void WaitForTransfer();

    TCliContext& c_;
    Trs232c& port_;
    TSetup8019 setup_;
    int waitSeconds_;
    TOutcome outcome_ = TOutcome::NotRun;
    std::string sentMac_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<std::string, std::string>> lines_;  // kind, Shift_JIS text
    bool ended_ = false;
    bool completed_ = false;
};
