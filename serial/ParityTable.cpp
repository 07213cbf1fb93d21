// The parity table, written here in UTF-8 and compared in Shift_JIS, the system's text.
#include "ParityTable.h"

#include <map>

#include "Cp932.h"

namespace {

struct TParityWords {
    TParity parity;
    const char* words[6];
};

constexpr TParityWords kTable[] = {
    {TParity::None, {"無し", "なし"}},
    {TParity::Odd, {"奇数", "きすう", "ODD", "odd", "ＯＤＤ", "ｏｄｄ"}},
    {TParity::Even, {"偶数", "ぐうすう", "EVEN", "even", "ＥＶＥＮ", "ｅｖｅｎ"}},
    {TParity::Mark, {"マーク", "まーく", "MARK", "mark", "ＭＡＲＫ", "ｍａｒｋ"}},
    {TParity::Space, {"スペース", "すぺーす", "SPACE", "space", "ＳＰＡＣＥ", "ｓｐａｃｅ"}},
};

const std::map<std::string, TParity>& WordsInShiftJis() {
    static const std::map<std::string, TParity> words = [] {
        std::map<std::string, TParity> table;
        for (const TParityWords& entry : kTable)
            for (const char* word : entry.words)
                if (word) table.emplace(Utf8ToSjis(word), entry.parity);
        return table;
    }();
    return words;
}

}  // namespace

std::optional<TParity> ParityFromWord(const std::string& word) {
    const auto& words = WordsInShiftJis();
    auto found = words.find(word);
    if (found == words.end()) return std::nullopt;
    return found->second;
}
