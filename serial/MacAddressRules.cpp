// MAC address fields, the NDIS rule and the address increment.
#include "MacAddressRules.h"

#include <cstdint>
#include <cstdio>

#include "HexPairs.h"
#include "IntegerText.h"

bool NdisRefusesOctet(const std::string& text) { return text == "42" || text == "57"; }

TMacReadResult ReadMacAddress(const std::array<std::string, 6>& fields, bool ndis,
                              std::string& macid) {
    if (ndis) {
        for (std::size_t i = 3; i < 6; ++i)
            if (NdisRefusesOctet(fields[i])) return TMacReadResult::NdisRefused;
    }
    macid.clear();
    for (const std::string& field : fields) {
        auto value = TextToInteger("$" + field);
        if (!value || *value < 0 || *value > 0xFF) return TMacReadResult::BadCharacter;
        char octet[3];
        std::snprintf(octet, sizeof octet, "%02X", static_cast<unsigned>(*value));
        macid += octet;
    }
    return TMacReadResult::Ok;
}

std::string IncrementMacAddress(const std::string& macid, bool ndis) {
    if (macid.size() < 7) return macid;
    const std::string low = macid.substr(6, 6);
    std::uint32_t value = 0;
    for (char c : low) {
        int digit = HexDigitValue(c);
        if (digit < 0) return macid;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    value = (value + 1) & 0xFFFFFF;
    if (ndis) {
        for (int shift = 0; shift < 24; shift += 8) {
            std::uint32_t byte = (value >> shift) & 0xFF;
            if (byte == 0x42 || byte == 0x57) value += 1u << shift;
        }
    }
    char digits[7];
    std::snprintf(digits, sizeof digits, "%06X", static_cast<unsigned>(value));
    return macid.substr(0, 6) + digits + (macid.size() > 12 ? macid.substr(12) : std::string());
}

std::string MacAddressWithColons(const std::string& macid) {
    std::string text;
    for (std::size_t i = 0; i < macid.size(); i += 2) text += (i ? ":" : "") + macid.substr(i, 2);
    return text;
}
