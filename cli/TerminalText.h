// Text for the terminal. The system's messages are Shift_JIS bytes and tivra-cli's own texts
// are UTF-8; the terminal shows neither necessarily: its encoding is the locale's codeset
// (UTF-8, EUC-JP, Shift_JIS...). Output is converted to that codeset, and what the user types
// is converted back to Shift_JIS. A locale that names plain ASCII (the C locale) gets UTF-8,
// which is what terminals show nearly everywhere such a locale is left in place.
#pragma once

#include <string>

class TTerminalText {
public:
    // The codeset of the user's locale (setlocale must have run).
    TTerminalText();
    // A given codeset, as iconv names it ("UTF-8", "EUC-JP", "CP932").
    explicit TTerminalText(const std::string& codeset);

    const std::string& Codeset() const { return codeset_; }

    // Shift_JIS text of the system for the terminal; "\r" line breaks of message boxes become
    // "\n".
    std::string FromSjis(const std::string& sjis) const;
    // tivra-cli's own UTF-8 text for the terminal.
    std::string FromUtf8(const std::string& utf8) const;
    // Typed text to the system's Shift_JIS.
    std::string ToSjis(const std::string& typed) const;

private:
    std::string codeset_;
};

// Bytes converted between two iconv codesets; bytes that do not convert become replacement.
std::string ConvertText(const std::string& text, const std::string& from, const std::string& to,
                        const std::string& replacement);
