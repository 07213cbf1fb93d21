// TCliEthernetSetup and the settings options of "tivra-cli mac".
#include "MacSetup.h"

#include <array>
#include <cctype>
#include <chrono>

#include "CliCancel.h"
#include "Cp932.h"
#include "MacAddressRules.h"
#include "SerialStrings.h"

namespace {

constexpr const char* kConnectors[] = {"AUTO", "10BASET", "10BASE5", "10BASE2"};
constexpr const char* kSteps[] = {SerialStrings::StepConnect, SerialStrings::StepSend,
                                  SerialStrings::StepWrite, SerialStrings::StepVerify};

// "02C0DE000041", "02:C0:DE:00:00:41" or "02-c0-de-0-0-41": the six octet fields as the
// dialog's six edits would hold them.
std::array<std::string, 6> MacFields(const std::string& text) {
    std::array<std::string, 6> fields;
    const bool separated = text.find_first_of(":-") != std::string::npos;
    if (!separated) {
        if (text.size() != 12) throw ECliUsage("--mac needs twelve hexadecimal digits");
        for (std::size_t i = 0; i < 6; ++i) fields[i] = text.substr(2 * i, 2);
        return fields;
    }
    std::size_t field = 0, start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ':' && text[i] != '-') continue;
        if (field == 6) throw ECliUsage("--mac has more than six octets");
        fields[field++] = text.substr(start, i - start);
        start = i + 1;
    }
    if (field != 6) throw ECliUsage("--mac needs six octets");
    return fields;
}

}  // namespace

std::vector<TCliOption> MacOptions() {
    return {
        {"mac", "ADDRESS", "MACアドレス",
         "The MAC address to write: twelve hexadecimal digits, or six octets separated by "
         "\":\" or \"-\". Without it, the address of the settings file (advanced after each "
         "board when automatic increment is on)."},
        {"auto-increment", "", "自動インクリメント",
         "Advance the address by one after the setting and keep it in the settings file for "
         "the next board."},
        {"no-auto-increment", "", "", "Do not advance the address."},
        {"ndis", "", "NDIS", "Keep the octets 42 and 57 out of the address's last three octets."},
        {"no-ndis", "", "", "Allow every octet value."},
        {"io-base", "HEX", "I/Oベースアドレス", "The I/O base address (three hexadecimal digits)."},
        {"irq", "N", "IRQ", "The interrupt line (2 to 15)."},
        {"connector", "MEDIUM", "メディアタイプ", "AUTO, 10BASET, 10BASE5 or 10BASE2."},
        {"wait-s", "SECONDS", "",
         "How long to wait for the programmer to end its exchange (30 when not given)."},
    };
}

void ApplyMacOptions(const TCliArguments& a, TConfig8019& config, TConfig8019Options& options) {
    if (a.Has("auto-increment") && a.Has("no-auto-increment"))
        throw ECliUsage("--auto-increment and --no-auto-increment exclude each other");
    if (a.Has("ndis") && a.Has("no-ndis"))
        throw ECliUsage("--ndis and --no-ndis exclude each other");
    if (a.Has("auto-increment")) options.AutoInc = true;
    if (a.Has("no-auto-increment")) options.AutoInc = false;
    if (a.Has("ndis")) options.NDIS = true;
    if (a.Has("no-ndis")) options.NDIS = false;
    if (a.Has("io-base")) {
        const std::string text = a.Value("io-base");
        std::size_t used = 0;
        long value = -1;
        try {
            value = std::stol(text, &used, 16);
        } catch (const std::exception&) {
        }
        if (text.empty() || used != text.size() || value < 0 || value > 0xFFF)
            throw ECliUsage("--io-base takes up to three hexadecimal digits");
        config.IOBase = static_cast<std::int32_t>(value);
    }
    if (a.Has("irq")) config.IRQ = static_cast<std::int32_t>(a.Number("irq", config.IRQ, 2, 15));
    if (a.Has("connector")) {
        std::string medium = a.Value("connector");
        for (char& ch : medium)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        bool known = false;
        for (const char* name : kConnectors) known = known || medium == name;
        if (!known) throw ECliUsage("--connector takes AUTO, 10BASET, 10BASE5 or 10BASE2");
        config.Connector = medium;
    }
    if (a.Has("mac")) {
        std::string macid;
        switch (ReadMacAddress(MacFields(a.Value("mac")), options.NDIS, macid)) {
            case TMacReadResult::Ok:
                config.MACID = macid;
                break;
            case TMacReadResult::NdisRefused:
                throw ECliRefused(SerialText(SerialStrings::NdisRefused));
            case TMacReadResult::BadCharacter:
                throw ECliRefused(SerialText(SerialStrings::BadMacCharacter));
        }
    }
}

TCliEthernetSetup::TCliEthernetSetup(TCliContext& c, Trs232c& port, TConfig8019Location location,
                                     int waitSeconds)
    : c_(c), port_(port), setup_(std::move(location)), waitSeconds_(waitSeconds) {}

int TCliEthernetSetup::ExecuteSetup(bool showAdvanced) {
    return setup_.ExecuteSetup(showAdvanced, *this);
}

int TCliEthernetSetup::ShowSetupDialog(TConfig8019& config, TConfig8019Options& options, bool) {
    // The settings file has just been read again; the command line's entries apply as typed
    // into the dialog (they were checked before the loader went out).
    ApplyMacOptions(c_.Arguments, config, options);
    sentMac_ = config.MACID;
    c_.View.Fact("settings", "\"mac\":" + JsonString(config.MACID) +
                                 ",\"auto_increment\":" + (options.AutoInc ? "true" : "false"));
    return TSetup8019::ResultOk;
}

TConfigTransferEnd TCliEthernetSetup::RunTransferDialog(const TConfig8019& config) {
    TConfigTransfer transfer(port_, *this);
    return transfer.RunConfigTransfer(config, [this] { WaitForTransfer(); });
}

void TCliEthernetSetup::Post(const std::string& kind, const std::string& sjis, bool ends) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.emplace_back(kind, sjis);
    if (ends) ended_ = true;
    changed_.notify_all();
}

void TCliEthernetSetup::StepDone(int step) {
    if (step >= 1 && step <= 4) {
        Post("information", "[" + std::to_string(step) + "/4] " + SerialText(kSteps[step - 1]),
             false);
    }
}

void TCliEthernetSetup::StepFailed(int, const std::string& message) {
    Post("error", message, true);
}

void TCliEthernetSetup::TransferCompleted() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        completed_ = true;
    }
    Post("information", SerialText(SerialStrings::Completed), true);
}

// Shows the steps as they come, until the exchange has ended, the time is up, or Ctrl-C
// (which abandons the setting, as closing the transfer dialog does).
void TCliEthernetSetup::WaitForTransfer() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds_);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        std::vector<std::pair<std::string, std::string>> lines;
        lines.swap(lines_);
        const bool ended = ended_, completed = completed_;
        lock.unlock();
        for (const auto& [kind, text] : lines) c_.View.Message(kind, text);
        if (ended) {
            outcome_ = completed ? TOutcome::Completed : TOutcome::Failed;
            return;
        }
        if (CancelRequested()) {
            ClearCancelRequest();
            outcome_ = TOutcome::Abandoned;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            c_.View.Note("the EEPROM programmer did not end its exchange in time");
            outcome_ = TOutcome::TimedOut;
            return;
        }
        // Woken by the transfer; a Ctrl-C is seen within a tenth of a second.
        lock.lock();
        changed_.wait_for(lock, std::chrono::milliseconds(100),
                          [this] { return ended_ || !lines_.empty(); });
    }
}
