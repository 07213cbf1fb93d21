// The three container operations behind the library's exports: compress a file into a
// container, expand a container into a file, read a container's memo. Each opens and closes its
// own files and returns one of the KEMCMPRS_* results of kemcmprs.h.
#pragma once

#include <cstdint>

namespace Kemcmprs {

std::int32_t CompressFile(const char* sourcePath, const char* destinationPath, const void* memo,
                          std::int32_t memoLength);

std::int32_t UnCompressFile(const char* containerPath, const char* destinationPath);

std::int32_t ReadCompressMemo(const char* containerPath, char* buffer);

}  // namespace Kemcmprs
