// Test helpers for byte texts: building a text from byte values and showing one as hex, so
// that Shift_JIS and EUC-JP expectations read as the byte tables they come from.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>

inline std::string Bytes(std::initializer_list<int> values) {
    std::string text;
    for (int value : values) text += static_cast<char>(static_cast<unsigned char>(value));
    return text;
}

inline std::string Hex(const std::string& text) {
    std::string shown;
    char buffer[4];
    for (unsigned char byte : text) {
        std::snprintf(buffer, sizeof buffer, "%02X", byte);
        if (!shown.empty()) shown += ' ';
        shown += buffer;
    }
    return shown;
}
