// Shift_JIS <-> EUC-JP conversion of texts, character by character through JIS X 0208 codes.
// The access point keeps the memos of its MAC address filter in EUC-JP; the program works in
// Shift_JIS. Half-width katakana travel as single bytes in Shift_JIS and behind 8E in EUC-JP.
// All byte arithmetic wraps modulo 256; the functions never fail and never read past the end
// of a text: a character cut off at the end takes 0 as its missing byte.
#pragma once

#include <cstdint>
#include <string>

// The two-byte Shift_JIS text of the JIS code (j1, j2).
std::string JisToSjisChar(std::uint8_t j1, std::uint8_t j2);

// The JIS code (j1, j2), as a two-byte text, of the Shift_JIS character (lead, trail).
std::string SjisToJisChar(std::uint8_t lead, std::uint8_t trail);

// Converts EUC-JP text to Shift_JIS: bytes up to 80 and FF are copied, 8E and the byte after it
// give that byte (half-width katakana), every other byte and the one after it are a JIS code
// with bit 7 set.
std::string EucToSjis(const std::string& eucText);

// Converts Shift_JIS text to EUC-JP: bytes up to 7F are copied, A1 to DF (half-width katakana)
// are written behind 8E, every other byte and the one after it form a two-byte character
// that is written as its JIS code with bit 7 set.
std::string SjisToEuc(const std::string& sjisText);
