// TApSimFilterList: the access point's MAC address filter list as it keeps it, in EUC-JP, one
// entry a line (colon-form address, a blank, the memo). read_maf.cgi serves it behind a first
// line that counts the entries; a bound filter list received on port 8765 after an update
// request replaces it, as the real access point takes the list the wizard writes back.
#pragma once

#include <mutex>
#include <string>
#include <vector>

class TApSimFilterList {
public:
    // The small sample list the simulator starts with (one memo in kanji).
    static std::vector<std::string> SampleLines();

    void SetLines(const std::vector<std::string>& lines);
    std::vector<std::string> Lines() const;

    // The reply of read_maf.cgi: "MAFLIST <count>", then one line per entry, each ended by LF.
    std::string ReplyText() const;

    // Takes a bound filter list (marker 33 BB 4D 46, then the text's 32-bit little-endian
    // length and the text, then an empty second slot). False, and the list unchanged, for
    // anything else.
    bool TakeBoundList(const std::string& data);

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Splits text at LF into lines, dropping a CR before the LF and the empty text after a final LF.
std::vector<std::string> SplitFilterText(const std::string& text);
