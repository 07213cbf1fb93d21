// Fuzzes the user's serial port settings file: any bytes parse without reading past the end,
// and every assignment taken is a COM number 1..256 with a device path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ComPortMap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const auto& [number, device] : ParseComPortSettings(text)) {
        if (number < 1 || number > 256 || device.empty() || device[0] != '/') std::abort();
        // The mapping of a named number is the named device, whatever the ports present.
        if (ChooseComDevice(number, {}, {{number, device}}, {}).Device != device) std::abort();
    }
    return 0;
}
