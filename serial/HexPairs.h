// Hexadecimal texts of the controller configuration: two digits per byte, first byte first.
#pragma once

#include <cstdint>
#include <string>

// Value of one hexadecimal digit in either letter case, or -1.
int HexDigitValue(char c);

// The byte of the pair at text[2 * index]: both digits, or the one digit a text of odd length
// ends with. A pair past the end (empty) or with a digit that is not hexadecimal raises
// EConvertError naming the pair.
std::uint8_t HexPairByte(const std::string& text, std::size_t index);
