// Splitting the request address into host and object path, and escaping the path.
#include "HttpUrl.h"

#include <cctype>

namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

bool NeedsEscape(const std::string& path, std::size_t i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c <= 0x20 || c >= 0x7F || c == '#') return true;
    if (c == '%')
        return !(i + 2 < path.size() && IsHexDigit(path[i + 1]) && IsHexDigit(path[i + 2]));
    return false;
}

}  // namespace

THTTPAddress SplitHTTPURL(const std::string& url) {
    static const std::string scheme = "http://";
    std::string rest = url;
    if (rest.size() >= scheme.size()) {
        std::string head = rest.substr(0, scheme.size());
        for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (head == scheme) rest.erase(0, scheme.size());
    }
    THTTPAddress address;
    std::size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        address.Path = rest;
    } else {
        address.Host = rest.substr(0, slash);
        address.Path = rest.substr(slash);
    }
    return address;
}

std::string EncodeRequestPath(const std::string& path) {
    static const char digits[] = "0123456789ABCDEF";
    std::string encoded;
    if (path.empty() || path[0] != '/') encoded = "/";
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (!NeedsEscape(path, i)) {
            encoded += path[i];
            continue;
        }
        unsigned char c = static_cast<unsigned char>(path[i]);
        encoded += '%';
        encoded += digits[c >> 4];
        encoded += digits[c & 0x0F];
    }
    return encoded;
}
