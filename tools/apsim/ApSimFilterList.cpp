// The simulated access point's filter list.
#include "ApSimFilterList.h"

#include <cstdint>

namespace {

std::uint32_t ReadLittleEndian32(const std::string& data, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value =
            (value << 8) | static_cast<unsigned char>(data[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

}  // namespace

std::vector<std::string> TApSimFilterList::SampleLines() {
    // The memo of the first entry is "事務所PC" in EUC-JP.
    return {"00:A0:C9:12:AB:34 \xBB\xF6\xCC\xB3\xBD\xEAPC", "00:11:22:33:44:55 printer"};
}

void TApSimFilterList::SetLines(const std::vector<std::string>& lines) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_ = lines;
}

std::vector<std::string> TApSimFilterList::Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::string TApSimFilterList::ReplyText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text = "MAFLIST " + std::to_string(lines_.size()) + "\n";
    for (const std::string& line : lines_) text += line + "\n";
    return text;
}

bool TApSimFilterList::TakeBoundList(const std::string& data) {
    static const std::string marker = "\x33\xBB\x4D\x46";
    if (data.size() < 12 || data.compare(0, 4, marker) != 0) return false;
    std::uint64_t textSize = ReadLittleEndian32(data, 4);
    if (8 + textSize + 4 > data.size()) return false;
    std::size_t secondSlot = static_cast<std::size_t>(8 + textSize);
    if (secondSlot + 4 + ReadLittleEndian32(data, secondSlot) != data.size()) return false;
    SetLines(SplitFilterText(data.substr(8, static_cast<std::size_t>(textSize))));
    return true;
}

std::vector<std::string> SplitFilterText(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
