// A deliberately plain run-length encoder for the tests: it reads one byte at a time,
// classifies each block with its state, previous byte and equality counter, goes back to the
// block's start and copies it. The library's buffered, vectorised encoder must produce exactly
// the same bytes.
#pragma once

#include <string>

std::string ReferenceEncode(const std::string& input);
