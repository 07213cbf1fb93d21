// EFileError: the file exception of the platform layer. Bound files, filter files and the
// other file work of the wizard raise it; the calling handler turns it into an error result
// or an error box. It carries the path and the system's own error text.
#pragma once

#include <stdexcept>
#include <string>

class EFileError : public std::runtime_error {
public:
    // errorNumber is an errno value; its system text becomes part of the message.
    EFileError(const std::string& path, int errorNumber);
    // For failures without an errno value (a short read, a short write).
    EFileError(const std::string& path, const std::string& systemText);

    const std::string& Path() const { return path_; }
    const std::string& SystemText() const { return systemText_; }

private:
    std::string path_;
    std::string systemText_;
};
