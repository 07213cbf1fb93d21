// The MAC address filter list as the editor keeps it, without widgets: one entry per line in
// halves form ("001122-334455 memo", Shift_JIS), in the order the user added or read them.
// The editor page shows this list; a command-line front end edits the same list with the
// same checks. The conversions to and from the filter text (colon form, one line per entry)
// that travels to the access point are here too.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

using TMafEntries = std::vector<std::string>;

// The access point keeps at most this many entries, each memo at most this many bytes.
inline constexpr int MafEntryLimit = 2000;
inline constexpr std::size_t MafMemoLimit = 25;

// first half + "-" + second half + " " + memo.
std::string MakeMafEntry(const std::string& firstHalf, const std::string& secondHalf,
                         const std::string& memo);

// True when another entry has the same halves (ASCII letter case ignored). While modifying,
// the entry at currentIndex is the one being changed and does not count.
bool IsDuplicateEntry(const std::string& firstHalf, const std::string& secondHalf, bool modifying,
                      int currentIndex, const TMafEntries& entries);

// The checks of an add (modifying false) or of a change to the entry at currentIndex, in the
// order the editor applies them: memo characters, the entry limit, duplicates, the address.
// Empty text when the edit is accepted, otherwise the message to show (Shift_JIS).
std::string CheckMafEntryEdit(const TMafEntries& entries, const std::string& firstHalf,
                              const std::string& secondHalf, const std::string& memo,
                              bool modifying, int currentIndex);

// The first entry that matches every non-empty field: each half field a prefix of the entry's
// half (ASCII letter case ignored), the memo field anywhere in the memo (exact bytes). -1 when
// none matches.
int FindMafEntry(const TMafEntries& entries, const std::string& firstHalf,
                 const std::string& secondHalf, const std::string& memo);

// Rebuilds the list from filter text lines (colon-form address, a blank, the memo). An empty
// line gives no entry; a line without a blank is an address without memo.
void FillMafListFromText(TMafEntries& entries, const std::vector<std::string>& lines);

// The filter text lines of the list, one per entry, the address in colon form.
std::vector<std::string> FillTextFromMafList(const TMafEntries& entries);
// The same without empty lines: the lines the filter check and the write-back take.
std::vector<std::string> MafTextLines(const TMafEntries& entries);
