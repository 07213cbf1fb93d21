// Fuzzes the value utilities with arbitrary bytes: the filter line and MAC address parsers,
// the IP address tidying, the integer check, splitting and the authorisation check must never
// read past the end and must agree with one another.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "IntegerText.h"
#include "Utils.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

std::string Join(const std::vector<std::string>& items, char separator) {
    std::string joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) joined += separator;
        joined += items[i];
    }
    return joined;
}

void CheckSplit(const std::string& text, char separator) {
    std::vector<std::string> items{"stale"};
    int count = SplitString(text, separator, items);
    Require(count == static_cast<int>(items.size()));
    // The items and the separators between them give back the text, less a final separator.
    std::string joined = Join(items, separator);
    Require(joined == text || joined + separator == text);
}

void CheckInteger(const std::string& text) {
    std::optional<std::int32_t> value = TextToInteger(text);
    Require(IsIntegerText(text) == value.has_value());
    if (value) Require(TextToInteger(std::to_string(*value)) == value);
}

void CheckMacAddress(const std::string& text) {
    std::string normalized = NormalizeMacAddress(text);
    std::string halves = MacToHalvesForm(text);
    Require(halves.empty() || halves.size() >= 13);
    if (!IsValidMacAddress(text)) return;
    Require(normalized.size() == 17 && IsValidMacAddress(normalized));
    Require(!halves.empty());
    std::string normalizedHalves = MacToHalvesForm(normalized);
    Require(HalvesFormToMac(normalizedHalves) == normalized);
    Require(IsValidMacHalves(normalizedHalves.substr(0, 6), normalizedHalves.substr(7)));
}

void CheckMafLine(const std::string& line) {
    std::string first, second, memo;
    Require(ParseMafLine(line, first, second, memo));
    Require(first.size() + second.size() + memo.size() <= line.size());
    Require(first.find_first_of("- ") == std::string::npos);
    Require(second.find_first_of("- ") == std::string::npos);
    if (IsValidMacHalves(first, second)) {
        std::string colonForm = HalvesFormToMac(first + "-" + second);
        Require(IsValidMacAddress(colonForm));
        Require(MacToHalvesForm(colonForm) == first + "-" + second);
    }
}

void CheckHalvesForm(const std::string& text) {
    std::string colonForm = HalvesFormToMac(text);
    Require(colonForm.empty() ? text.size() != 13 : colonForm.size() == 17);
}

void CheckSmallHelpers(const std::string& text, int width) {
    std::string ip = NormalizeIPAddress(text);
    Require(ip.size() <= text.size());
    Require(MaskText(text).size() == text.size());
    std::string padded = PadZeroLeft(text, width);
    Require(padded.size() == std::max<std::size_t>(text.size(), static_cast<std::size_t>(width)));
    Require(padded.compare(padded.size() - text.size(), text.size(), text) == 0);
    std::string head, tail;
    if (SplitAtSpace(text, head, tail)) Require(head + " " + tail == text);
    if (text.empty()) Require(!IsAuthorizedResponse(text));
    if (text.find("401 Unauthorized") == std::string::npos && !text.empty()) {
        Require(IsAuthorizedResponse(text));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char separators[] = {'.', ':', '\n', text.empty() ? '\0' : text[0]};
    for (char separator : separators) CheckSplit(text, separator);
    CheckInteger(text);
    CheckMacAddress(text);
    CheckMafLine(text);
    CheckHalvesForm(text);
    CheckSmallHelpers(text, size > 0 ? data[0] % 32 : 0);
    if (size >= 12) {
        IsValidMacHalves(text.substr(0, 6), text.substr(6, 6));
    }
    return 0;
}
