// JSON text for the simulator's report. Wire data is bytes, not Unicode: each byte from 80
// hexadecimal up is written as the character of the same number (\u0080 to \u00FF), so a
// reader gets back the exact bytes by taking every character's number as a byte.
#pragma once

#include <string>

// The bytes as a quoted JSON string.
std::string JsonString(const std::string& bytes);
