// The integer conversion behind IsIntegerText and the MAC address checks.
#include "IntegerText.h"

#include <cstddef>

namespace {

// Value of a hexadecimal digit in either letter case, or -1.
int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Length of the hexadecimal prefix at pos ("$", "x", "X", "0x", "0X"), or 0 when there is none.
std::size_t HexPrefixLength(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    char c = text[pos];
    if (c == '$' || c == 'x' || c == 'X') return 1;
    if (c == '0' && pos + 1 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        return 2;
    }
    return 0;
}

std::optional<std::int32_t> HexToInteger(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) return std::nullopt;
    std::uint32_t value = 0;
    for (; pos < text.size(); ++pos) {
        int digit = HexDigitValue(text[pos]);
        if (digit < 0 || value > 0x0FFFFFFFu) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> DecimalToInteger(const std::string& text, std::size_t pos) {
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size()) return std::nullopt;
    // The magnitude is collected as a positive number; the negative limit is one larger.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

std::optional<std::int32_t> TextToInteger(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    std::size_t prefix = HexPrefixLength(text, pos);
    if (prefix > 0) return HexToInteger(text, pos + prefix);
    return DecimalToInteger(text, pos);
}
