#include "Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

std::string ConvertCharset(const std::string& text, const char* from, const char* to,
                           const std::string& replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string result;
    std::vector<char> buffer(text.size() * 4 + 16);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        size_t status = iconv(cd, &in, &inLeft, &out, &outLeft);
        result.append(buffer.data(), buffer.size() - outLeft);
        if (status == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // An invalid or cut-off sequence: replace one byte and go on.
            result += replacement;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    iconv(cd, nullptr, nullptr, &out, &outLeft);  // a stateful codeset's closing shift
    result.append(buffer.data(), buffer.size() - outLeft);
    iconv_close(cd);
    return result;
}

std::string SjisToUtf8(const std::string& sjis) {
    return ConvertCharset(sjis, "CP932", "UTF-8", "\xEF\xBF\xBD");
}

std::string Utf8ToSjis(const std::string& utf8) {
    return ConvertCharset(utf8, "UTF-8", "CP932", "?");
}
