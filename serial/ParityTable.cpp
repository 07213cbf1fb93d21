// The parity table, written here in UTF-8 and compared in Shift_JIS, the system's text.
#include "ParityTable.h"

#include <map>

#include "Cp932.h"
#include "SerialDevice.h"

namespace {

struct TParityWords {
    std::uint8_t parity;
    const char* words[6];
};

constexpr TParityWords kTable[] = {
    {NOPARITY, {"無し", "なし"}},
    {ODDPARITY, {"奇数", "きすう", "ODD", "odd", "ＯＤＤ", "ｏｄｄ"}},
    {EVENPARITY, {"偶数", "ぐうすう", "EVEN", "even", "ＥＶＥＮ", "ｅｖｅｎ"}},
    {MARKPARITY, {"マーク", "まーく", "MARK", "mark", "ＭＡＲＫ", "ｍａｒｋ"}},
    {SPACEPARITY, {"スペース", "すぺーす", "SPACE", "space", "ＳＰＡＣＥ", "ｓｐａｃｅ"}},
};

const std::map<std::string, std::uint8_t>& WordsInShiftJis() {
    static const std::map<std::string, std::uint8_t> words = [] {
        std::map<std::string, std::uint8_t> table;
        for (const TParityWords& entry : kTable)
            for (const char* word : entry.words)
                if (word) table.emplace(Utf8ToSjis(word), entry.parity);
        return table;
    }();
    return words;
}

}  // namespace

std::optional<std::uint8_t> ParityFromWord(const std::string& word) {
    const auto& words = WordsInShiftJis();
    auto found = words.find(word);
    if (found == words.end()) return std::nullopt;
    return found->second;
}
