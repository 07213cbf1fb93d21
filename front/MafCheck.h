// The filter check: the filter text lines (colon-form address, a blank, the memo; Shift_JIS)
// must all be acceptable before the list is written back to the access point. Also the memo
// character rule that the editor and the check share: the access point keeps memos in EUC-JP,
// so a memo may hold only characters that reach it intact.
#pragma once

#include <string>
#include <vector>

// Splits a filter text line: the address is the longest run from the start of digits, ASCII
// letters and ":"; the rest is everything after it, the separating blank included.
void SplitMafTextLine(const std::string& line, std::string& address, std::string& rest);

// The first character of the Shift_JIS text that does not come back unchanged from EUC-JP
// (vendor-extension kanji such as 髙, a stray or cut-off lead byte, a byte no character
// starts with), as its bytes; false when every character survives the round trip.
bool FindUnsendableCharacter(const std::string& sjisText, std::string& character);

// Empty text when a memo may be sent; otherwise the message: half-width katakana first, then
// a character that would be garbled on its way to the access point, named in the message.
std::string CheckMafMemoCharacters(const std::string& memo);

// The message that refuses one memo character, given by its Shift_JIS bytes, or by a name
// such as "U+1F600" for a character that Shift_JIS cannot express at all.
std::string MafCharacterRefusedMessage(const std::string& characterName);

// Checks the lines in order and stops at the first failing one. On failure: the message, the
// start and length of the offending text within the whole text (each line counting its length
// plus 2 for its line break; both -1 when no text is to blame) and, when failedLine is given,
// the index of the failing line (-1 for the count limit). On success start and length are -1.
bool CheckMafText(const std::vector<std::string>& lines, int& start, int& length,
                  std::string& message, int* failedLine = nullptr);
