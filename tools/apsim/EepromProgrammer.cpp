// TEepromProgrammer: the programmer loader's side of the configuration exchange.
#include "EepromProgrammer.h"

namespace {

constexpr int kMaxWords = 64;

void Put(std::vector<std::uint8_t>& out, const char* message) {
    out.insert(out.end(), message, message + 3);
}

}  // namespace

std::vector<std::uint8_t> TEepromProgrammer::Prompt() {
    std::vector<std::uint8_t> out;
    Put(out, fault_ == TProgrammerFault::WrongGreeting ? "PGX" : "PGW");
    packet_.clear();
    failure_.clear();
    phase_ = TPhase::WaitConnectAnswer;
    return out;
}

std::vector<std::uint8_t> TEepromProgrammer::Feed(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < size; ++i) Take(data[i], out);
    return out;
}

std::vector<std::uint8_t> TEepromProgrammer::Image() const {
    if (packet_.size() < 3) return {};
    return std::vector<std::uint8_t>(packet_.begin() + 3, packet_.end());
}

void TEepromProgrammer::Take(std::uint8_t byte, std::vector<std::uint8_t>& out) {
    switch (phase_) {
        case TPhase::WaitConnectAnswer:
            if (byte != 'O') return Fail("no answer to the connection message");
            phase_ = TPhase::Packet;
            return;
        case TPhase::Packet: {
            packet_.push_back(byte);
            if (packet_.size() < 3) return;
            const int words = packet_[0] | (packet_[1] << 8);
            if (words > kMaxWords) {
                Put(out, "PER");
                return Fail("packet of more than 64 words");
            }
            if (packet_.size() < 3 + 2u * static_cast<unsigned>(words)) return;
            std::uint8_t sum = packet_[2];
            for (std::size_t i = 3; i < packet_.size(); ++i)
                sum = static_cast<std::uint8_t>(sum + packet_[i]);
            if (sum != 0) {
                Put(out, "PER");
                return Fail("packet checksum mismatch");
            }
            if (fault_ == TProgrammerFault::SilentAfterPacket) {
                phase_ = TPhase::Failed;
                failure_ = "silent after the packet";
                return;
            }
            Put(out, "PRV");
            phase_ = TPhase::WaitReceivedAnswer;
            return;
        }
        case TPhase::WaitReceivedAnswer:
            return ExpectAnswer(byte, "PWT", TPhase::WaitWrittenAnswer, out);
        case TPhase::WaitWrittenAnswer:
            return ExpectAnswer(byte, "PVR", TPhase::WaitVerifiedAnswer, out);
        case TPhase::WaitVerifiedAnswer:
            return ExpectAnswer(byte, nullptr, TPhase::Done, out);
        default:
            return;
    }
}

void TEepromProgrammer::ExpectAnswer(std::uint8_t byte, const char* next, TPhase after,
                                     std::vector<std::uint8_t>& out) {
    if (byte != 'O') return Fail("unexpected byte instead of \"O\"");
    if (next != nullptr) Put(out, next);
    phase_ = after;
}

void TEepromProgrammer::Fail(const std::string& why) {
    phase_ = TPhase::Failed;
    failure_ = why;
}

std::vector<std::uint8_t> TEepromProgrammerProgram::Opening(const struct termios& line) {
    constexpr auto kSettled = std::chrono::milliseconds(200);
    const bool transferSettings = cfgetospeed(&line) == B4800 && (line.c_cflag & CSTOPB) != 0;
    const auto now = std::chrono::steady_clock::now();
    if (!transferSettings) {
        settingsSeen_ = false;
        return {};
    }
    if (!settingsSeen_) {
        settingsSeen_ = true;
        settingsSince_ = now;
    }
    if (now - settingsSince_ < kSettled) return {};
    greeted_ = true;
    return programmer_.Prompt();
}
