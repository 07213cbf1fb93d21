// The loader upload as it runs on the line, without port, file or thread: the wire bytes of the
// boot code dialogue, the meaning of its acknowledgement bytes, and TLoaderUpload, the block
// upload as a state machine. TThSendLoader drives it with the port; tests and the fuzzer feed
// it bytes directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// States reported through TThSendLoader::OnStatus.
enum TLoaderState : std::uint8_t {
    lsWaiting = 0,   // port open, waiting for the access point to answer
    lsDone = 7,      // loader sent and acknowledged
    lsFailed = 8,    // failed or cancelled, with an error code
    lsSending = 11,  // sending the loader, with a percentage
};

// Error codes of a state-8 report.
enum TLoaderError : std::uint8_t {
    leNone = 0,
    leTimeout = 1,         // no acknowledgement, or a write kept failing, within the time-out
    leRefusedHash = 2,     // the access point answered "#"
    leRefusedPercent = 3,  // the access point answered "%"
    leFlashAccess = 4,     // the access point answered "!"
    leCancelled = 5,       // termination of the thread was requested
    leReadFailed = 6,      // a read from the port failed
    lePortOpenFailed = 7,  // the port cannot be opened
    leFileOpenFailed = 9,  // the loader file exists but cannot be opened or read
    leFileMissing = 17,    // the loader file does not exist
    leUnexpected = 255,    // the upload stopped on a failure of the program itself
};

namespace LoaderWire {
// The wake-up string, sent until the boot code answers.
inline constexpr std::uint8_t WakeUp[] = {'D', 'O', 'R', 'B', 'A'};
inline constexpr std::uint8_t WakeUpAnswer = '$';
// Sent once after the answer: the upload begins.
inline constexpr std::uint8_t Start = 'F';
inline constexpr std::uint8_t Ack = '$';
inline constexpr std::uint8_t RefusedHash = '#';
inline constexpr std::uint8_t RefusedPercent = '%';
inline constexpr std::uint8_t FlashAccessError = '!';
// Largest block; a shorter block is the last one.
inline constexpr std::size_t BlockSize = 1024;
}  // namespace LoaderWire

// True for the boot code's answer to the wake-up string; any other byte during the handshake
// (start-up messages) is dropped.
inline bool IsWakeUpAnswer(std::uint8_t byte) { return byte == LoaderWire::WakeUpAnswer; }
// Code of an acknowledgement byte: "!" 4, "#" 2, "%" 3; "$" and every other byte 0 (accepted).
TLoaderError AckCode(std::uint8_t byte);
// Sum of the bytes modulo 256.
std::uint8_t BlockChecksum(const std::uint8_t* data, std::size_t size);

// The block upload after the handshake. Each call of Next says what to do now; after an
// AwaitAck the driver passes the byte that came to Acknowledged (or stops with its own code
// when none came). The wire, for a loader of 1024 x k + r bytes:
//   ack; then per block: length (2 bytes, little-endian); ack; data; checksum; ack;
//   then the end marker 0x00 0x00; ack.
class TLoaderUpload {
public:
    enum class TStep { AwaitAck, Send, Report, Finished };
    struct TAction {
        TStep Step = TStep::Finished;
        std::vector<std::uint8_t> Bytes;  // Send: the bytes
        int Percent = 0;                  // Report: bytes sent x 100 / file size
        TLoaderError Code = leNone;       // Finished: the outcome
    };
    // Fills the buffer with up to size bytes of the file: the count, 0 at the end, -1 on error.
    using TBlockReader = std::function<std::ptrdiff_t(std::uint8_t* buffer, std::size_t size)>;

    TLoaderUpload(std::uint64_t fileSize, TBlockReader reader);

    TAction Next();
    void Acknowledged(std::uint8_t byte);
    std::uint64_t SentBytes() const { return sent_; }

private:
    enum class TPhase {
        AckBeforeBlock,
        ReadBlock,
        AckLength,
        SendData,
        SendChecksum,
        Report,
        AckAfterLast,
        EndMarker,
        AckEnd,
        Finished
    };
    TAction Finish(TLoaderError code);
    int PercentSent() const;

    std::uint64_t fileSize_;
    TBlockReader reader_;
    TPhase phase_ = TPhase::AckBeforeBlock;
    std::vector<std::uint8_t> block_;
    std::uint64_t sent_ = 0;
    TLoaderError code_ = leNone;
};
