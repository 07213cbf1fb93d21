// The filter list's edits and its conversions to and from the filter text.
#include "MafList.h"

#include "AppStrings.h"
#include "MafCheck.h"
#include "Utils.h"

namespace {

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string MakeMafEntry(const std::string& firstHalf, const std::string& secondHalf,
                         const std::string& memo) {
    return firstHalf + "-" + secondHalf + " " + memo;
}

bool IsDuplicateEntry(const std::string& firstHalf, const std::string& secondHalf, bool modifying,
                      int currentIndex, const TMafEntries& entries) {
    const std::string first = UpperAscii(firstHalf);
    const std::string second = UpperAscii(secondHalf);
    std::string entryFirst, entrySecond, entryMemo;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (modifying && static_cast<int>(i) == currentIndex) continue;
        ParseMafLine(entries[i], entryFirst, entrySecond, entryMemo);
        if (UpperAscii(entryFirst) == first && UpperAscii(entrySecond) == second) return true;
    }
    return false;
}

std::string CheckMafEntryEdit(const TMafEntries& entries, const std::string& firstHalf,
                              const std::string& secondHalf, const std::string& memo,
                              bool modifying, int currentIndex) {
    std::string refused = CheckMafMemoCharacters(memo);
    if (!refused.empty()) return refused;
    int count = static_cast<int>(entries.size()) - (modifying ? 1 : 0);
    if (count >= MafEntryLimit) return AppText(AppStrings::MafTooManyEntries);
    if (IsDuplicateEntry(firstHalf, secondHalf, modifying, currentIndex, entries)) {
        return AppText(AppStrings::MafDuplicate);
    }
    if (!IsValidMacHalves(firstHalf, secondHalf)) return AppText(AppStrings::MafInvalidHalves);
    return std::string();
}

int FindMafEntry(const TMafEntries& entries, const std::string& firstHalf,
                 const std::string& secondHalf, const std::string& memo) {
    const std::string first = UpperAscii(firstHalf);
    const std::string second = UpperAscii(secondHalf);
    std::string entryFirst, entrySecond, entryMemo;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ParseMafLine(entries[i], entryFirst, entrySecond, entryMemo);
        if (!first.empty() && !StartsWith(UpperAscii(entryFirst), first)) continue;
        if (!second.empty() && !StartsWith(UpperAscii(entrySecond), second)) continue;
        if (!memo.empty() && entryMemo.find(memo) == std::string::npos) continue;
        return static_cast<int>(i);
    }
    return -1;
}

void FillMafListFromText(TMafEntries& entries, const std::vector<std::string>& lines) {
    entries.clear();
    entries.reserve(lines.size());
    std::string address, memo;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (!SplitAtSpace(line, address, memo)) address = line;
        entries.push_back(MacToHalvesForm(address) + " " + memo);
    }
}

std::vector<std::string> FillTextFromMafList(const TMafEntries& entries) {
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    std::string halves, memo;
    for (const std::string& entry : entries) {
        SplitAtSpace(entry, halves, memo);
        lines.push_back(HalvesFormToMac(halves) + " " + memo);
    }
    return lines;
}

std::vector<std::string> MafTextLines(const TMafEntries& entries) {
    std::vector<std::string> lines;
    for (std::string& line : FillTextFromMafList(entries)) {
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}
