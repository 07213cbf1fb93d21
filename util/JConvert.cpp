// Shift_JIS <-> EUC-JP conversion through JIS X 0208 codes.
#include "JConvert.h"

#include <cstddef>

namespace {

std::uint8_t ByteAt(const std::string& text, std::size_t pos) {
    return pos < text.size() ? static_cast<std::uint8_t>(text[pos]) : 0;
}

void AppendByte(std::string& text, unsigned value) {
    text += static_cast<char>(static_cast<std::uint8_t>(value));
}

}  // namespace

std::string JisToSjisChar(std::uint8_t j1, std::uint8_t j2) {
    std::uint8_t half = static_cast<std::uint8_t>(static_cast<std::uint8_t>(j1 + 1) >> 1);
    std::uint8_t lead = static_cast<std::uint8_t>(half + (j1 < 0x5F ? 0x70 : 0xB0));
    std::uint8_t trail;
    if (j1 % 2 == 0) {
        trail = static_cast<std::uint8_t>(j2 + 0x7E);
    } else {
        trail = static_cast<std::uint8_t>(j2 + (j2 <= 0x5F ? 0x1F : 0x20));
    }
    std::string text;
    AppendByte(text, lead);
    AppendByte(text, trail);
    return text;
}

std::string SjisToJisChar(std::uint8_t lead, std::uint8_t trail) {
    std::uint8_t j1 = static_cast<std::uint8_t>(2 * (lead - (lead < 0xA0 ? 0x70 : 0xB0)));
    std::uint8_t j2;
    if (trail < 0x9F) {
        j1 = static_cast<std::uint8_t>(j1 - 1);
        j2 = static_cast<std::uint8_t>(trail - (trail <= 0x7F ? 0x1F : 0x20));
    } else {
        j2 = static_cast<std::uint8_t>(trail - 0x7E);
    }
    std::string text;
    AppendByte(text, j1);
    AppendByte(text, j2);
    return text;
}

std::string EucToSjis(const std::string& eucText) {
    std::string result;
    result.reserve(eucText.size() + 1);
    std::size_t pos = 0;
    while (pos < eucText.size()) {
        std::uint8_t first = ByteAt(eucText, pos);
        if (first <= 0x80 || first == 0xFF) {
            AppendByte(result, first);
            pos += 1;
        } else if (first == 0x8E) {
            AppendByte(result, ByteAt(eucText, pos + 1));
            pos += 2;
        } else {
            std::uint8_t second = ByteAt(eucText, pos + 1);
            result += JisToSjisChar(first & 0x7F, second & 0x7F);
            pos += 2;
        }
    }
    return result;
}

std::string SjisToEuc(const std::string& sjisText) {
    std::string result;
    result.reserve(sjisText.size() + sjisText.size() / 2 + 1);
    std::size_t pos = 0;
    while (pos < sjisText.size()) {
        std::uint8_t first = ByteAt(sjisText, pos);
        if (first <= 0x7F) {
            AppendByte(result, first);
            pos += 1;
        } else if (first >= 0xA1 && first <= 0xDF) {
            AppendByte(result, 0x8E);
            AppendByte(result, first);
            pos += 1;
        } else {
            std::string jis = SjisToJisChar(first, ByteAt(sjisText, pos + 1));
            AppendByte(result, static_cast<std::uint8_t>(jis[0]) | 0x80);
            AppendByte(result, static_cast<std::uint8_t>(jis[1]) | 0x80);
            pos += 2;
        }
    }
    return result;
}
