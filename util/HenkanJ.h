// Half-width katakana (JIS X 0201) to full-width katakana (JIS X 0208) in Shift_JIS text.
// The MAC address filter refuses a memo whose text changes under HalfKanaToFull, since the
// access point cannot keep half-width katakana in its memos.
#pragma once

#include <cstdint>
#include <string>

// True for a Shift_JIS lead byte: 81 to 9F or E0 to FC.
bool IsSjisLeadByte(std::uint8_t byte);

// The Shift_JIS code of a JIS X 0208 code (first JIS byte in the high byte); the result has
// the lead byte in the high byte and the trail byte in the low byte.
std::uint16_t JisToSjisCode(std::uint16_t jisCode);

// The two bytes of a 16-bit code as text, high byte first.
std::string CodeToText(std::uint16_t code);

// Converts one piece: a half-width katakana byte (A0 to DF), optionally followed by a voicing
// mark DE or DF. A voiceable kana takes the mark into one voiced or semi-voiced character; any
// other kana is followed by the full-width mark. Bytes without a katakana entry (A0 to A5, B0,
// a lone mark) and anything that is not such a piece come back unchanged.
std::string HalfKanaPieceToFull(const std::string& piece);

// The Shift_JIS text with every single-byte half-width katakana replaced by its full-width
// form; two-byte characters and all other bytes are copied unchanged.
std::string HalfKanaToFull(const std::string& sjisText);
