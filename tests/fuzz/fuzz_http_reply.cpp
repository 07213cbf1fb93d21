// Arbitrary bytes as an HTTP reply: the head lines give the announced size, and the body, cut
// by the network at arbitrary places, must come out in blocks of 1025 bytes (all full but the
// last) with nothing lost, doubled or let past the bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "HttpReply.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckHead(const std::string& head) {
    THTTPReplyHead reply;
    std::size_t start = 0;
    while (start < head.size()) {
        std::size_t end = head.find('\n', start);
        end = end == std::string::npos ? head.size() : end + 1;
        reply.AddLine(head.data() + start, end - start);
        start = end;
    }
    if (reply.LengthState() == TContentLength::Valid) {
        Check(reply.AnnouncedSize() >= 0);
    } else {
        Check(reply.AnnouncedSize() == 0);
    }
}

void CheckBody(const std::string& body, const std::string& cuts, std::int64_t limit) {
    THTTPBodyBlocks blocks(limit);
    std::string joined;
    bool shortSeen = false;
    auto sink = [&](const char* data, std::size_t size) {
        Check(size > 0 && size <= THTTPBodyBlocks::BlockSize);
        Check(!shortSeen);  // only the last block may be short
        shortSeen = size < THTTPBodyBlocks::BlockSize;
        joined.append(data, size);
        return true;
    };
    std::size_t at = 0;
    std::size_t cut = 0;
    bool going = true;
    while (going && at < body.size()) {
        std::size_t piece = cuts.empty()
                                ? body.size()
                                : static_cast<unsigned char>(cuts[cut++ % cuts.size()]) * 9 + 1;
        piece = std::min(piece, body.size() - at);
        going = blocks.Append(body.data() + at, piece, sink);
        at += piece;
    }
    if (going) going = blocks.Finish(sink);
    Check(going == !blocks.OverLimit());
    Check(blocks.Delivered() == static_cast<std::int64_t>(joined.size()));
    Check(body.compare(0, joined.size(), joined) == 0);
    if (going) {
        Check(joined == body);
    } else {
        Check(static_cast<std::int64_t>(body.size()) > limit);
        Check(static_cast<std::int64_t>(joined.size()) <= limit);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // head, blank line, body; the first bytes of the body also choose where the network cuts.
    std::size_t blank = input.find("\r\n\r\n");
    std::string head = input.substr(0, blank);
    std::string body = blank == std::string::npos ? std::string() : input.substr(blank + 4);
    CheckHead(head);
    std::string cuts = body.substr(0, 8);
    CheckBody(body, cuts, 4000);
    CheckBody(body, cuts, HTTPTextReplyLimit);
    return 0;
}
