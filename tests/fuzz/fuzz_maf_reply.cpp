// Arbitrary bytes as the access point's filter reply: the reply's lines, the editor's list made
// from them and the filter check must hold up, and every text the check lets through must come
// back unchanged from its EUC-JP form, as the access point will keep it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "JConvert.h"
#include "MafCheck.h"
#include "MafFile.h"
#include "MafList.h"
#include "Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    if (!IsAuthorizedResponse(reply)) return 0;
    TMafEntries entries;
    FillMafListFromText(entries, MafReplyLines(reply));
    const std::vector<std::string> lines = FillTextFromMafList(entries);
    int start = 0, length = 0;
    std::string message;
    if (!CheckMafText(lines, start, length, message)) {
        if (message.empty()) __builtin_trap();
        return 0;
    }
    for (const std::string& line : lines) {
        if (EucToSjis(SjisToEuc(line)) != line) __builtin_trap();
    }
    MafTextFileBytes(lines);
    return 0;
}
