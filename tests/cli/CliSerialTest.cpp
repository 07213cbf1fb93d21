// The serial commands end to end: the real tivra-cli program, its COM1 mapped to a
// pseudo-terminal on which the simulated boot code runs the simulated firmware loader. The image
// must arrive byte for byte both ways; Ctrl-C cancels only while the access point is silent.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "BootCode.h"
#include "CliRun.h"
#include "EepromImage.h"
#include "EepromProgrammer.h"
#include "FirmwareLoaderMachine.h"
#include "FirmwareTestFiles.h"
#include "TempDir.h"

namespace {

class CliSerial : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("orbaflwr.com", SimulatedFirmwareLoaderFile());
        dir.Write("nvbioupd.com", SimulatedFirmwareLoaderFile());
        dir.Write("ror8019.com", SimulatedEepromProgrammerFile());
    }
    void TearDown() override {
        if (boot) boot->Stop();
    }
    void StartBootCode(TBootCodeConfig config, const TFirmwareLoaderConfig& loader,
                       int lineRate = 0) {
        if (boot) boot->Stop();
        boot.emplace(config);
        boot->SetProgramChooser(SimulatedLoaderPrograms(loader));
        boot->SetLineRate(lineRate);
        std::string error;
        ASSERT_TRUE(boot->Start(error)) << error;
    }
    TCliOutcome Run(const std::string& command, std::vector<std::string> more,
                    const std::function<void(pid_t, const std::string&)>& watch = nullptr) {
        more.insert(more.begin(), {command, "--port", "COM1", "--loader-folder", dir.Path("")});
        return RunTivraCli(more,
                           {{"TIVRA_COM1", boot->SlavePath()},
                            {"LC_ALL", "C.UTF-8"},
                            {"XDG_CONFIG_HOME", dir.Path("config")}},
                           watch);
    }
    std::string Written() { return FirmwareLoaderWritten(*boot); }

    TempDir dir;
    std::optional<TBootCodeSim> boot;
};

TEST_F(CliSerial, ImagesTravelByteForByteAndVerifyCatchesOneByte) {
    const std::string upload = PatternImage(20000, 1);
    const std::string biosData = PatternImage(5000, 3);
    TFirmwareLoaderConfig loader;
    loader.Flash = PatternImage(30000, 2);
    std::string flash = loader.Flash;
    flash.resize(32768, '\xFF');  // one 32 KiB unit; the rest of it is erased
    std::string changed = flash;
    changed[20000] ^= 0x01;
    const std::string backup = dir.Write("backup.bin", "the old image");
    struct Case {
        std::string command;
        std::vector<std::string> options;
        int status;
        std::string written;  // what the loader wrote to the flash, for the uploads
    };
    const Case cases[] = {
        {"serial-upload", {"--file", dir.Write("fw.bin", upload), "--yes"}, 0, upload},
        {"serial-download", {"--file", backup, "--yes"}, 0, ""},
        {"bios",
         {"--file", dir.Write("bios.brm", BiosFileForTest(biosData)), "--yes"},
         0,
         biosData},
        {"verify", {"--file", dir.Write("same.bin", flash), "--yes"}, 0, ""},
        {"verify",
         {"--file", dir.Write("changed.bin", changed), "--yes", "--report", dir.Path("r.txt")},
         1,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        StartBootCode({}, loader);
        TCliOutcome outcome = Run(c.command, c.options);
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        EXPECT_NE(outcome.err.find("アクセスポイントの電源が切れていることを確認してください"),
                  std::string::npos)
            << outcome.err;
        if (!c.written.empty()) {
            EXPECT_TRUE(Written() == c.written) << Written().size();
        }
    }
    EXPECT_TRUE(TempDir::Read(backup) == flash);
    EXPECT_NE(TempDir::Read(dir.Path("r.txt")).find("20000"), std::string::npos)
        << TempDir::Read(dir.Path("r.txt"));
}

TEST_F(CliSerial, CtrlCCancelsTheHandshakeButNotTheLoaderAtWork) {
    const std::string file = dir.Write("fw.bin", PatternImage(20000, 4));
    // A switched-off access point: Ctrl-C while it stays silent cancels.
    StartBootCode(TBootCodeConfig{"", TBootFault::Silence, -1}, {});
    bool sent = false;
    auto interruptOn = [&sent](const std::string& text) {
        return [&sent, text](pid_t pid, const std::string& err) {
            if (!sent && err.find(text) != std::string::npos) {
                kill(pid, SIGINT);
                sent = true;
            }
        };
    };
    TCliOutcome outcome =
        Run("serial-upload", {"--file", file, "--yes"}, interruptOn("電源をONにしてください"));
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_NE(outcome.err.find("キャンセルしました"), std::string::npos) << outcome.err;
    // Once the loader writes, the request is refused and the upload completes.
    StartBootCode({}, {}, 230400);
    sent = false;
    outcome = Run("serial-upload", {"--file", file, "--yes"}, interruptOn("書き込み中です"));
    EXPECT_TRUE(sent);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("runs to its end"), std::string::npos) << outcome.err;
    EXPECT_EQ(Written(), TempDir::Read(file));
}

TEST_F(CliSerial, MacLoopGivesThreeBoardsConsecutiveAddresses) {
    std::filesystem::create_directories(dir.Path("config/tivra"));
    const std::string settings = dir.Write("config/tivra/CFG8019.INI", "[Misc]\nAutoInc=0\n");
    // The first board names the address and turns the increment on; the others take what the
    // settings file keeps. 42 is skipped for NDIS drivers.
    const std::vector<std::string> first = {"--mac", "02:C0:DE:00:00:41", "--auto-increment"};
    const char* expected[] = {"02C0DE000041", "02C0DE000043", "02C0DE000044"};
    for (int board = 0; board < 3; ++board) {
        SCOPED_TRACE(board);
        StartBootCode({}, {});
        std::vector<std::string> options = board == 0 ? first : std::vector<std::string>{};
        options.push_back("--yes");
        TCliOutcome outcome = Run("mac", options);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_NE(outcome.out.find("[4/4] 設定データの検証"), std::string::npos) << outcome.out;
        std::vector<std::uint8_t> packet;
        boot->WithProgram([&](TLoaderProgram* program) {
            if (auto* p = dynamic_cast<TEepromProgrammerProgram*>(program))
                packet = p->Programmer().Packet();
        });
        TConfig8019 sent;
        sent.MACID = expected[board];
        EXPECT_EQ(packet, BuildConfigPacket(BuildEepromImage(sent)));
    }
    const std::string saved = TempDir::Read(settings);
    EXPECT_NE(saved.find("MACID=02C0DE000045\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("AutoInc=1\n"), std::string::npos) << saved;
    // A refused address sends nothing: the dialog's message and the usage status.
    TCliOutcome refused = Run("mac", {"--mac", "02C0DE005700", "--yes"});
    EXPECT_EQ(refused.status, 64);
    EXPECT_NE(refused.err.find("MACアドレス"), std::string::npos) << refused.err;
    EXPECT_EQ(TempDir::Read(settings), saved);
}

}  // namespace
