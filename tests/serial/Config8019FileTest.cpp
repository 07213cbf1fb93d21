// CFG8019.INI: every key's form and default, foreign lines kept, the starting copy beside the
// program, and the user's copy in the configuration folder.
#include <gtest/gtest.h>

#include "Config8019File.h"
#include "TempDir.h"

namespace {

TEST(Config8019FileTest, MissingOrMalformedKeysTakeTheirDefaults) {
    TConfig8019 config;
    config.MACID = "changed";
    TConfig8019Options options{true, false};
    LoadConfig8019(TPrivateProfile("[Config]\nIOBase=0x300\nIRQ=five\nIRQEN=x\n"), config, options);
    EXPECT_EQ(config, TConfig8019());
    EXPECT_FALSE(options.AutoInc);
    EXPECT_TRUE(options.NDIS);
}

TEST(Config8019FileTest, ReadsEachForm) {
    TConfig8019 config;
    TConfig8019Options options;
    LoadConfig8019(TPrivateProfile("[Config]\nIOBase=2a0\nIRQ=$F\nBROMBase=0xC800\n"
                                   "Active=0\nPNP=7\nConnector=10base5\n"
                                   "[PNP]\nAnsiStr=Card\n[Misc]\nAutoInc=1\nNDIS=0\n"),
                   config, options);
    EXPECT_EQ(config.IOBase, 0x2A0);
    EXPECT_EQ(config.IRQ, 15);
    EXPECT_EQ(config.BROMBase, 0xC800);
    EXPECT_FALSE(config.Active);
    EXPECT_TRUE(config.PNP);
    EXPECT_EQ(config.Connector, "10base5");
    EXPECT_EQ(config.AnsiStr, "Card");
    EXPECT_TRUE(options.AutoInc);
    EXPECT_FALSE(options.NDIS);
}

TEST(Config8019FileTest, SavesEveryKeyInItsFormAndReadsItBack) {
    TConfig8019 config;
    config.IOBase = 0x2A0;
    config.BROMBase = 0xC800;
    config.PowerDown = true;
    TConfig8019Options options{true, false};
    TPrivateProfile profile;
    SaveConfig8019(profile, config, options);
    EXPECT_EQ(profile.Text(),
              "[Config]\nIOBase=2A0\nIRQ=5\nIRQEN=1\nBROMBase=51200\nBROMSize=32K\n"
              "Connector=AUTO\nActive=1\nPowerDown=1\nTestMode=0\nLED=LINKCRSMCSB\nFUDUP=0\n"
              "PNP=0\nIOMS=1\nMACID=02C0DE000000\nUserID=2020202020202020\nVendorID=4A8C8019\n"
              "SerialNum=33000000\n\n[PNP]\nVersion=0A1010\n"
              "AnsiStr=Realtek Plug & Play Ethernet Card\nLogicalID=16000019800200\n"
              "CompatibleID=1C41D080D6\nPNPIO=47000002E0032020\nPNPIRQ=233C9C01\n\n"
              "[Misc]\nAutoInc=1\nNDIS=0\n");
    TConfig8019 back;
    TConfig8019Options backOptions;
    LoadConfig8019(profile, back, backOptions);
    EXPECT_EQ(back, config);
    EXPECT_TRUE(backOptions.AutoInc);
    EXPECT_FALSE(backOptions.NDIS);
}

TEST(Config8019FileTest, StartsFromTheCopyBesideTheProgramAndSavesToTheUserFolder) {
    TempDir dir;
    TConfig8019Location location{dir.Path("config"), dir.Path("")};
    const std::string beside = dir.Write("CFG8019.INI",
                                         "; site settings\r\n[Config]\r\nMACID=02C0DE000100\r\n"
                                         "Site=Tokyo\r\n");
    TConfig8019 config;
    TConfig8019Options options;
    LoadConfig8019(location, config, options);
    EXPECT_EQ(config.MACID, "02C0DE000100");
    config.MACID = "02C0DE000101";
    SaveConfig8019(location, config, options);
    const std::string saved = TempDir::Read(dir.Path("config/CFG8019.INI"));
    EXPECT_EQ(saved.rfind("; site settings\r\n[Config]\r\nMACID=02C0DE000101\r\nSite=Tokyo\r\n", 0),
              0u);
    EXPECT_EQ(TempDir::Read(beside).find("000101"), std::string::npos);
    LoadConfig8019(location, config, options);
    EXPECT_EQ(config.MACID, "02C0DE000101");
}

}  // namespace
