// Quoting bytes as JSON strings.
#include "ApSimJson.h"

#include <cstdio>

std::string JsonString(const std::string& bytes) {
    std::string text = "\"";
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            text += '\\';
            text += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04X", byte);
            text += escaped;
        }
    }
    return text + "\"";
}
