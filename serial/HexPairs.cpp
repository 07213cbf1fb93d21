// Hexadecimal pairs of the controller configuration.
#include "HexPairs.h"

#include "SystemError.h"

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::uint8_t HexPairByte(const std::string& text, std::size_t index) {
    std::string pair = 2 * index < text.size() ? text.substr(2 * index, 2) : std::string();
    int value = 0;
    for (char c : pair) {
        int digit = HexDigitValue(c);
        if (digit < 0) {
            value = -1;
            break;
        }
        value = value * 16 + digit;
    }
    if (pair.empty() || value < 0)
        throw EConvertError("'" + pair + "' is not a valid integer value");
    return static_cast<std::uint8_t>(value);
}
