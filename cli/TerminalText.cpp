// Conversion between the system's Shift_JIS, tivra-cli's UTF-8 and the terminal's codeset.
#include "TerminalText.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>

#include "Cp932.h"

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The codeset iconv is given for a locale's codeset. Shift_JIS locales get CP932, the
// system's own code page, so that its extension characters survive.
std::string IconvCodeset(const std::string& codeset) {
    std::string upper = Upper(codeset);
    if (upper.empty() || upper == "ANSI_X3.4-1968" || upper == "ASCII" || upper == "US-ASCII") {
        return "UTF-8";
    }
    if (upper == "UTF8") return "UTF-8";
    if (upper == "SJIS" || upper == "SHIFT_JIS" || upper == "SHIFT-JIS" || upper == "CP932" ||
        upper == "WINDOWS-31J") {
        return "CP932";
    }
    if (upper == "EUCJP") return "EUC-JP";
    return codeset;
}

std::string BreakLines(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string ConvertText(const std::string& text, const std::string& from, const std::string& to,
                        const std::string& replacement) {
    if (Upper(from) == Upper(to)) return text;
    return ConvertCharset(text, from.c_str(), to.c_str(), replacement);
}

TTerminalText::TTerminalText() : codeset_(IconvCodeset(nl_langinfo(CODESET))) {}

TTerminalText::TTerminalText(const std::string& codeset) : codeset_(IconvCodeset(codeset)) {}

std::string TTerminalText::FromSjis(const std::string& sjis) const {
    return ConvertText(BreakLines(sjis), "CP932", codeset_, "?");
}

std::string TTerminalText::FromUtf8(const std::string& utf8) const {
    return ConvertText(utf8, "UTF-8", codeset_, "?");
}

std::string TTerminalText::ToSjis(const std::string& typed) const {
    return ConvertText(typed, codeset_, "CP932", "?");
}
