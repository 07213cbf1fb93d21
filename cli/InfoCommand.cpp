// "info FILE...": what each file is and what it is good for, without any device: its kind,
// size and SHA-256, what the kind's reader finds in it, and which operations would take it,
// with the page's (or the operation's) own message where one would refuse it. One block per
// file; the status is 0 when every file was readable and of a kind the operations know.
#include "CliCommand.h"
#include "Cp932.h"
#include "FileIdentity.h"

namespace {

std::string FactsJson(const TFileIdentity& identity) {
    std::string members;
    for (const TFileFact& fact : identity.Facts) {
        members += (members.empty() ? "" : ",") + JsonString(fact.Key) + ":" +
                   (fact.IsNumber ? fact.Value : JsonString(fact.Value));
    }
    return "{" + members + "}";
}

std::string OperationsJson(const TFileIdentity& identity) {
    std::string items;
    for (const TOperationVerdict& verdict : identity.Operations) {
        items +=
            (items.empty() ? "{" : ",{") + std::string("\"name\":") +
            JsonString(verdict.Operation) +
            ",\"accepted\":" + (verdict.Accepted ? "true" : "false") +
            (verdict.Accepted ? ""
                              : ",\"message\":" + JsonString(SjisToUtf8(verdict.RefusalSjis))) +
            "}";
    }
    return "[" + items + "]";
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text + " ";
}

// A message's line breaks (CR, LF, both) as " / ", empty lines dropped.
std::string OneLine(const std::string& text) {
    std::string line;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) line += (line.empty() ? "" : " / ") + text.substr(start, end - start);
        start = end + 1;
    }
    return line;
}

// The block for people (UTF-8).
std::string TextBlock(const std::string& path, const TFileIdentity& identity) {
    std::string block = path + "\n  " + Padded("kind", 16) + FileKindCaption(identity.Kind) + "\n";
    if (!identity.Problem.empty()) return block + "  " + Padded("problem", 16) + identity.Problem;
    block += "  " + Padded("size", 16) + GroupedCount(static_cast<long long>(identity.Size)) +
             " bytes\n  " + Padded("sha256", 16) + identity.Sha256;
    for (const TFileFact& fact : identity.Facts) {
        block += "\n  " + Padded(fact.Key, 16) + OneLine(fact.Value);
    }
    for (const TOperationVerdict& verdict : identity.Operations) {
        block += "\n  " + Padded(verdict.Operation, 16) +
                 (verdict.Accepted ? std::string("accepted")
                                   : "refused: " + OneLine(SjisToUtf8(verdict.RefusalSjis)));
    }
    return block;
}

int RunInfo(TCliContext& c) {
    const std::vector<std::string> files = c.Arguments.Values("FILE");
    if (files.empty()) throw ECliUsage("a file is needed");
    const bool json = c.Arguments.Has("json");
    bool allKnown = true;
    for (const std::string& path : files) {
        const TFileIdentity identity = IdentifyFile(path);
        const bool known =
            identity.Kind != TFileKind::Unknown && identity.Kind != TFileKind::Unreadable;
        allKnown = allKnown && known;
        std::string members = "\"path\":" + JsonString(path) +
                              ",\"kind\":" + JsonString(FileKindId(identity.Kind)) +
                              ",\"recognised\":" + (known ? "true" : "false");
        if (identity.Problem.empty()) {
            members += ",\"size\":" + std::to_string(identity.Size) +
                       ",\"sha256\":" + JsonString(identity.Sha256) +
                       ",\"facts\":" + FactsJson(identity) +
                       ",\"operations\":" + OperationsJson(identity);
        } else {
            members += ",\"problem\":" + JsonString(identity.Problem);
        }
        c.View.Fact("file", members);
        if (!json) c.View.Message("information", Utf8ToSjis(TextBlock(path, identity)));
    }
    return allKnown ? kExitDone : kExitError;
}

}  // namespace

std::vector<TCliCommand> InfoCommands() {
    return {
        {"info",
         "what a file is and which operations would take it",
         "Tells for each FILE, without any device, what it is: a raw firmware image, a bound "
         "firmware file, a bound filter list, a BIOS update file (its header, data size and "
         "whether its checksum holds), a KEMCMPRS container (format, sizes, memo, checksum), a "
         "filter file (.mft: its entries and the first problem the editor's check reports) or "
         "the settings file CFG8019.INI (the MAC address and the controller settings it would "
         "send), with its size and SHA-256; then which operations would take it, and the "
         "page's own message where one would refuse it. The status is 0 when every file was "
         "readable and of a kind the operations know, else 1.",
         {{"FILE", "", "", "A file to examine; several give one block each.", true, true},
          {"json", "", "", "Write one JSON object per file on standard output."},
          {"log", "FILE", "", "Append a diagnostic trace for support to FILE."},
          {"help", "", "", "Show this help and end."}},
         RunInfo,
         {"tivra-cli info fw.bin update.brm shop.mft", "tivra-cli info --json fw.bin"}},
    };
}
