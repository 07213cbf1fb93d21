// Fuzzes the settings file CFG8019.INI: any text is read into the controller configuration,
// updated in place, read back, turned into an EEPROM image (or refused with the system's own
// error) and its address advanced, without a fault and within the image's bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Config8019File.h"
#include "EepromImage.h"
#include "MacAddressRules.h"
#include "SystemError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TPrivateProfile profile(text);
    TConfig8019 config;
    TConfig8019Options options;
    LoadConfig8019(profile, config, options);
    try {
        TEepromImage image = BuildEepromImage(config);
        if (image.WordCount < 14 || image.WordCount > TEepromImage::MaxWords) std::abort();
        if (BuildConfigPacket(image).size() != 3 + 2u * image.WordCount) std::abort();
    } catch (const ESystemError&) {
    }
    const std::string next = IncrementMacAddress(config.MACID, options.NDIS);
    if (next.size() != config.MACID.size() && config.MACID.size() >= 12) std::abort();
    // What was read is saved and read back unchanged: numbers and switches always, texts unless
    // they begin with a quote or have a blank or carriage return at an edge (a value loses its
    // quotes and edge blanks when read, as the system's files always did).
    SaveConfig8019(profile, config, options);
    TConfig8019 again;
    TConfig8019Options againOptions;
    LoadConfig8019(profile, again, againOptions);
    std::string TConfig8019::*const texts[] = {
        &TConfig8019::BROMSize,  &TConfig8019::Connector,    &TConfig8019::LED,
        &TConfig8019::MACID,     &TConfig8019::UserID,       &TConfig8019::VendorID,
        &TConfig8019::SerialNum, &TConfig8019::Version,      &TConfig8019::AnsiStr,
        &TConfig8019::LogicalID, &TConfig8019::CompatibleID, &TConfig8019::PNPIO,
        &TConfig8019::PNPIRQ};
    for (auto field : texts) {
        const std::string& before = config.*field;
        const bool settled =
            before.empty() || (std::string(" \t\r\"'").find(before.front()) == std::string::npos &&
                               std::string(" \t\r").find(before.back()) == std::string::npos);
        if (settled && again.*field != before) std::abort();
        again.*field = before;
    }
    if (again != config || againOptions.AutoInc != options.AutoInc ||
        againOptions.NDIS != options.NDIS)
        std::abort();
    return 0;
}
