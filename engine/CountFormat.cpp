// Count text for the status page's size fields. The user's separator is taken from the numeric
// locale of the environment through a private locale object, so the program's global locale
// (and every other thread) is left alone.
#include "CountFormat.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Cp932.h"

namespace {

constexpr std::size_t kCountWidth = 15;
const char kDefaultSeparator[] = ",";

// Digits of a non-negative whole number, grouped by three from the right.
std::string GroupDigits(const std::string& digits, const std::string& separator) {
    std::string grouped;
    std::size_t lead = digits.size() % 3;
    if (lead == 0) lead = 3;
    grouped.append(digits, 0, lead);
    for (std::size_t i = lead; i < digits.size(); i += 3) {
        grouped += separator;
        grouped.append(digits, i, 3);
    }
    return grouped;
}

std::string NumberText(double value, const std::string& separator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    double rounded = std::round(value);
    if (rounded == 0) return "0";  // no "-0" for values just below zero
    char digits[400];              // room for the largest double's 309 digits
    std::snprintf(digits, sizeof digits, "%.0f", std::fabs(rounded));
    std::string text = GroupDigits(digits, separator);
    return rounded < 0 ? "-" + text : text;
}

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::string FormatCount(double value, const std::string& separator) {
    std::string text = NumberText(value, separator);
    if (text.size() < kCountWidth) text.insert(0, kCountWidth - text.size(), ' ');
    return text;
}

std::string FormatCount(double value) { return FormatCount(value, UserThousandsSeparator()); }

const std::string& UserThousandsSeparator() {
    static const std::string separator = ThousandsSeparatorOf("");
    return separator;
}

std::string ThousandsSeparatorOf(const std::string& localeName) {
    locale_t locale = newlocale(LC_NUMERIC_MASK | LC_CTYPE_MASK, localeName.c_str(), locale_t{});
    if (locale == locale_t{}) return kDefaultSeparator;
    std::string separator = nl_langinfo_l(THOUSANDS_SEP, locale);
    std::string codeset = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return SeparatorAsSjis(separator, codeset);
}

std::string SeparatorAsSjis(const std::string& separator, const std::string& codeset) {
    if (separator.empty()) return kDefaultSeparator;
    if (IsAscii(separator)) return separator;
    if (codeset != "UTF-8") return kDefaultSeparator;
    // No-break space, thin space and narrow no-break space have no Shift_JIS form.
    if (separator == "\u00A0" || separator == "\u2009" || separator == "\u202F") return " ";
    std::string sjis = Utf8ToSjis(separator);
    if (sjis.empty() || sjis.find('?') != std::string::npos) return kDefaultSeparator;
    return sjis;
}

std::string PlainCount(double value) {
    std::string text = FormatCount(value, ",");
    return text.substr(std::min(text.find_first_not_of(' '), text.size()));
}
