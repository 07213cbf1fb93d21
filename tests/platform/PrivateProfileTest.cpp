// Settings files: lookup rules, defaults, in-place updates that keep foreign lines, saving.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <iterator>

#include "ConfigFolder.h"
#include "PrivateProfile.h"
#include "TempDir.h"

namespace {

const char kFile[] =
    "; written by hand\r\n"
    "[Config]\r\n"
    "  IRQ = 10 \r\n"
    "Name=\"quoted value\"\r\n"
    "# a comment=not a key\r\n"
    "\r\n"
    "[Other]\r\n"
    "Foreign=kept\r\n";

TEST(PrivateProfileTest, ReadsValuesByCaseInsensitiveNamesWithDefaults) {
    TPrivateProfile profile{std::string(kFile)};
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"Config", "IRQ", "10"},
        {"config", "irq", "10"},
        {"Config", "Name", "quoted value"},
        {"Config", "# a comment", "default"},
        {"Config", "Foreign", "default"},
        {"Missing", "IRQ", "default"},
        {"Other", "Foreign", "kept"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(profile.ReadString(c.section, c.key, "default"), c.expected)
            << c.section << "/" << c.key;
}

TEST(PrivateProfileTest, ValuesAreCutToTheBuffer) {
    TPrivateProfile profile("[S]\nK=" + std::string(3000, 'x') + "\n");
    EXPECT_EQ(profile.ReadString("S", "K", "").size(), TPrivateProfile::ValueBufferSize - 1);
}

TEST(PrivateProfileTest, UpdatesInPlaceKeepingEveryOtherLine) {
    TPrivateProfile profile{std::string(kFile)};
    profile.WriteString("Config", "irq", "5");    // replaced where it stands
    profile.WriteString("Config", "New", "1");    // after the section's last line
    profile.WriteString("Misc", "AutoInc", "0");  // a new section at the end
    EXPECT_EQ(profile.Text(),
              "; written by hand\r\n"
              "[Config]\r\n"
              "irq=5\r\n"
              "Name=\"quoted value\"\r\n"
              "# a comment=not a key\r\n"
              "New=1\r\n"
              "\r\n"
              "[Other]\r\n"
              "Foreign=kept\r\n"
              "\r\n"
              "[Misc]\r\n"
              "AutoInc=0\r\n");
}

TEST(PrivateProfileTest, MissingFileGivesDefaultsAndSavingCreatesIt) {
    TempDir dir;
    const std::string path = dir.Path("S.INI");
    EXPECT_EQ(GetPrivateProfileString("A", "B", "d", path), "d");
    WritePrivateProfileString("A", "B", "v", path);
    WritePrivateProfileString("A", "C", "w", path);
    EXPECT_EQ(TempDir::Read(path), "[A]\nB=v\nC=w\n");
    EXPECT_EQ(GetPrivateProfileString("a", "c", "d", path), "w");
}

TEST(PrivateProfileTest, SettingsAreReadFromTheUserCopyElseBesideTheProgram) {
    TempDir dir;
    const std::string config = dir.Path("config/tivra");
    const std::string program = dir.Path("bin") + "/";
    EXPECT_EQ(SettingsReadPath("X.INI", config, program), program + "X.INI");
    const std::string written = SettingsWritePath("X.INI", config);
    EXPECT_EQ(written, config + "/X.INI");
    WritePrivateProfileString("A", "B", "v", written);
    EXPECT_EQ(SettingsReadPath("X.INI", config, program), written);
}

}  // namespace

namespace {

// A save that fails half way (here the file size limit stops the new text part way) leaves the
// old settings file as it was and nothing beside it: the new text goes to a new file that
// replaces the old one only when whole.
TEST(PrivateProfileTest, ASaveThatFailsHalfWayLeavesTheOldFileIntact) {
    TempDir dir;
    const std::string path = dir.Path("CFG8019.INI");
    const std::string old = std::string("[Config]\r\nIRQ=5\r\n") + std::string(200, ';') + "\r\n";
    dir.Write("CFG8019.INI", old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit{100, previous.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_ANY_THROW(WritePrivateProfileString("Config", "IRQ", "10", path));
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_EQ(TempDir::Read(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
