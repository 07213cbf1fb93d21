// Shift_JIS (code page 932) text at the widget boundary: the system keeps its text as CP932
// bytes; widgets and the terminal show Unicode. Conversion goes through iconv; bytes that do
// not convert become U+FFFD (to UTF-8) or "?" (to CP932), so no text is ever lost silently
// into an exception.
#pragma once

#include <string>

std::string SjisToUtf8(const std::string& sjis);
std::string Utf8ToSjis(const std::string& utf8);

// Converts text between two iconv codesets; each byte that does not convert becomes
// `replacement`. Text is returned unchanged when iconv does not know the pair.
std::string ConvertCharset(const std::string& text, const char* from, const char* to,
                           const std::string& replacement);
