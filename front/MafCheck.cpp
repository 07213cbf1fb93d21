// The filter check and the memo character rule.
#include "MafCheck.h"

#include <cstdint>
#include <cstdio>
#include <set>

#include "AppStrings.h"
#include "HenkanJ.h"
#include "JConvert.h"
#include "MafList.h"
#include "Utils.h"

namespace {

bool IsAddressCharacter(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ':';
}

// Bytes of the character that starts at pos, read as the EUC-JP writer reads them: ASCII and
// half-width katakana are one byte, everything else takes the byte after it.
std::size_t CharacterLength(const std::string& text, std::size_t pos) {
    auto byte = static_cast<unsigned char>(text[pos]);
    if (byte <= 0x7F || (byte >= 0xA1 && byte <= 0xDF)) return 1;
    return pos + 1 < text.size() ? 2 : 1;
}

bool SurvivesEucRoundTrip(const std::string& sjis) { return EucToSjis(SjisToEuc(sjis)) == sjis; }

// A character's bytes for a message: a complete two-byte character shows as itself, a lone
// byte that starts no character as its hexadecimal value.
std::string CharacterName(const std::string& character) {
    auto first = static_cast<unsigned char>(character[0]);
    bool shownAsItself = character.size() == 2 || first <= 0x7F || (first >= 0xA1 && first <= 0xDF);
    if (shownAsItself) return character;
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", first);
    return hex;
}

}  // namespace

void SplitMafTextLine(const std::string& line, std::string& address, std::string& rest) {
    std::size_t end = 0;
    while (end < line.size() && IsAddressCharacter(static_cast<unsigned char>(line[end]))) ++end;
    address = line.substr(0, end);
    rest = line.substr(end);
}

bool FindUnsendableCharacter(const std::string& sjisText, std::string& character) {
    for (std::size_t pos = 0; pos < sjisText.size();) {
        std::size_t length = CharacterLength(sjisText, pos);
        std::string one = sjisText.substr(pos, length);
        if (!SurvivesEucRoundTrip(one)) {
            character = one;
            return true;
        }
        pos += length;
    }
    // Each character came back; the text as a whole must too.
    if (!sjisText.empty() && !SurvivesEucRoundTrip(sjisText)) {
        character = sjisText.substr(0, CharacterLength(sjisText, 0));
        return true;
    }
    return false;
}

std::string MafCharacterRefusedMessage(const std::string& characterName) {
    return AppText(AppStrings::MafCharacterRefusedBefore) + characterName +
           AppText(AppStrings::MafCharacterRefusedAfter);
}

std::string CheckMafMemoCharacters(const std::string& memo) {
    if (HalfKanaToFull(memo) != memo) return AppText(AppStrings::MafHalfKana);
    std::string character;
    if (FindUnsendableCharacter(memo, character)) {
        return MafCharacterRefusedMessage(CharacterName(character));
    }
    return std::string();
}

bool CheckMafText(const std::vector<std::string>& lines, int& start, int& length,
                  std::string& message, int* failedLine) {
    start = -1;
    length = -1;
    message.clear();
    if (failedLine) *failedLine = -1;
    std::set<std::string> known;
    std::string address, rest;
    long long offset = 0;
    auto fail = [&](std::size_t index, long long at, std::size_t size, const std::string& text) {
        start = static_cast<int>(at);
        length = static_cast<int>(size);
        message = text;
        if (failedLine) *failedLine = static_cast<int>(index);
        return false;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SplitMafTextLine(lines[i], address, rest);
        if (!IsValidMacAddress(address)) {
            return fail(i, offset, address.size(), AppText(AppStrings::MafInvalidAddress));
        }
        if (!known.insert(NormalizeMacAddress(address)).second) {
            return fail(i, offset, address.size(), AppText(AppStrings::MafDuplicate));
        }
        const long long restStart = offset + static_cast<long long>(address.size());
        if (rest.size() > MafMemoLimit + 1) {
            return fail(i, restStart, rest.size(), AppText(AppStrings::MafMemoTooLong));
        }
        std::string refused = CheckMafMemoCharacters(rest);
        if (!refused.empty()) return fail(i, restStart, rest.size(), refused);
        offset += static_cast<long long>(lines[i].size()) + 2;
    }
    if (lines.size() > static_cast<std::size_t>(MafEntryLimit)) {
        message = AppText(AppStrings::MafTooManyEntries);
        return false;
    }
    return true;
}
