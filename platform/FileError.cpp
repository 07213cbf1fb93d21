#include "FileError.h"

#include <cstring>

namespace {

std::string SystemErrorText(int errorNumber) {
    char buffer[256] = {};
    // GNU strerror_r returns the text, which may or may not be the buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
}

}  // namespace

EFileError::EFileError(const std::string& path, int errorNumber)
    : EFileError(path, SystemErrorText(errorNumber)) {}

EFileError::EFileError(const std::string& path, const std::string& systemText)
    : std::runtime_error(path + ": " + systemText), path_(path), systemText_(systemText) {}
