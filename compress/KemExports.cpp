// The three functions libkemcmprs.so exports. No exception crosses the C boundary: a failure to
// get memory for the file buffers becomes the failure result, with every file closed.
#include "ContainerFile.h"
#include "kemcmprs.h"

extern "C" {

KEMCMPRS_API int32_t KEMCMPRS_CALL KemCompress(const char* sourcePath, const char* destinationPath,
                                               const void* memo, int32_t memoLength) {
    try {
        return Kemcmprs::CompressFile(sourcePath, destinationPath, memo, memoLength);
    } catch (...) {
        return KEMCMPRS_FAILED;
    }
}

KEMCMPRS_API int32_t KEMCMPRS_CALL KemUnCompress(const char* containerPath,
                                                 const char* destinationPath) {
    try {
        return Kemcmprs::UnCompressFile(containerPath, destinationPath);
    } catch (...) {
        return KEMCMPRS_FAILED;
    }
}

KEMCMPRS_API int32_t KEMCMPRS_CALL KemGetCompressMemo(const char* containerPath, char* buffer) {
    try {
        return Kemcmprs::ReadCompressMemo(containerPath, buffer);
    } catch (...) {
        return KEMCMPRS_FAILED;
    }
}

}  // extern "C"
