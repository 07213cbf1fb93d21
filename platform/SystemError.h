// ESystemError: the base of the system's own errors, the ones that carry a message written for
// the user (Shift_JIS), such as the serial port's "cannot be used" or a setting that cannot be
// converted. Whoever finally catches one shows that message in an error box; any other
// exception is unexpected and gets the general error text instead.
#pragma once

#include <stdexcept>
#include <string>

class ESystemError : public std::runtime_error {
public:
    explicit ESystemError(const std::string& message) : std::runtime_error(message) {}
    // The message as the user sees it.
    std::string Message() const { return what(); }
};

// A text that should have been a number is not one (the framework's conversion error).
class EConvertError : public ESystemError {
public:
    using ESystemError::ESystemError;
};
