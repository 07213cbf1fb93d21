// SHA-256 of received and sent streams, so the report can name their content compactly.
#pragma once

#include <string>

// Lower-case hexadecimal SHA-256 of the bytes.
std::string Sha256Hex(const std::string& bytes);
