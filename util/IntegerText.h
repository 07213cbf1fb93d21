// The integer conversion that the value checks rest on: decimal with an optional sign, or
// hexadecimal behind one of the prefixes "$", "x", "X", "0x", "0X", after leading spaces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Converts text to a 32-bit integer, or gives nothing when the text is not an integer.
// Accepted: any number of leading spaces (byte 32 only), then either decimal digits with an
// optional "+" or "-" (value within the signed 32-bit range), or a hexadecimal prefix followed
// by hexadecimal digits in either letter case. A hexadecimal value accumulates in 32 bits: a
// further digit is refused once the value exceeds 0FFFFFFF, and values from 80000000 upward
// read as negative. At least one digit is required and nothing may follow the digits.
std::optional<std::int32_t> TextToInteger(const std::string& text);
