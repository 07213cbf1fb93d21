// The reply head's announced size and the body's blocks.
#include "HttpReply.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool ParseContentLength(const std::string& value, std::int32_t& size) {
    std::string digits = Trim(value);
    if (digits.empty()) return false;
    std::int64_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
        if (number > 2147483647) return false;
    }
    size = static_cast<std::int32_t>(number);
    return true;
}

void THTTPReplyHead::AddLine(const char* data, std::size_t size) {
    std::string line(data, size);
    if (StartsWithNoCase(line, "http/")) {
        *this = THTTPReplyHead();
        return;
    }
    if (seen_ || !StartsWithNoCase(line, "content-length")) return;
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || !Trim(line.substr(14, colon - 14)).empty()) return;
    seen_ = true;
    std::int32_t announced = 0;
    if (ParseContentLength(line.substr(colon + 1), announced)) {
        state_ = TContentLength::Valid;
        size_ = announced;
    } else {
        state_ = TContentLength::Invalid;
        size_ = 0;
    }
}

bool THTTPBodyBlocks::Append(const char* data, std::size_t size, const TSink& sink) {
    if (overLimit_) return false;
    if (static_cast<std::int64_t>(size) > limit_ - received_) {
        overLimit_ = true;
        return false;
    }
    received_ += static_cast<std::int64_t>(size);
    while (size > 0) {
        std::size_t take = std::min(size, BlockSize - pending_.size());
        pending_.append(data, take);
        data += take;
        size -= take;
        if (pending_.size() == BlockSize && !Deliver(sink)) return false;
    }
    return true;
}

bool THTTPBodyBlocks::Finish(const TSink& sink) {
    if (overLimit_) return false;
    if (pending_.empty()) return true;
    return Deliver(sink);
}

bool THTTPBodyBlocks::Deliver(const TSink& sink) {
    delivered_ += static_cast<std::int64_t>(pending_.size());
    bool more = sink(pending_.data(), pending_.size());
    pending_.clear();
    return more;
}
