// The parity words of the serial port component: the Shift_JIS words a user may put into
// paritymode, and the DCB parity value each one stands for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "無し" (no parity) in Shift_JIS: the initial paritymode and what every user of the port sets.
inline constexpr char ParityWordNone[] = "\x96\xb3\x82\xb5";

// The parity value (NOPARITY .. SPACEPARITY) of a word of the table; nullopt for any other
// text. The comparison is exact: letter case and character width matter.
std::optional<std::uint8_t> ParityFromWord(const std::string& word);
