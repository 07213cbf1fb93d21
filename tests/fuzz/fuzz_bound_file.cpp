// Arbitrary bytes as a firmware file: the kind detection, the firmware check, the bound file's
// slot reader and the whole file identification of tivra-cli info must hold up.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "FileIdentity.h"
#include "FirmwareFileCheck.h"
#include "OrbaBind.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/tivra-fuzz-bound-" + std::to_string(getpid());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        TLumeORBABind().GetBoundFileKind(path);
    } catch (const std::exception&) {
    }
    IsValidFirmwareFile(path);
    IdentifyFile(path);
    TBoundSlots slots;
    std::string why;
    ReadBoundSlots(std::string(reinterpret_cast<const char*>(data), size), slots, why);
    std::remove(path.c_str());
    return 0;
}
