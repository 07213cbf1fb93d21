// TEepromProgrammer: the access point's EEPROM programmer loader as a byte machine, without
// line or thread. It opens the exchange with "PGW" (Prompt), takes the answer "O" and the image
// packet (word count, checksum, image), and then reports reception ("PRV"), writing ("PWT")
// and verification ("PVR"), each after the PC's "O". A packet whose checksum does not match, or
// one over 64 words, is answered "PER" and ends the exchange. Faults replay what tests need: a
// wrong greeting, or silence after the packet.
#pragma once

#include <termios.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BootCode.h"

enum class TProgrammerFault { None, WrongGreeting, SilentAfterPacket };

class TEepromProgrammer {
public:
    enum class TPhase {
        Idle,
        WaitConnectAnswer,
        Packet,
        WaitReceivedAnswer,
        WaitWrittenAnswer,
        WaitVerifiedAnswer,
        Done,
        Failed
    };

    explicit TEepromProgrammer(TProgrammerFault fault = TProgrammerFault::None) : fault_(fault) {}

    // The opening message ("PGW", or a wrong one with WrongGreeting).
    std::vector<std::uint8_t> Prompt();
    // Bytes from the line; returns the bytes the programmer sends back.
    std::vector<std::uint8_t> Feed(const std::uint8_t* data, std::size_t size);

    TPhase Phase() const { return phase_; }
    bool Done() const { return phase_ == TPhase::Done; }
    // The whole packet as received, and the image it carried (2 * word count bytes).
    const std::vector<std::uint8_t>& Packet() const { return packet_; }
    std::vector<std::uint8_t> Image() const;
    const std::string& Failure() const { return failure_; }

private:
    void Take(std::uint8_t byte, std::vector<std::uint8_t>& out);
    void ExpectAnswer(std::uint8_t byte, const char* next, TPhase after,
                      std::vector<std::uint8_t>& out);
    void Fail(const std::string& why);

    TProgrammerFault fault_;
    TPhase phase_ = TPhase::Idle;
    std::vector<std::uint8_t> packet_;
    std::string failure_;
};

// The programmer as a program of the simulated boot code: it greets once the PC has set the
// line to 4800 bit/s with two stop bits (the transfer's settings, standing in for DTR) and the
// settings have stood for a moment, so that the PC's purge on opening cannot swallow the
// greeting; then it answers as TEepromProgrammer does.
class TEepromProgrammerProgram : public TLoaderProgram {
public:
    explicit TEepromProgrammerProgram(TProgrammerFault fault = TProgrammerFault::None)
        : programmer_(fault) {}
    std::vector<std::uint8_t> Feed(const std::uint8_t* data, std::size_t size) override {
        return programmer_.Feed(data, size);
    }
    bool Ended() const override {
        return programmer_.Done() || programmer_.Phase() == TEepromProgrammer::TPhase::Failed;
    }
    bool WaitsToSpeak() const override { return !greeted_; }
    std::vector<std::uint8_t> Opening(const struct termios& line) override;
    const TEepromProgrammer& Programmer() const { return programmer_; }

private:
    TEepromProgrammer programmer_;
    bool greeted_ = false;
    bool settingsSeen_ = false;
    std::chrono::steady_clock::time_point settingsSince_{};
};
