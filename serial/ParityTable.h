// The parity words of the serial port component: the Shift_JIS words a user may put into
// paritymode, and the parity each one stands for.
#pragma once

#include <optional>
#include <string>

#include "SerialDevice.h"

// "無し" (no parity) in Shift_JIS: the initial paritymode and what every user of the port sets.
inline constexpr char ParityWordNone[] = "\x96\xb3\x82\xb5";

// The parity a word of the table stands for; nullopt for any other text. The comparison is
// exact: letter case and character width matter.
std::optional<TParity> ParityFromWord(const std::string& word);
