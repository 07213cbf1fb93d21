// Arbitrary bytes as a filter file: reading must hold up, and a list read from a file must read
// back unchanged from the filter file written from it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "MafFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TMafEntries entries;
    int asked = 0;
    // Answers in turn: go on, ignore, stop; so each way out is taken.
    AppendMafFileEntries(bytes, entries, [&asked](const std::string&) {
        static const TDialogs::Answer answers[] = {TDialogs::Answer::Yes, TDialogs::Answer::Ignore,
                                                   TDialogs::Answer::No};
        return answers[asked++ % 3];
    });
    TMafEntries again;
    AppendMafFileEntries(MafFileBytes(entries), again,
                         [](const std::string&) { return TDialogs::Answer::No; });
    if (again != entries) __builtin_trap();
    return 0;
}
