#include "FirmwareFileCheck.h"

#include "OrbaBind.h"
#include "Utils.h"

bool IsValidFirmwareFile(const std::string& fileName) {
    BoundFileKind kind = BoundFileKind::Other;
    try {
        kind = TLumeORBABind().GetBoundFileKind(fileName);
    } catch (const std::exception&) {
        // An unreadable or too short file is not classified; the page check has already made
        // sure that it exists, so it is accepted like any other file.
    }
    if (kind == BoundFileKind::RawImage) return GetFileSizeByName(fileName) == kRawFirmwareImageSize;
    return true;
}
