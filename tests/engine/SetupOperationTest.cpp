// The MAC address setting against the simulated boot code and EEPROM programmer on a
// pseudo-terminal: the loader, then the setup run with scripted dialogs, the packet received
// byte for byte, the address advanced and the settings saved; Cancel, a transfer stopped by a
// wrong message, and a busy port.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "Config8019File.h"
#include "ConfigTransfer.h"
#include "Dmod.h"
#include "EngineFixture.h"
#include "ProgrammerOnBootCode.h"
#include "Rs232c.h"
#include "SerialError.h"
#include "Setup8019.h"
#include "TempDir.h"
#include "Watchdog.h"

namespace {

using namespace std::chrono_literals;

// A transfer view that only notes the end of the exchange, completed or failed; what went
// over the line is checked on the programmer's side.
class TEndView : public TConfigTransferView {
public:
    void TransferStarted() override {}
    void StepDone(int) override {}
    void StepFailed(int, const std::string&) override { End(); }
    void TransferCompleted() override { End(); }
    bool WaitEnded(int milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [this] { return ended_; });
    }

private:
    void End() {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
};

// The setup dialog and the transfer dialog, scripted: the setup answers as planned, the
// transfer prompts the programmer and waits for it to end (or, with a busy port, finds the
// port taken).
class TScriptedSetup : public TEthernetSetup, private TSetup8019Views {
public:
    TScriptedSetup(Trs232c& port, TConfig8019Location location)
        : port_(port), setup_(std::move(location)) {}
    int ExecuteSetup(bool showAdvanced) override {
        return setup_.ExecuteSetup(showAdvanced, *this);
    }

    int answer = 1;
    std::string typedMac;  // what the user typed, when not empty
    TProgrammerOnBootCode* programmer = nullptr;
    bool portBusy = false;
    bool closeEarly = false;  // the user closes the transfer dialog before it has ended
    bool shownAdvanced = false;

private:
    int ShowSetupDialog(TConfig8019& config, TConfig8019Options&, bool showAdvanced) override {
        shownAdvanced = showAdvanced;
        if (!typedMac.empty()) config.MACID = typedMac;
        return answer;
    }
    TConfigTransferEnd RunTransferDialog(const TConfig8019& config) override {
        Trs232c other;
        other.portname = port_.portname;
        if (portBusy) other.Open();
        TEndView view;
        TConfigTransfer transfer(port_, view);
        return transfer.RunConfigTransfer(config, [&] {
            programmer->Prompt();
            if (closeEarly) {
                view.WaitEnded(300);
            } else {
                EXPECT_TRUE(view.WaitEnded(3000));
            }
        });
    }

    Trs232c& port_;
    TSetup8019 setup_;
};

class TSetupOperationTest : public TEngineTest {
protected:
    void SetUp() override {
        TEngineTest::SetUp();
        std::string error;
        ASSERT_TRUE(bootCode.Start(error)) << error;
        setenv("TIVRA_COM3", bootCode.SlavePath().c_str(), 1);
        files.Write("ror8019.com", std::string(300, '\x5A'));
        files.Write("CFG8019.INI", "; shipped\n[Misc]\nAutoInc=1\n");
        module.Dmod = &dmod;
        module.LoaderFolder = files.Path("");
        module.Dlg8019Setup = &setup;
        setup.programmer = &programmer;
        descriptorsBefore = Entries("/proc/self/fd");
        threadsBefore = Entries("/proc/self/task");
    }
    void TearDown() override {
        // Whatever the run met (a wrong message, a busy port), no port, file or thread is left.
        EXPECT_EQ(Entries("/proc/self/fd"), descriptorsBefore);
        EXPECT_EQ(ThreadsOnceSettled(threadsBefore), threadsBefore);
        unsetenv("TIVRA_COM3");
        TEngineTest::TearDown();
    }

    int Run() {
        TWatchdog watchdog("MAC address setting", 30s);
        dialogs.Plan(TDialogs::Answer::Ok);
        return module.SetMacAddressBySerial("COM3", totalSize, proceedSize, gauge, statusLabel);
    }
    std::string Saved() { return TempDir::Read(files.Path("config/CFG8019.INI")); }
    // The process's threads, once the count is back to `expected` or five seconds have passed:
    // a thread that was just joined can still be listed for a moment while the system tears
    // it down, and the system signals nothing when it is gone.
    static int ThreadsOnceSettled(int expected) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        int threads = Entries("/proc/self/task");
        while (threads != expected && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
            threads = Entries("/proc/self/task");
        }
        return threads;
    }
    static int Entries(const char* folder) {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            (void)entry;
            ++count;
        }
        return count;
    }

    int descriptorsBefore = 0;
    int threadsBefore = 0;
    TempDir files;
    TDmod dmod;
    TBootCodeSim bootCode;
    TProgrammerOnBootCode programmer{bootCode};
    TScriptedSetup setup{dmod.rs232c1, TConfig8019Location{files.Path("config"), files.Path("")}};
};

TEST_F(TSetupOperationTest, LoaderThenSettingsToTheProgrammerThenTheNextAddressSaved) {
    setup.typedMac = "02C0DE000041";
    EXPECT_EQ(Run(), orDone);
    EXPECT_TRUE(setup.shownAdvanced);
    EXPECT_TRUE(bootCode.LoaderComplete());
    EXPECT_TRUE(programmer.Done());
    TConfig8019 sent;
    sent.MACID = "02C0DE000041";
    EXPECT_EQ(programmer.Packet(), BuildConfigPacket(BuildEepromImage(sent)));
    const std::string saved = Saved();
    EXPECT_EQ(saved.rfind("; shipped\n[Misc]\nAutoInc=1\nNDIS=1\n", 0), 0u) << saved;
    EXPECT_NE(saved.find("MACID=02C0DE000043\n"), std::string::npos) << saved;
    EXPECT_EQ(Label(), "終了しました");
    EXPECT_FALSE(dmod.rs232c1.IsOpen());
}

TEST_F(TSetupOperationTest, CancelledSetupSendsAndSavesNothing) {
    setup.answer = 2;
    EXPECT_EQ(Run(), orCancelled);
    EXPECT_EQ(Label(), "キャンセルしました");
    EXPECT_TRUE(programmer.Packet().empty());
    EXPECT_FALSE(FileExists(files.Path("config/CFG8019.INI")));
}

// A transfer that did not complete is no success, yet the address still advances: the board
// may carry it, and an address is never given twice.
TEST_F(TSetupOperationTest, FailedTransferIsAnErrorButStillAdvancesAndSaves) {
    TProgrammerOnBootCode wrong(bootCode, TProgrammerFault::WrongGreeting);
    setup.programmer = &wrong;
    EXPECT_EQ(Run(), orError);
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_TRUE(wrong.Packet().empty());
    EXPECT_NE(Saved().find("MACID=02C0DE000001\n"), std::string::npos);
}

TEST_F(TSetupOperationTest, TransferClosedBeforeItsEndIsCancelledButStillAdvancesAndSaves) {
    TProgrammerOnBootCode silent(bootCode, TProgrammerFault::SilentAfterPacket);
    setup.programmer = &silent;
    setup.closeEarly = true;
    EXPECT_EQ(Run(), orCancelled);
    EXPECT_EQ(Label(), "キャンセルしました");
    EXPECT_NE(Saved().find("MACID=02C0DE000001\n"), std::string::npos);
}

TEST_F(TSetupOperationTest, BusyPortRaisesThePortErrorAndSavesNothing) {
    setup.portBusy = true;
    try {
        Run();
        FAIL() << "no error";
    } catch (const ESerialError& error) {
        EXPECT_EQ(SjisToUtf8(error.Message()), "シリアルポートが使用できません。");
    }
    EXPECT_FALSE(FileExists(files.Path("config/CFG8019.INI")));
    EXPECT_FALSE(dmod.rs232c1.IsOpen());
}

}  // namespace
