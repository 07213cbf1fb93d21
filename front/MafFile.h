// Filter files ("*.mft": Shift_JIS, one list entry per line, "#" comment lines) that the
// editor reads and writes, and the filter text file MAF.TXT (EUC-JP, LF) in which the list
// leaves for the access point. File failures raise EFileError.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "MafList.h"

// The lines of a filter file's bytes: CR LF, a lone CR and a lone LF each end one line, the
// byte 1A (Ctrl-Z) ends the file, and a last line without its line break still counts.
std::vector<std::string> SplitMafFileLines(const std::string& bytes);

// How reading a filter file ended.
enum class TMafReadEnd {
    Finished,      // every line was read
    Stopped,       // the user chose not to go on after a bad line
    LimitReached,  // the list already held the most entries it may
};

// Asked about a bad or duplicate line with the whole message text (Shift_JIS); Yes goes on,
// No stops, Ignore goes on and asks no more for this file.
using TMafLineQuestion = std::function<TDialogs::Answer(const std::string& text)>;

// Appends the entries of a filter file's bytes to the list, as the editor's "ファイル読込"
// does: comment and empty lines are skipped, blanks may stand for "-", memos are cut to 25
// bytes, addresses already in the list (ASCII letter case ignored) and invalid ones are
// skipped after asking. Line numbers in questions count every line. Entries appended before
// a stop stay in the list.
TMafReadEnd AppendMafFileEntries(const std::string& bytes, TMafEntries& entries,
                                 const TMafLineQuestion& ask);

// The whole file; raises EFileError when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The name a filter file is saved under: ".mft" appended when the name has no extension.
std::string MafFileNameWithExtension(const std::string& chosen);

// The bytes of a filter file: every entry followed by CR LF.
std::string MafFileBytes(const TMafEntries& entries);

// Replaces path by the filter file of the entries (written beside it, renamed over it).
void WriteMafFile(const std::string& path, const TMafEntries& entries);

// The bytes of MAF.TXT: every filter text line converted to EUC-JP, each followed by LF.
std::string MafTextFileBytes(const std::vector<std::string>& lines);

// Creates (or replaces) the filter text file at path; true, or EFileError.
bool WriteMafTextFile(const std::vector<std::string>& lines, const std::string& path);

// The filter text lines of a read_maf.cgi reply (EUC-JP, lines split at LF, a CR before an LF
// dropped): every line after the first, converted to Shift_JIS. A reply of one line gives no
// lines.
std::vector<std::string> MafReplyLines(const std::string& reply);
