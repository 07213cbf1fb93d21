// What a file is and what it is good for, without any device: its kind from its content (the
// filter file and the settings file carry no mark and are told by their names), what the
// kind's own reader finds in it, its size and SHA-256, and for each operation that takes such
// a file whether the page's check, or the operation's own file check, would accept it, with
// that check's own message where it would refuse. tivra-cli info shows it; a window could too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TFileKind {
    Unreadable,         // cannot be read (missing, a folder, no permission, too large)
    Unknown,            // readable, of no kind the operations know
    RawImage,           // raw firmware image, 55 AA
    BoundFirmware,      // bound firmware file, 33 BB 33 BB and two slots
    FilterContainer,    // bound filter list MAF.DAT, 33 BB 4D 46 and two slots
    BiosUpdate,         // BIOS update file, its identification at offset 4
    KemcmprsContainer,  // KEMCMPRS container, its magic at offset 4
    FilterFile,         // the editor's filter file (*.mft)
    Settings8019,       // the Ethernet controller settings file CFG8019.INI
};

// One thing the kind's reader found: a key for programs and its value as text (UTF-8), or as
// a number when IsNumber.
struct TFileFact {
    std::string Key;
    std::string Value;
    bool IsNumber = false;
};

// Whether an operation (tivra-cli's command name) would take the file; when not, the refusal
// as the page or the operation shows it (Shift_JIS).
struct TOperationVerdict {
    std::string Operation;
    bool Accepted = false;
    std::string RefusalSjis;
};

struct TFileIdentity {
    TFileKind Kind = TFileKind::Unreadable;
    std::uint64_t Size = 0;
    std::string Sha256;   // lower-case hexadecimal; empty when the file could not be read
    std::string Problem;  // why the file could not be read (UTF-8)
    std::vector<TFileFact> Facts;
    std::vector<TOperationVerdict> Operations;
};

// Largest file examined: no operation takes more than a few MiB.
inline constexpr std::uint64_t kLargestExaminedFile = 64u << 20;

TFileIdentity IdentifyFile(const std::string& path);

// A short name for programs ("raw-image") and a caption for people ("raw firmware image").
const char* FileKindId(TFileKind kind);
const char* FileKindCaption(TFileKind kind);
