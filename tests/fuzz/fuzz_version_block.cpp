// Arbitrary bytes as a program file: the version block lookup must never read out of bounds.
#include <cstddef>
#include <cstdint>

#include "VersionBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QueryVersionValueInImage(data, size, "\\StringFileInfo\\\\041103A4\\FileVersion");
    return 0;
}
