// Arbitrary bytes as an --addresses file: the reader either refuses it with a message naming a
// line, or gives addresses that are each four decimal parts and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "AddressList.h"
#include "Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        for (const std::string& address : ParseAddressList(text, "list")) {
            if (NormalizeIPAddress(address) != address) __builtin_trap();
        }
    } catch (const ECliUsage& usage) {
        if (std::string(usage.what()).find(" line ") == std::string::npos) __builtin_trap();
    }
    return 0;
}
