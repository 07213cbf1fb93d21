// TBootCodeMachine: the access point's boot code as a byte machine, without line or thread. It
// powers on at the first byte it hears (sending its start-up messages, if any), answers "$" to
// the wake-up string "DORBA", starts the upload on "F", and takes the loader in blocks: it
// acknowledges with "$" (or the configured byte) before the first block, after each length and
// after each block, checks every block's checksum ("%" on a mismatch, "#" for a length above
// 1024), and acknowledges the end marker (length 0). A fault replaces one acknowledgement with
// "!", "#" or "%", or falls silent from there on. A wake-up string after the upload ended
// (done or failed) switches the boot code on anew, as a user would for the next attempt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TBootFault { None, Bang, Hash, Percent, Silence };

struct TBootCodeConfig {
    // Sent at power-on, before the answer to the wake-up string. Must not contain "$".
    std::string Noise;
    TBootFault Fault = TBootFault::None;
    // The acknowledgement the fault replaces, counted from 0: 0 is the one after "F", 1 the one
    // after the first length, 2 the one after the first block. -1 is the answer to the wake-up
    // string itself (with Silence: the boot code never answers).
    int FaultAck = 2;
    // The acknowledgement byte; any byte but "!", "#" and "%" is taken as one.
    std::uint8_t AckByte = '$';
};

// Start-up messages of --boot-noise.
extern const char BootCodeNoise[];

// Parses "bang", "hash", "percent" or "silence".
bool ParseBootFault(const std::string& text, TBootFault& fault);

class TBootCodeMachine {
public:
    enum class TPhase { Off, WaitWakeUp, WaitStart, Length, Data, Checksum, Done, Failed };

    explicit TBootCodeMachine(TBootCodeConfig config = {});

    // Bytes from the line; returns the bytes the boot code sends back.
    std::vector<std::uint8_t> Feed(const std::uint8_t* data, std::size_t size);
    // Back to power-off, forgetting the loader received so far.
    void Reset();

    TPhase Phase() const { return phase_; }
    // The loader bytes of every accepted block.
    const std::vector<std::uint8_t>& Loader() const { return loader_; }
    // True once the end marker was acknowledged.
    bool LoaderComplete() const { return phase_ == TPhase::Done; }
    // Why the upload failed ("" while it has not).
    const std::string& Failure() const { return failure_; }

private:
    void Take(std::uint8_t byte, std::vector<std::uint8_t>& out);
    // True when byte completes the wake-up string.
    bool MatchWakeUp(std::uint8_t byte);
    void AnswerWakeUp(std::vector<std::uint8_t>& out);
    void Acknowledge(std::vector<std::uint8_t>& out);
    void Fail(const std::string& why, std::uint8_t answer, std::vector<std::uint8_t>& out);

    TBootCodeConfig config_;
    TPhase phase_ = TPhase::Off;
    std::size_t wakeUpMatched_ = 0;
    int acks_ = 0;  // acknowledgements sent so far (the wake-up answer is -1)
    bool silent_ = false;
    std::uint8_t lengthLow_ = 0;
    bool haveLengthLow_ = false;
    std::size_t blockLength_ = 0;
    std::vector<std::uint8_t> block_;
    std::vector<std::uint8_t> loader_;
    std::string failure_;
};
