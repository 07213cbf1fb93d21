// Reply processing of the HTTP request component, kept free of any network code so that it can
// be checked on arbitrary bytes: the reply head's Content-Length (the announced size), and the
// body cut into blocks of at most 1025 bytes, one block per read of the Windows version of the
// program, with an upper bound on the bytes one reply may bring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// How the reply head announced the body's size.
enum class TContentLength {
    Missing,  // no Content-Length header
    Valid,    // a decimal number that fits a 32-bit size
    Invalid,  // present, but not a decimal number (or too large)
};

// Reads "Content-Length" from the head lines of a reply. A status line ("HTTP/...") starts a
// new head, so an interim reply (a 100 or a challenge before a retry) leaves nothing behind.
class THTTPReplyHead {
public:
    // One header line as received, with or without its line end.
    void AddLine(const char* data, std::size_t size);

    TContentLength LengthState() const { return state_; }
    // The announced size; 0 unless LengthState() is Valid.
    std::int32_t AnnouncedSize() const { return size_; }

private:
    bool seen_ = false;
    TContentLength state_ = TContentLength::Missing;
    std::int32_t size_ = 0;
};

// Reads a Content-Length value: blanks and tabs around it are ignored, the rest must be decimal
// digits (no sign) of a value up to 2147483647.
bool ParseContentLength(const std::string& value, std::int32_t& size);

// Cuts the body into blocks of BlockSize bytes, as the Windows version's read loop received them:
// every block is full except the last. The sink gets each block and returns false to stop the body.
// The body is bounded: bytes beyond the limit stop it and mark it over the limit.
class THTTPBodyBlocks {
public:
    static constexpr std::size_t BlockSize = 1025;
    using TSink = std::function<bool(const char* data, std::size_t size)>;

    explicit THTTPBodyBlocks(std::int64_t limit) : limit_(limit) {}

    // Takes received bytes; full blocks go to the sink. False when the body must stop (the
    // sink said so, or the limit was passed).
    bool Append(const char* data, std::size_t size, const TSink& sink);
    // Hands the last, short block to the sink at the end of the body. False when it stopped.
    bool Finish(const TSink& sink);

    // Bytes handed to the sink so far.
    std::int64_t Delivered() const { return delivered_; }
    bool OverLimit() const { return overLimit_; }

private:
    bool Deliver(const TSink& sink);

    std::int64_t limit_;
    std::int64_t received_ = 0;
    std::int64_t delivered_ = 0;
    bool overLimit_ = false;
    std::string pending_;
};

// The most a reply collected as text may bring: 16 MiB.
constexpr std::int64_t HTTPTextReplyLimit = 16 * 1024 * 1024;
// The most a reply written to a file may bring: the largest announced size.
constexpr std::int64_t HTTPFileReplyLimit = 2147483647;
