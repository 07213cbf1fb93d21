// Value utilities: text splitting, file helpers, IP and MAC address forms, small checks.
#include "Utils.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <optional>

#include "FileSystem.h"
#include "IntegerText.h"
#include "VersionBlock.h"

namespace {

// The version value that the wizard shows: Japanese language (0411), code page 932 (03A4).
const char* const kFileVersionKey = "\\StringFileInfo\\\\041103A4\\FileVersion";
const char* const kUnauthorizedText = "401 Unauthorized";
constexpr std::size_t kMacFieldCount = 6;
constexpr std::size_t kMacHalfLength = 6;
constexpr std::size_t kHalvesFormLength = 13;

bool IsTrimmedByte(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string TrimControlAndBlank(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsTrimmedByte(text[begin])) ++begin;
    while (end > begin && IsTrimmedByte(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Value of one MAC address field: the field read as hexadecimal digits and nothing else.
std::optional<std::int32_t> MacFieldValue(const std::string& field) {
    return TextToInteger("$" + field);
}

// True when text splits at ":" into exactly six fields and does not end in ":".
bool HasSixColonFields(const std::string& text, std::vector<std::string>& fields) {
    return SplitString(text, ':', fields) == static_cast<int>(kMacFieldCount) && text.back() != ':';
}

std::string HexByteText(std::int32_t value) {
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(value));
    return buffer;
}

bool IsMafSeparator(char c) { return c == '-' || c == ' '; }

}  // namespace

int SplitString(const std::string& text, char separator, std::vector<std::string>& items) {
    items.clear();
    std::size_t pos = 0;  // 0-based scan position
    while (pos + 1 < text.size()) {
        std::size_t found = text.find(separator, pos);
        if (found == std::string::npos) break;
        items.push_back(text.substr(pos, found - pos));
        pos = found + 1;
    }
    if (pos < text.size()) items.push_back(text.substr(pos));
    return static_cast<int>(items.size());
}

std::int32_t GetFileSizeByName(const std::string& pathOrPattern) {
    std::optional<std::uint64_t> size = FindFirstFileSize(pathOrPattern);
    if (!size) return 0;
    // The size travels as a 32-bit integer: only its low 32 bits are kept.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*size));
}

std::string NormalizeIPAddress(const std::string& text) {
    std::vector<std::string> parts;
    std::string result;
    if (SplitString(text, '.', parts) != 4) return result;
    for (const std::string& part : parts) {
        std::string digits = TrimControlAndBlank(part);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
            return std::string();
        }
        std::size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
        digits.erase(0, first);
        if (digits.size() > 3 || std::stoi(digits) > 255) return std::string();
        if (!result.empty()) result += '.';
        result += digits;
    }
    return result;
}

std::string GetFileVersionText(const std::string& path) {
    return QueryFileVersionValue(path, kFileVersionKey).value_or(std::string());
}

bool IsIntegerText(const std::string& text) { return TextToInteger(text).has_value(); }

bool IsValidMacAddress(const std::string& text) {
    std::vector<std::string> fields;
    if (!HasSixColonFields(text, fields)) return false;
    for (const std::string& field : fields) {
        std::optional<std::int32_t> value = MacFieldValue(field);
        if (!value || *value < 0 || *value > 255) return false;
    }
    return true;
}

std::string NormalizeMacAddress(const std::string& text) {
    std::vector<std::string> fields;
    SplitString(text, ':', fields);
    std::string result;
    for (const std::string& field : fields) {
        std::optional<std::int32_t> value = MacFieldValue(field);
        if (!value) continue;
        if (!result.empty()) result += ':';
        result += HexByteText(*value);
    }
    return result;
}

bool IsAuthorizedResponse(const std::string& body) {
    std::vector<std::string> lines;
    if (SplitString(body, '\n', lines) == 0) return false;
    return lines.front().find(kUnauthorizedText) == std::string::npos;
}

std::string MaskText(const std::string& text) { return std::string(text.size(), '*'); }

bool IsValidMacHalves(const std::string& firstHalf, const std::string& secondHalf) {
    if (firstHalf.size() != kMacHalfLength || secondHalf.size() != kMacHalfLength) return false;
    std::string colonForm;
    for (const std::string* half : {&firstHalf, &secondHalf}) {
        for (std::size_t pos = 0; pos < kMacHalfLength; pos += 2) {
            if (!colonForm.empty()) colonForm += ':';
            colonForm += half->substr(pos, 2);
        }
    }
    return IsValidMacAddress(colonForm);
}

bool ParseMafLine(const std::string& line, std::string& firstHalf, std::string& secondHalf,
                  std::string& memo) {
    firstHalf.clear();
    secondHalf.clear();
    memo.clear();
    int separators = 0;
    for (std::size_t pos = 0; pos < line.size(); ++pos) {
        char c = line[pos];
        if (IsMafSeparator(c)) {
            if (++separators == 2) {
                memo = line.substr(pos + 1);
                break;
            }
        } else if (separators == 0) {
            firstHalf += c;
        } else {
            secondHalf += c;
        }
    }
    return true;
}

bool SplitAtSpace(const std::string& text, std::string& head, std::string& tail) {
    std::size_t blank = text.find(' ');
    if (blank == std::string::npos) {
        head.clear();
        tail.clear();
        return false;
    }
    head = text.substr(0, blank);
    tail = text.substr(blank + 1);
    return true;
}

std::string PadZeroLeft(const std::string& text, int width) {
    if (width <= static_cast<int>(text.size())) return text;
    return std::string(static_cast<std::size_t>(width) - text.size(), '0') + text;
}

std::string MacToHalvesForm(const std::string& text) {
    std::vector<std::string> fields;
    if (!HasSixColonFields(text, fields)) return std::string();
    std::string result;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i == kMacFieldCount / 2) result += '-';
        result += PadZeroLeft(fields[i], 2);
    }
    return result;
}

std::string HalvesFormToMac(const std::string& text) {
    if (text.size() != kHalvesFormLength) return std::string();
    static constexpr std::size_t kPairStarts[] = {0, 2, 4, 7, 9, 11};
    std::string result;
    for (std::size_t pos : kPairStarts) {
        if (!result.empty()) result += ':';
        result += text.substr(pos, 2);
    }
    return result;
}
