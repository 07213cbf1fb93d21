// SHA-256 of bytes, so that a report can name content compactly: the simulator's report of
// the streams it received and sent, tivra-cli info of a file.
#pragma once

#include <string>

// Lower-case hexadecimal SHA-256 of the bytes.
std::string Sha256Hex(const std::string& bytes);
