// TConfig8019: every value of the Ethernet controller's power-on EEPROM (I/O base, interrupt,
// boot ROM, medium, LED mode, MAC address and the Plug and Play identity and resources), with
// the values a missing settings file gives. Text fields are Shift_JIS bytes; hexadecimal texts
// hold two digits per byte, first byte first, without prefix or separators.
#pragma once

#include <cstdint>
#include <string>

struct TConfig8019 {
    std::int32_t IOBase = 0x320;
    std::int32_t IRQ = 5;
    bool IRQEN = true;
    std::int32_t BROMBase = 0;
    std::string BROMSize = "32K";
    std::string Connector = "AUTO";
    bool Active = true;
    bool PowerDown = false;
    bool TestMode = false;  // kept with the file only; not part of the image
    std::string LED = "LINKCRSMCSB";
    bool FUDUP = false;
    bool PNP = false;
    bool IOMS = true;
    std::string MACID = "02C0DE000000";
    std::string UserID = "2020202020202020";
    std::string VendorID = "4A8C8019";
    std::string SerialNum = "33000000";
    std::string Version = "0A1010";
    std::string AnsiStr = "Realtek Plug & Play Ethernet Card";
    std::string LogicalID = "16000019800200";
    std::string CompatibleID = "1C41D080D6";
    std::string PNPIO = "47000002E0032020";
    std::string PNPIRQ = "233C9C01";

    bool operator==(const TConfig8019& other) const;
    bool operator!=(const TConfig8019& other) const { return !(*this == other); }
};

// The two options of the setup dialog that are kept in the same file.
struct TConfig8019Options {
    bool AutoInc = false;  // advance the MAC address by one after each setting
    bool NDIS = true;      // keep octets 0x42 and 0x57 out of the address's last three bytes
};
