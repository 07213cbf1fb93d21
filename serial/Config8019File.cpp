// CFG8019.INI: the keys, their forms and defaults, and where the file lives.
#include "Config8019File.h"

#include <cstdio>

#include "ConfigFolder.h"
#include "FileSystem.h"
#include "HexPairs.h"
#include "IntegerText.h"

namespace {

constexpr char kConfig[] = "Config";
constexpr char kPnp[] = "PNP";
constexpr char kMisc[] = "Misc";

std::int32_t ReadInteger(const TPrivateProfile& p, const char* section, const char* key,
                         std::int32_t defaultValue) {
    auto value = TextToInteger(p.ReadString(section, key, ""));
    return value ? *value : defaultValue;
}

bool ReadBool(const TPrivateProfile& p, const char* section, const char* key, bool defaultValue) {
    return ReadInteger(p, section, key, defaultValue ? 1 : 0) != 0;
}

// IOBase: plain hexadecimal digits only; anything else (a "0x" prefix included) is the default.
std::int32_t ReadIOBase(const TPrivateProfile& p, std::int32_t defaultValue) {
    std::string text = p.ReadString(kConfig, "IOBase", "");
    if (text.empty() || text.size() > 7) return defaultValue;
    std::int32_t value = 0;
    for (char c : text) {
        int digit = HexDigitValue(c);
        if (digit < 0) return defaultValue;
        value = value * 16 + digit;
    }
    return value;
}

void WriteInteger(TPrivateProfile& p, const char* section, const char* key, std::int32_t value) {
    p.WriteString(section, key, std::to_string(value));
}

void WriteBool(TPrivateProfile& p, const char* section, const char* key, bool value) {
    p.WriteString(section, key, value ? "1" : "0");
}

std::string HexIOBase(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%03X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

void LoadConfig8019(const TPrivateProfile& p, TConfig8019& c, TConfig8019Options& options) {
    const TConfig8019 d;
    const TConfig8019Options od;
    c.IOBase = ReadIOBase(p, d.IOBase);
    c.IRQ = ReadInteger(p, kConfig, "IRQ", d.IRQ);
    c.IRQEN = ReadBool(p, kConfig, "IRQEN", d.IRQEN);
    c.BROMBase = ReadInteger(p, kConfig, "BROMBase", d.BROMBase);
    c.BROMSize = p.ReadString(kConfig, "BROMSize", d.BROMSize);
    c.Connector = p.ReadString(kConfig, "Connector", d.Connector);
    c.Active = ReadBool(p, kConfig, "Active", d.Active);
    c.PowerDown = ReadBool(p, kConfig, "PowerDown", d.PowerDown);
    c.TestMode = ReadBool(p, kConfig, "TestMode", d.TestMode);
    c.LED = p.ReadString(kConfig, "LED", d.LED);
    c.FUDUP = ReadBool(p, kConfig, "FUDUP", d.FUDUP);
    c.PNP = ReadBool(p, kConfig, "PNP", d.PNP);
    c.IOMS = ReadBool(p, kConfig, "IOMS", d.IOMS);
    c.MACID = p.ReadString(kConfig, "MACID", d.MACID);
    c.UserID = p.ReadString(kConfig, "UserID", d.UserID);
    c.VendorID = p.ReadString(kConfig, "VendorID", d.VendorID);
    c.SerialNum = p.ReadString(kConfig, "SerialNum", d.SerialNum);
    c.Version = p.ReadString(kPnp, "Version", d.Version);
    c.AnsiStr = p.ReadString(kPnp, "AnsiStr", d.AnsiStr);
    c.LogicalID = p.ReadString(kPnp, "LogicalID", d.LogicalID);
    c.CompatibleID = p.ReadString(kPnp, "CompatibleID", d.CompatibleID);
    c.PNPIO = p.ReadString(kPnp, "PNPIO", d.PNPIO);
    c.PNPIRQ = p.ReadString(kPnp, "PNPIRQ", d.PNPIRQ);
    options.AutoInc = ReadBool(p, kMisc, "AutoInc", od.AutoInc);
    options.NDIS = ReadBool(p, kMisc, "NDIS", od.NDIS);
}

void SaveConfig8019(TPrivateProfile& p, const TConfig8019& c, const TConfig8019Options& options) {
    p.WriteString(kConfig, "IOBase", HexIOBase(c.IOBase));
    WriteInteger(p, kConfig, "IRQ", c.IRQ);
    WriteBool(p, kConfig, "IRQEN", c.IRQEN);
    WriteInteger(p, kConfig, "BROMBase", c.BROMBase);
    p.WriteString(kConfig, "BROMSize", c.BROMSize);
    p.WriteString(kConfig, "Connector", c.Connector);
    WriteBool(p, kConfig, "Active", c.Active);
    WriteBool(p, kConfig, "PowerDown", c.PowerDown);
    WriteBool(p, kConfig, "TestMode", c.TestMode);
    p.WriteString(kConfig, "LED", c.LED);
    WriteBool(p, kConfig, "FUDUP", c.FUDUP);
    WriteBool(p, kConfig, "PNP", c.PNP);
    WriteBool(p, kConfig, "IOMS", c.IOMS);
    p.WriteString(kConfig, "MACID", c.MACID);
    p.WriteString(kConfig, "UserID", c.UserID);
    p.WriteString(kConfig, "VendorID", c.VendorID);
    p.WriteString(kConfig, "SerialNum", c.SerialNum);
    p.WriteString(kPnp, "Version", c.Version);
    p.WriteString(kPnp, "AnsiStr", c.AnsiStr);
    p.WriteString(kPnp, "LogicalID", c.LogicalID);
    p.WriteString(kPnp, "CompatibleID", c.CompatibleID);
    p.WriteString(kPnp, "PNPIO", c.PNPIO);
    p.WriteString(kPnp, "PNPIRQ", c.PNPIRQ);
    WriteBool(p, kMisc, "AutoInc", options.AutoInc);
    WriteBool(p, kMisc, "NDIS", options.NDIS);
}

TConfig8019Location TConfig8019Location::Default() {
    return TConfig8019Location{SettingsFolder(), ProgramDataFolder()};
}

std::string TConfig8019Location::ReadPath() const {
    return SettingsReadPath(Config8019FileName, ConfigFolder, ProgramFolder);
}

std::string TConfig8019Location::WritePath() const {
    return SettingsWritePath(Config8019FileName, ConfigFolder);
}

void LoadConfig8019(const TConfig8019Location& location, TConfig8019& config,
                    TConfig8019Options& options) {
    LoadConfig8019(TPrivateProfile::Load(location.ReadPath()), config, options);
}

void SaveConfig8019(const TConfig8019Location& location, const TConfig8019& config,
                    const TConfig8019Options& options) {
    // The file read is the one updated: on the first save the copy beside the program, with
    // its comments and foreign lines, becomes the user's own.
    TPrivateProfile profile = TPrivateProfile::Load(location.ReadPath());
    SaveConfig8019(profile, config, options);
    profile.Save(location.WritePath());
}
