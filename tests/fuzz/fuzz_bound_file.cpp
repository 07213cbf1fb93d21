// Arbitrary bytes as a firmware file: the kind detection and the firmware check must hold up.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

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
    std::remove(path.c_str());
    return 0;
}
