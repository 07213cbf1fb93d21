// The C library's iconv as an independent reference for the kanji conversion tests: it
// converts by its own tables, not by the JIS arithmetic under test.
#pragma once

#include <errno.h>
#include <iconv.h>

#include <optional>
#include <string>

class TIconvOracle {
public:
    TIconvOracle(const char* toCode, const char* fromCode)
        : handle_(iconv_open(toCode, fromCode)) {}
    ~TIconvOracle() {
        if (IsOpen()) iconv_close(handle_);
    }
    TIconvOracle(const TIconvOracle&) = delete;
    TIconvOracle& operator=(const TIconvOracle&) = delete;

    bool IsOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted, or nothing when iconv refuses any part of it.
    std::optional<std::string> Convert(const std::string& input) {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        std::string in = input;
        char buffer[64];
        std::string output;
        char* inPtr = in.data();
        size_t inLeft = in.size();
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t done = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
            output.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (done == static_cast<size_t>(-1) && errno != E2BIG) return std::nullopt;
        }
        return output;
    }

private:
    iconv_t handle_;
};
