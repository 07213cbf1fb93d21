// Half-width to full-width katakana replacement for Shift_JIS text.
#include "HenkanJ.h"

#include <cstddef>

#include "JConvert.h"

namespace {

constexpr std::uint8_t kVoicedMark = 0xDE;             // ﾞ
constexpr std::uint8_t kSemiVoicedMark = 0xDF;         // ﾟ
constexpr std::uint16_t kFullVoicedMark = 0x212B;      // ゛
constexpr std::uint16_t kFullSemiVoicedMark = 0x212C;  // ゜
constexpr std::uint16_t kKatakanaRow = 0x2500;

struct KanaEntry {
    std::uint8_t cell;  // second JIS byte of the full-width katakana, 0 for no entry
    bool voiceable;     // a following ﾞ or ﾟ joins the character
};

// Half-width bytes A0 to DF to the full-width katakana of JIS row 25.
constexpr KanaEntry kKanaTable[0x40] = {
    {0x00, false}, {0x00, false}, {0x00, false}, {0x00, false},  // A0 ｡ ｢ ｣
    {0x00, false}, {0x00, false}, {0x72, false}, {0x21, false},  // ､ ･ ｦ ｧ
    {0x23, false}, {0x25, false}, {0x27, false}, {0x29, false},  // ｨ ｩ ｪ ｫ
    {0x63, false}, {0x65, false}, {0x67, false}, {0x43, false},  // ｬ ｭ ｮ ｯ
    {0x00, false}, {0x22, false}, {0x24, false}, {0x26, false},  // ｰ ｱ ｲ ｳ
    {0x28, false}, {0x2A, false}, {0x2B, true},  {0x2D, true},   // ｴ ｵ ｶ ｷ
    {0x2F, true},  {0x31, true},  {0x33, true},  {0x35, true},   // ｸ ｹ ｺ ｻ
    {0x37, true},  {0x39, true},  {0x3B, true},  {0x3D, true},   // ｼ ｽ ｾ ｿ
    {0x3F, true},  {0x41, true},  {0x44, true},  {0x46, true},   // ﾀ ﾁ ﾂ ﾃ
    {0x48, true},  {0x4A, false}, {0x4B, false}, {0x4C, false},  // ﾄ ﾅ ﾆ ﾇ
    {0x4D, false}, {0x4E, false}, {0x4F, true},  {0x52, true},   // ﾈ ﾉ ﾊ ﾋ
    {0x55, true},  {0x58, true},  {0x5B, true},  {0x5E, false},  // ﾌ ﾍ ﾎ ﾏ
    {0x5F, false}, {0x60, false}, {0x61, false}, {0x62, false},  // ﾐ ﾑ ﾒ ﾓ
    {0x64, false}, {0x66, false}, {0x68, false}, {0x69, false},  // ﾔ ﾕ ﾖ ﾗ
    {0x6A, false}, {0x6B, false}, {0x6C, false}, {0x6D, false},  // ﾘ ﾙ ﾚ ﾛ
    {0x6F, false}, {0x73, false}, {0x00, false}, {0x00, false},  // ﾜ ﾝ ﾞ ﾟ
};

bool IsHalfKanaByte(std::uint8_t byte) { return byte >= 0xA0 && byte <= 0xDF; }

bool IsVoicingMark(std::uint8_t byte) { return byte == kVoicedMark || byte == kSemiVoicedMark; }

std::string JisCodeToSjisText(std::uint16_t jisCode) { return CodeToText(JisToSjisCode(jisCode)); }

}  // namespace

bool IsSjisLeadByte(std::uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::uint16_t JisToSjisCode(std::uint16_t jisCode) {
    std::string sjis = JisToSjisChar(static_cast<std::uint8_t>(jisCode >> 8),
                                     static_cast<std::uint8_t>(jisCode & 0xFF));
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(sjis[0]) << 8) |
                                      static_cast<std::uint8_t>(sjis[1]));
}

std::string CodeToText(std::uint16_t code) {
    std::string text;
    text += static_cast<char>(static_cast<std::uint8_t>(code >> 8));
    text += static_cast<char>(static_cast<std::uint8_t>(code & 0xFF));
    return text;
}

std::string HalfKanaPieceToFull(const std::string& piece) {
    if (piece.empty() || piece.size() > 2) return piece;
    std::uint8_t kana = static_cast<std::uint8_t>(piece[0]);
    if (!IsHalfKanaByte(kana)) return piece;
    const KanaEntry& entry = kKanaTable[kana - 0xA0];
    if (entry.cell == 0) return piece;

    std::uint16_t code = static_cast<std::uint16_t>(kKatakanaRow + entry.cell);
    if (piece.size() == 1) return JisCodeToSjisText(code);
    std::uint8_t mark = static_cast<std::uint8_t>(piece[1]);
    if (!IsVoicingMark(mark)) return piece;  // not a kana with its mark
    if (entry.voiceable) return JisCodeToSjisText(code + (mark == kVoicedMark ? 1 : 2));
    return JisCodeToSjisText(code) +
           JisCodeToSjisText(mark == kVoicedMark ? kFullVoicedMark : kFullSemiVoicedMark);
}

std::string HalfKanaToFull(const std::string& sjisText) {
    std::string result;
    result.reserve(sjisText.size() * 2);
    std::size_t pos = 0;
    while (pos < sjisText.size()) {
        std::uint8_t first = static_cast<std::uint8_t>(sjisText[pos]);
        std::size_t length = 1;
        if (IsSjisLeadByte(first)) {
            // A lead byte cut off at the end is copied alone: nothing is invented after it.
            result.append(sjisText, pos, 2);
            length = 2;
        } else if (!IsHalfKanaByte(first)) {
            result += static_cast<char>(first);
        } else {
            bool withMark = pos + 1 < sjisText.size() &&
                            IsVoicingMark(static_cast<std::uint8_t>(sjisText[pos + 1]));
            length = withMark ? 2 : 1;
            result += HalfKanaPieceToFull(sjisText.substr(pos, length));
        }
        pos += length;
    }
    return result;
}
