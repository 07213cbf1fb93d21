// TLumeORBABind: writes bound files (a four-byte marker followed by two length-prefixed
// slots) and tells the kind of a file from its first bytes. The filter write-back binds the
// filter text MAF.TXT into MAF.DAT with it; the firmware upload pages use the kind to decide
// whether a chosen file may be uploaded.
#pragma once

#include <cstdint>
#include <string>

enum class BoundFileKind {
    RawImage = 0,      // 55 AA
    GeneralBound = 1,  // 33 BB 33 BB
    MafListBound = 2,  // 33 BB 4D 46
    Other = 3,
};

// Marker of a bound MAC address filter list ("3ｻMF" in Shift_JIS).
extern const char kMafListMarker[4];

class TLumeORBABind {
public:
    // Creates outputName and writes the marker, then slot 1 from firstSource and slot 2 from
    // secondSource (an empty name gives an absent slot, length 0). A non-empty key scrambles
    // each slot's content. Failures raise EFileError; the result is true otherwise.
    bool BindFiles(const std::string& secondSource, const std::string& firstSource,
                   const std::string& outputName, const std::string& marker,
                   const std::string& key);

    // Binds the filter text file as slot 1 of the filter data file, behind the filter marker.
    bool BindMafList(const std::string& textFileName, const std::string& dataFileName);

    // Kind of a file from its first four bytes; raises EFileError when the file cannot be
    // opened or holds fewer than four bytes.
    BoundFileKind GetBoundFileKind(const std::string& fileName);
};

// The two slots of a bound file's bytes (marker included): each slot's length as its
// little-endian 32-bit prefix says. False, with why (UTF-8), when a prefix or a slot's content
// runs past the end; trailing is set to the bytes after the second slot.
struct TBoundSlots {
    std::uint32_t First = 0;
    std::uint32_t Second = 0;
    std::uint64_t Trailing = 0;
};
bool ReadBoundSlots(const std::string& bytes, TBoundSlots& slots, std::string& why);

// Scrambles content with the key: byte i is xor-ed with key byte (i mod key length).
// An empty key leaves the content unchanged.
void ScrambleWithKey(std::string& content, const std::string& key);
