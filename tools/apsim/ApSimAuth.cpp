// Basic credentials: Base64 and the check of an Authorization header.
#include "ApSimAuth.h"

#include <strings.h>

std::string Base64Encode(const std::string& bytes) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16 |
                         static_cast<unsigned char>(bytes[i + 1]) << 8 |
                         static_cast<unsigned char>(bytes[i + 2]);
        text += alphabet[value >> 18];
        text += alphabet[(value >> 12) & 63];
        text += alphabet[(value >> 6) & 63];
        text += alphabet[value & 63];
    }
    std::size_t left = bytes.size() - i;
    if (left > 0) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (left == 2) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        text += alphabet[value >> 18];
        text += alphabet[(value >> 12) & 63];
        text += left == 2 ? alphabet[(value >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

bool IsBasicAuthorized(const std::string& authorization, const std::string& user,
                       const std::string& password) {
    const std::string scheme = "basic ";
    if (authorization.size() < scheme.size() ||
        strncasecmp(authorization.c_str(), scheme.c_str(), scheme.size()) != 0) {
        return false;
    }
    std::string credentials = authorization.substr(scheme.size());
    credentials.erase(0, credentials.find_first_not_of(' '));
    while (!credentials.empty() && credentials.back() == ' ') credentials.pop_back();
    return credentials == Base64Encode(user + ":" + password);
}
