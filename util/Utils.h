// Small stateless value utilities shared by the wizard pages, the MAC address filter editor
// and transfer, and the operations engine: splitting text, file size and version string,
// IPv4 address tidying, MAC addresses in colon form (00:1A:2B:3C:4D:5E) and halves form
// (001A2B-3C4D5E), the HTTP authorisation check, password masking and filter file lines.
// All text is Shift_JIS bytes; lengths and positions count bytes. No function reports an
// error: bad input gives false, 0 or an empty text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Splits text at separator into items (cleared first) and returns the number of items. The
// last character is never taken as a separator by the scan, so "a.." gives "a" and "." and a
// lone "." gives "."; a single trailing separator adds no empty item.
int SplitString(const std::string& text, char separator, std::vector<std::string>& items);

// Size of the first file or folder matching the path or pattern ("*", "?"), as a 32-bit
// integer (the low 32 bits of the size); 0 when nothing matches.
std::int32_t GetFileSizeByName(const std::string& pathOrPattern);

// The access point's address as the operations use it: the four dot-separated parts of text,
// each trimmed of bytes up to 32, read as decimal numbers from 0 to 255 (leading zeros are
// ignored: "010" is ten, never the octal eight the system's parser would make of it) and
// joined by "." without leading zeros. Empty text unless there are exactly four such parts,
// so a page refuses anything else before a byte is sent.
std::string NormalizeIPAddress(const std::string& text);

// The file version string of a program or library file, or empty text when it has none.
std::string GetFileVersionText(const std::string& path);

// True when the text converts to a 32-bit integer (see TextToInteger).
bool IsIntegerText(const std::string& text);

// True for six colon-separated hexadecimal fields, each 0 to FF, without a trailing colon.
bool IsValidMacAddress(const std::string& text);

// Rewrites each convertible colon-separated field as upper-case hexadecimal of at least two
// digits: 0:1a:2:B:c:FF gives 00:1A:02:0B:0C:FF. Fields that do not convert are left out.
std::string NormalizeMacAddress(const std::string& text);

// False when the reply body is empty or its first line holds "401 Unauthorized".
bool IsAuthorizedResponse(const std::string& body);

// One "*" per byte of text.
std::string MaskText(const std::string& text);

// True when both halves are six bytes long and together form a valid MAC address.
bool IsValidMacHalves(const std::string& firstHalf, const std::string& secondHalf);

// Splits one filter file line into the two halves of the MAC address and the memo: "-" and
// blanks separate the halves, and everything after the second separator is the memo,
// unchanged. Always true; callers check the halves with IsValidMacHalves.
bool ParseMafLine(const std::string& line, std::string& firstHalf, std::string& secondHalf,
                  std::string& memo);

// Splits text at its first blank into head and tail; false (both empty) without a blank.
bool SplitAtSpace(const std::string& text, std::string& head, std::string& tail);

// Puts "0" in front of text up to width bytes; longer text is returned unchanged.
std::string PadZeroLeft(const std::string& text, int width);

// Colon form to halves form (0:1:2:a:b:c gives 000102-0a0b0c), or empty text unless the
// text has six fields and no trailing colon. Digits and letter case are kept as they are.
std::string MacToHalvesForm(const std::string& text);

// Halves form (13 bytes, the 7th byte skipped) to colon form, or empty text.
std::string HalvesFormToMac(const std::string& text);
