// TBootCodeMachine: wake-up answer, loader reception, checksum checks, injected faults.
#include "BootCodeMachine.h"

#include <utility>

namespace {

constexpr std::uint8_t kWakeUp[] = {'D', 'O', 'R', 'B', 'A'};
constexpr std::uint8_t kAnswer = '$';
constexpr std::uint8_t kStart = 'F';
constexpr std::uint8_t kBadLength = '#';
constexpr std::uint8_t kBadChecksum = '%';
constexpr std::size_t kMaxBlock = 1024;

std::uint8_t FaultByte(TBootFault fault) {
    switch (fault) {
        case TBootFault::Bang:
            return '!';
        case TBootFault::Hash:
            return '#';
        case TBootFault::Percent:
            return '%';
        default:
            return 0;
    }
}

}  // namespace

const char BootCodeNoise[] =
    "\r\nORBA-BOOT Ver 1.10\r\nDRAM check ... OK\r\nFlash ID 01:A4\r\nWaiting for host ...\r\n";

bool ParseBootFault(const std::string& text, TBootFault& fault) {
    if (text == "bang")
        fault = TBootFault::Bang;
    else if (text == "hash")
        fault = TBootFault::Hash;
    else if (text == "percent")
        fault = TBootFault::Percent;
    else if (text == "silence")
        fault = TBootFault::Silence;
    else
        return false;
    return true;
}

TBootCodeMachine::TBootCodeMachine(TBootCodeConfig config) : config_(std::move(config)) {}

void TBootCodeMachine::Reset() {
    TBootCodeConfig config = std::move(config_);
    *this = TBootCodeMachine(std::move(config));
}

std::vector<std::uint8_t> TBootCodeMachine::Feed(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < size; ++i) Take(data[i], out);
    return out;
}

void TBootCodeMachine::Take(std::uint8_t byte, std::vector<std::uint8_t>& out) {
    switch (phase_) {
        case TPhase::Off:
            // Switched on while the host calls: the start-up messages come first.
            out.insert(out.end(), config_.Noise.begin(), config_.Noise.end());
            phase_ = TPhase::WaitWakeUp;
            [[fallthrough]];
        case TPhase::WaitWakeUp:
            if (MatchWakeUp(byte)) AnswerWakeUp(out);
            return;
        case TPhase::WaitStart:
            // Further wake-up strings sent before the host saw the answer are skipped.
            if (byte == kStart) {
                phase_ = TPhase::Length;
                Acknowledge(out);
            }
            return;
        case TPhase::Length:
            if (!haveLengthLow_) {
                lengthLow_ = byte;
                haveLengthLow_ = true;
                return;
            }
            haveLengthLow_ = false;
            blockLength_ = lengthLow_ | (std::size_t{byte} << 8);
            if (blockLength_ > kMaxBlock) {
                Fail("block length " + std::to_string(blockLength_) + " above 1024", kBadLength,
                     out);
                return;
            }
            if (blockLength_ == 0) {
                phase_ = TPhase::Done;
                Acknowledge(out);
                return;
            }
            block_.clear();
            phase_ = TPhase::Data;
            Acknowledge(out);
            return;
        case TPhase::Data:
            block_.push_back(byte);
            if (block_.size() == blockLength_) phase_ = TPhase::Checksum;
            return;
        case TPhase::Checksum: {
            unsigned sum = 0;
            for (std::uint8_t b : block_) sum += b;
            if (static_cast<std::uint8_t>(sum & 0xFF) != byte) {
                Fail("checksum mismatch in the block at byte " + std::to_string(loader_.size()),
                     kBadChecksum, out);
                return;
            }
            loader_.insert(loader_.end(), block_.begin(), block_.end());
            phase_ = TPhase::Length;
            Acknowledge(out);
            return;
        }
        case TPhase::Done:
        case TPhase::Failed:
            // A host that calls again finds the boot code switched on anew.
            if (MatchWakeUp(byte)) {
                Reset();
                phase_ = TPhase::WaitWakeUp;
                AnswerWakeUp(out);
            }
            return;
    }
}

bool TBootCodeMachine::MatchWakeUp(std::uint8_t byte) {
    if (byte == kWakeUp[wakeUpMatched_])
        ++wakeUpMatched_;
    else
        wakeUpMatched_ = byte == kWakeUp[0] ? 1 : 0;
    if (wakeUpMatched_ < sizeof kWakeUp) return false;
    wakeUpMatched_ = 0;
    return true;
}

void TBootCodeMachine::AnswerWakeUp(std::vector<std::uint8_t>& out) {
    acks_ = -1;
    Acknowledge(out);  // the answer "$", or the fault that replaces it
    if (phase_ == TPhase::WaitWakeUp) phase_ = TPhase::WaitStart;
}

void TBootCodeMachine::Acknowledge(std::vector<std::uint8_t>& out) {
    const int index = acks_++;
    const std::uint8_t regular = index < 0 ? kAnswer : config_.AckByte;
    if (silent_) return;
    if (config_.Fault == TBootFault::None || index != config_.FaultAck) {
        out.push_back(regular);
        return;
    }
    if (config_.Fault == TBootFault::Silence) {
        silent_ = true;
        return;
    }
    Fail("fault injected at acknowledgement " + std::to_string(index), FaultByte(config_.Fault),
         out);
}

void TBootCodeMachine::Fail(const std::string& why, std::uint8_t answer,
                            std::vector<std::uint8_t>& out) {
    failure_ = why;
    phase_ = TPhase::Failed;
    out.push_back(answer);
}
