// The serial operations against the simulated boot code on a pseudo-terminal that the port name
// reaches through TIVRA_COMn: the question, the loader each operation sends, what the status
// page shows while it goes out, the loader's failures, the cancel while the access point has not
// answered, the firmware and BIOS transfers with the simulated firmware loader, end to end, and
// the faults that strike them (the line dropping, a file cut, refusals, a destination that
// cannot be written), after which nothing may be left behind.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "BootCode.h"
#include "Dmod.h"
#include "EngineFixture.h"
#include "EngineStrings.h"
#include "FirmwareFiles.h"
#include "FirmwareLoaderMachine.h"
#include "FirmwareTestFiles.h"
#include "TempDir.h"
#include "Watchdog.h"

namespace {

using namespace std::chrono_literals;

std::string GenerateApSimImageForTest(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + i / 1024 * 7 + 5) & 0xFF);
    return bytes;
}
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;
using TAnswer = TDialogs::Answer;

const char kPowerOff[] = "アクセスポイントの電源が切れていることを確認してください";
const char kPowerOn[] = "アクセスポイントの電源をONにしてください";
const char kPreparing[] = "準備中";
const char kPrepared[] = "準備完了";
const char kError[] = "エラーが発生しました";
const char kCommunicating[] = "通信しています．．．";
const char kFinished[] = "終了しました";
const char kCancelled[] = "キャンセルしました";
// Short step limits, so that a line where no firmware loader answers ends quickly.
constexpr std::uint32_t kShortStepMs = 400;

// Consecutive repeats folded into one: the texts as the user saw them change.
Texts Changes(const Texts& texts) {
    Texts out;
    for (const std::string& t : texts)
        if (out.empty() || out.back() != t) out.push_back(t);
    return out;
}

// A label that keeps every text it was given, in UTF-8.
class TRecordingLabel : public TPlainText {
public:
    void SetText(const std::string& text) override {
        TPlainText::SetText(text);
        Texts.push_back(SjisToUtf8(text));
    }
    std::vector<std::string> Texts;
};

// A gauge that keeps every position it was given.
class TRecordingGauge : public TPlainGauge {
public:
    void SetProgress(int percent) override {
        TPlainGauge::SetProgress(percent);
        Positions.push_back(percent);
    }
    std::vector<int> Positions;
};

// Points COMn at a device for the scope, restoring the variable afterwards.
class TComMapping {
public:
    TComMapping(const std::string& variable, const std::string& device) : variable_(variable) {
        if (const char* old = std::getenv(variable.c_str())) saved_ = old;
        setenv(variable.c_str(), device.c_str(), 1);
    }
    ~TComMapping() {
        if (saved_)
            setenv(variable_.c_str(), saved_->c_str(), 1);
        else
            unsetenv(variable_.c_str());
    }
    TComMapping(const TComMapping&) = delete;
    TComMapping& operator=(const TComMapping&) = delete;

private:
    std::string variable_;
    std::optional<std::string> saved_;
};

// Bytes that differ from block to block, so a shifted or repeated block shows.
Bytes LoaderImage(std::size_t size, unsigned seed) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i)
        image[i] = static_cast<std::uint8_t>((i * 7 + i / 1024 + seed) & 0xFF);
    return image;
}

class TSerialOperationsTest : public TEngineTest {
protected:
    void SetUp() override {
        TEngineTest::SetUp();
        module.Dmod = &dmod;
        module.LoaderFolder = loaders.Path("");  // with the trailing "/"
        module.TransferTimeouts = {kShortStepMs, kShortStepMs, kShortStepMs};
        progressGauge.SetVisible(false);
        // Each pass of message processing notes what the label showed at that moment.
        SetProcessEventsHook([this] {
            ++processPasses;
            drawnTexts.push_back(SjisToUtf8(label.Text()));
        });
    }

    // Starts a boot code that answers at once; the operations reach it as port. The other
    // port names lead nowhere, so no test can ever reach a real device.
    void StartBootCode(TBootCodeConfig config = {}, TFirmwareLoaderConfig loader = {}) {
        for (auto& mapping : mappings) mapping.reset();
        bootCode.emplace(config);
        // A loader file made for the simulator runs its firmware loader after the upload.
        bootCode->SetProgramChooser(SimulatedLoaderPrograms(loader));
        std::string error;
        ASSERT_TRUE(bootCode->Start(error)) << error;
        for (int n = 1; n <= 4; ++n) {
            const std::string name = "COM" + std::to_string(n);
            mappings[n - 1].emplace("TIVRA_" + name,
                                    name == port ? bootCode->SlavePath() : NoSuchPort());
        }
    }

    std::string NoSuchPort() const { return loaders.Path("no-such-port"); }

    Bytes WriteLoader(const char* name, std::size_t size, unsigned seed) {
        Bytes image = LoaderImage(size, seed);
        loaders.Write(name, std::string(image.begin(), image.end()));
        return image;
    }

    // Runs one operation with this test's controls, bounded in time: a loader that never ends
    // stops the test program instead of hanging the run.
    int Run(const std::function<int()>& operation) {
        TWatchdog watchdog("serial operation", 30s);
        label.Texts.clear();
        progressGauge.Positions.clear();
        drawnTexts.clear();
        SetScreenCursor(TCursor::HourGlass);
        int result = operation();
        EXPECT_EQ(module.LoaderThread, nullptr) << "the loader thread outlived its operation";
        EXPECT_FALSE(dmod.rs232c1.IsOpen()) << "the port was left open";
        return result;
    }

    int UploadFirmware() {
        return Run([this] {
            return module.UploadFirmwareBySerial(port, "fw.bin", totalSize, proceedSize,
                                                 progressGauge, label);
        });
    }

    // The four serial operations on this test's port and controls.
    struct TSerialOperation {
        const char* name;
        std::function<int()> run;
    };
    std::vector<TSerialOperation> SerialOperations() {
        return {
            {"UploadFirmwareBySerial",
             [this] {
                 return module.UploadFirmwareBySerial(port, "fw.bin", totalSize, proceedSize,
                                                      progressGauge, label);
             }},
            {"DownloadFirmwareBySerial",
             [this] {
                 return module.DownloadFirmwareBySerial(port, "out.bin", totalSize, proceedSize,
                                                        progressGauge, label);
             }},
            {"UpdateBiosBySerial",
             [this] {
                 return module.UpdateBiosBySerial(port, "bios.brm", totalSize, proceedSize,
                                                  progressGauge, label);
             }},
            {"SetMacAddressBySerial",
             [this] {
                 return module.SetMacAddressBySerial(port, totalSize, proceedSize, progressGauge,
                                                     label);
             }},
        };
    }

    TempDir loaders;
    TDmod dmod;
    TRecordingLabel label;
    TRecordingGauge progressGauge;
    Texts drawnTexts;
    std::optional<TBootCodeSim> bootCode;
    std::string port = "COM2";
    std::optional<TComMapping> mappings[4];
};

TEST_F(TSerialOperationsTest, DecliningStartsNoWorkerAndLeavesThePortAlone) {
    StartBootCode();
    for (const char* name : {"orbaflwr.com", "nvbioupd.com", "ror8019.com"})
        WriteLoader(name, 100, 0);
    // A loader that started would wait for the access point's answer, and say so first.
    bool loaderStarted = false;
    module.OnHandshakeCancelable = [&loaderStarted](bool waiting) { loaderStarted |= waiting; };
    for (const TSerialOperation& op : SerialOperations()) {
        SCOPED_TRACE(op.name);
        dialogs.Clear();
        label.SetText("before");
        dialogs.Plan(TAnswer::Cancel);
        EXPECT_EQ(Run(op.run), orCancelled);
        EXPECT_FALSE(loaderStarted);
        EXPECT_EQ(dialogs.Texts("okcancel"), Texts{kPowerOff});
        EXPECT_EQ(dialogs.History().size(), 1u);
        if (std::string(op.name) == "SetMacAddressBySerial") {
            // No status text is written at all, so the cursor is not touched either.
            EXPECT_TRUE(label.Texts.empty());
            EXPECT_EQ(label.Text(), "before");
        } else {
            EXPECT_EQ(label.Texts, Texts{"キャンセルしました"});
            EXPECT_EQ(ScreenCursor(), TCursor::Default);
        }
    }
    // No worker ran, so nothing can reach the line later: the port was never opened.
    EXPECT_TRUE(bootCode->Received().empty());
}

TEST_F(TSerialOperationsTest, WithoutTheSerialDataModuleNothingIsSentAndTheOperationFails) {
    StartBootCode();
    WriteLoader("orbaflwr.com", 100, 0);
    module.Dmod = nullptr;
    bool loaderStarted = false;
    module.OnHandshakeCancelable = [&loaderStarted](bool waiting) { loaderStarted |= waiting; };
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);
    EXPECT_FALSE(loaderStarted);
    // The user is not asked to switch on an access point nobody talks to.
    EXPECT_EQ(label.Texts, Texts{kError});
    EXPECT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    EXPECT_TRUE(bootCode->Received().empty());
}

TEST_F(TSerialOperationsTest, LoaderGoesOutByteForByteWhileTheStatusPageFollowsIt) {
    StartBootCode();
    const Bytes image = WriteLoader("orbaflwr.com", 2500, 1);
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);

    EXPECT_EQ(bootCode->ReceivedLoader(), image);
    EXPECT_TRUE(bootCode->LoaderComplete());
    // Power-on prompt, the loader's reports, then the transfer: this loader is no firmware
    // loader the simulator runs, so nothing answers the greeting and it times out.
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kPreparing, kPreparing, kPreparing, kPreparing,
                                  kPrepared, kCommunicating, kError}));
    EXPECT_EQ(progressGauge.Positions, (std::vector<int>{0, 40, 81, 100}));
    EXPECT_TRUE(progressGauge.Visible());
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    // Messages are processed while the access point has not answered (the Cancel button works
    // then), after every report, and after the final text.
    EXPECT_EQ(Changes(drawnTexts),
              (Texts{kPowerOn, kPreparing, kPrepared, kCommunicating, kError}));
    EXPECT_EQ(module.WorkerFailed, 1);
    EXPECT_EQ(dialogs.Texts("error"), Texts{});
    EXPECT_EQ(dialogs.Texts("exclamation"), Texts{"通信タイムアウトしました"});
    EXPECT_EQ(dialogs.UnusedAnswers(), 0u);
}

TEST_F(TSerialOperationsTest, AnErrorWhileWaitingStopsTheLoaderInsteadOfHanging) {
    StartBootCode(TBootCodeConfig{"", TBootFault::Silence, -1});  // never switched on
    WriteLoader("orbaflwr.com", 100, 0);
    bool thrown = false;
    SetProcessEventsHook([&] {
        if (!std::exchange(thrown, true)) throw std::runtime_error("window gone");
    });
    dialogs.Plan(TAnswer::Ok);
    const auto start = Clock::now();
    EXPECT_THROW(UploadFirmware(), std::runtime_error);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_EQ(module.LoaderThread, nullptr);
    EXPECT_FALSE(dmod.rs232c1.IsOpen());
    // The stop request is no failure of the access point: no dialog.
    EXPECT_TRUE(dialogs.Texts("error").empty());
    EXPECT_EQ(module.WorkerFailed, 1);
}

TEST_F(TSerialOperationsTest, EachOperationSendsItsOwnLoader) {
    const Bytes firmwareLoader = WriteLoader("orbaflwr.com", 1500, 2);
    const Bytes biosLoader = WriteLoader("nvbioupd.com", 1300, 3);
    const Bytes setupLoader = WriteLoader("ror8019.com", 700, 4);
    const Bytes* expected[] = {&firmwareLoader, &firmwareLoader, &biosLoader, &setupLoader};
    std::size_t index = 0;
    for (const TSerialOperation& op : SerialOperations()) {
        SCOPED_TRACE(op.name);
        port = "COM" + std::to_string(index + 1);  // each on its own port
        StartBootCode();
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(Run(op.run), orError);
        EXPECT_EQ(bootCode->ReceivedLoader(), *expected[index++]);
        ASSERT_FALSE(progressGauge.Positions.empty());
        EXPECT_EQ(progressGauge.Positions.back(), 100);
        EXPECT_TRUE(bootCode->LoaderComplete());
        ASSERT_GE(label.Texts.size(), 3u);
        EXPECT_EQ(label.Texts.front(), kPowerOn);
        EXPECT_NE(std::find(label.Texts.begin(), label.Texts.end(), kPrepared), label.Texts.end());
        EXPECT_EQ(label.Texts.back(), kError);
        EXPECT_EQ(ScreenCursor(), TCursor::Default);
    }
    EXPECT_TRUE(dialogs.Texts("error").empty());
}

TEST_F(TSerialOperationsTest, MissingLoaderFileShowsTheLoaderErrorAndFails) {
    StartBootCode();
    WriteLoader("orbaflwr.com", 100, 0);  // present, but not the one the BIOS update needs
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Run([this] {
                  return module.UpdateBiosBySerial(port, "bios.brm", totalSize, proceedSize,
                                                   progressGauge, label);
              }),
              orError);
    EXPECT_EQ(dialogs.Texts("error"),
              Texts{"エラーが発生しました\r\n必要なファイルが見つかりません"});
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kError}));
    EXPECT_EQ(module.WorkerFailed, 1);
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    EXPECT_TRUE(bootCode->Received().empty());
}

TEST_F(TSerialOperationsTest, PortThatCannotBeOpenedShowsTheOpenErrorAndFails) {
    WriteLoader("ror8019.com", 100, 0);
    TComMapping noPort("TIVRA_COM2", NoSuchPort());
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Run([this] {
                  return module.SetMacAddressBySerial(port, totalSize, proceedSize, progressGauge,
                                                      label);
              }),
              orError);
    // The general error, the loader's text, then why the port could not be used.
    EXPECT_EQ(
        dialogs.Texts("error"),
        Texts{"エラーが発生しました\r\nシリアルポートのオープンに失敗しました\r\nCOM2 の装置 " +
              NoSuchPort() +
              " がありません。USBシリアル変換器が接続されているか確認してください。"});
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kError}));
    EXPECT_EQ(module.WorkerFailed, 1);
}

TEST_F(TSerialOperationsTest, ALoaderFailureDoesNotHoldBackTheNextOperation) {
    TBootCodeConfig refusing;
    refusing.Fault = TBootFault::Bang;  // in place of the acknowledgement of the first block
    StartBootCode(refusing);
    const Bytes image = WriteLoader("orbaflwr.com", 2500, 5);
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);
    EXPECT_EQ(dialogs.Texts("error"),
              Texts{"エラーが発生しました\r\nフラッシュアクセスのエラーが発生しました"});
    EXPECT_EQ(module.WorkerFailed, 1);
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kPreparing, kPreparing, kError}));

    // The user switches off and tries again; this time the loader is accepted, and its success
    // report clears the failure, so the operation goes on past the loader to the transfer.
    StartBootCode();
    dialogs.Clear();
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);
    EXPECT_EQ(bootCode->ReceivedLoader(), image);
    EXPECT_TRUE(dialogs.Texts("error").empty());
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kPreparing, kPreparing, kPreparing, kPreparing,
                                  kPrepared, kCommunicating, kError}));
}

TEST_F(TSerialOperationsTest, FirmwareAndBiosMoveEndToEndWithTheStatusPageFollowing) {
    loaders.Write("orbaflwr.com", SimulatedFirmwareLoaderFile());
    loaders.Write("nvbioupd.com", SimulatedFirmwareLoaderFile());
    const std::string image = GenerateApSimImageForTest(100000);
    const std::string biosData = GenerateApSimImageForTest(3000);
    const std::string bios = BiosFileForTest(biosData);
    const std::string upload = loaders.Write("fw.bin", image);
    const std::string biosFile = loaders.Write("bios.brm", bios);
    const std::string download = loaders.Path("backup.bin");
    TFirmwareLoaderConfig loader;
    loader.Flash = image;
    loader.AnnouncedUnits = 4;
    const struct {
        const char* what;
        std::function<int()> run;
        const char* lastProgress;  // the last status before "finished"
        const char* total;
    } cases[] = {
        {"upload",
         [&] {
             return module.UploadFirmwareBySerial(port, upload, totalSize, proceedSize,
                                                  progressGauge, label);
         },
         "書き込み中です．．．", "        100,000"},
        {"download",
         [&] {
             return module.DownloadFirmwareBySerial(port, download, totalSize, proceedSize,
                                                    progressGauge, label);
         },
         "ファイルを作成中です．．．", "        131,072"},
        {"BIOS",
         [&] {
             return module.UpdateBiosBySerial(port, biosFile, totalSize, proceedSize, progressGauge,
                                              label);
         },
         "書き込み中です．．．", "        131,072"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartBootCode({}, loader);
        dialogs.Clear();
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(Run(c.run), orDone);
        EXPECT_TRUE(dialogs.Texts("exclamation").empty());
        EXPECT_TRUE(dialogs.Texts("error").empty());
        const Texts seen = Changes(label.Texts);
        ASSERT_GE(seen.size(), 4u);
        EXPECT_EQ(seen[seen.size() - 2], c.lastProgress);
        EXPECT_EQ(seen.back(), kFinished);
        EXPECT_EQ(SjisToUtf8(totalSize.Text()), c.total);
        EXPECT_EQ(progressGauge.Positions.back(), 100);
        EXPECT_EQ(module.WorkerFailed, 0);
        bootCode->WithProgram([&](TLoaderProgram* program) {
            auto* machine = dynamic_cast<TFirmwareLoaderMachine*>(program);
            ASSERT_NE(machine, nullptr);
            EXPECT_EQ(machine->Phase(), TFirmwareLoaderMachine::TPhase::Done);
            const std::string written(machine->Written().begin(), machine->Written().end());
            if (std::string(c.what) == "upload") {
                EXPECT_EQ(written, image);
            } else if (std::string(c.what) == "BIOS") {
                EXPECT_EQ(written, biosData);
            }
        });
    }
    std::string expected = image;
    expected.resize(131072, '\xFF');
    EXPECT_EQ(TempDir::Read(download), expected);
}

TEST_F(TSerialOperationsTest, CancelWhileTheAccessPointHasNotAnsweredEndsAsCancelled) {
    StartBootCode(TBootCodeConfig{"", TBootFault::Silence, -1});  // never switched on
    WriteLoader("orbaflwr.com", 100, 0);
    std::vector<bool> cancelable;
    module.OnHandshakeCancelable = [&](bool on) { cancelable.push_back(on); };
    // The user presses Cancel once the window offers it.
    SetProcessEventsHook([&] {
        if (!cancelable.empty() && cancelable.back()) module.CancelHandshake();
    });
    dialogs.Plan(TAnswer::Ok);
    const auto start = Clock::now();
    EXPECT_EQ(UploadFirmware(), orCancelled);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(cancelable, (std::vector<bool>{true, false}));
    EXPECT_EQ(label.Texts.back(), kCancelled);
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    // The termination is no failure to report, and nothing but wake-up strings went out.
    EXPECT_TRUE(dialogs.Texts("error").empty());
    for (std::uint8_t byte : bootCode->Received())
        ASSERT_NE(std::string("DORBA").find(static_cast<char>(byte)), std::string::npos);
    // Once the access point answered and the loader goes out, the same call changes nothing.
    module.OnHandshakeCancelable = nullptr;
    SetProcessEventsHook([&] {
        if (!label.Texts.empty() && label.Texts.back() == kPreparing) module.CancelHandshake();
    });
    StartBootCode();
    dialogs.Clear();
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);  // no firmware loader behind this loader file
    EXPECT_TRUE(bootCode->LoaderComplete());
}

TEST_F(TSerialOperationsTest, LineDroppingMidImageFailsAndKeepsTheDestination) {
    loaders.Write("orbaflwr.com", SimulatedFirmwareLoaderFile());
    const std::string download = loaders.Write("backup.bin", "previous image");
    TFirmwareLoaderConfig loader;
    loader.Fault = TLoaderFault::DropLine;
    loader.FaultAt = 40000;
    StartBootCode({}, loader);
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Run([&] {
                  return module.DownloadFirmwareBySerial(port, download, totalSize, proceedSize,
                                                         progressGauge, label);
              }),
              orError);
    EXPECT_EQ(dialogs.Texts("exclamation"), Texts{"シリアルポート通信エラーが発生しました"});
    EXPECT_EQ(label.Texts.back(), kError);
    EXPECT_EQ(TempDir::Read(download), "previous image");
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(loaders.Path("")))
        entries += entry.path().filename().string()[0] == '.' ? 100 : 1;
    EXPECT_EQ(entries, 2u);  // the loader and the destination, no hidden temporary file
}

// Entries under a /proc/self folder: open descriptors ("fd") or running threads ("task").
int ProcEntries(const char* folder) {
    int count = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string("/proc/self/") + folder)) {
        (void)entry;
        ++count;
    }
    return count;
}

enum class TFaultOp { Upload, Download, Bios };
// RefusedBeforeLoading: the operation fails before anything goes out on the line.
enum class TFaultAction { None, DropWhileLoading, CutSourceWhileErasing, RefusedBeforeLoading };
struct TFaultCase {
    const char* what;
    TFaultOp op;
    TLoaderFault fault;
    int at;
    TFaultAction action;
    const char*
        destination;  // for a download: in the test's folder, absolute, or "" for backup.bin
    const char* kind;         // the dialog that tells the user
    std::string message;
};
const char kLineError[] = "シリアルポート通信エラーが発生しました";

// A serial transfer struck by a fault: it fails with its message, and leaves the destination,
// the folder, the descriptors and the threads as they were.
class TSerialFaultsTest : public TSerialOperationsTest {
protected:
    void ExpectFailsCleanly(const TFaultCase& c) {
        SCOPED_TRACE(c.what);
        loaders.Write("orbaflwr.com", SimulatedFirmwareLoaderFile());
        loaders.Write("nvbioupd.com", SimulatedFirmwareLoaderFile());
        const std::string upload = loaders.Write("fw.bin", GenerateApSimImageForTest(200000));
        const std::string biosFile = loaders.Write("bios.brm", BiosFile());
        const std::string backup = loaders.Write("backup.bin", "previous image");
        const std::string destination = *c.destination == '/' ? std::string(c.destination)
                                        : *c.destination      ? loaders.Path(c.destination)
                                                              : backup;
        // A sanitizer's runtime starts a helper thread with the first thread the process makes:
        // one made and ended here keeps it out of the count.
        std::thread([] {}).join();
        const int threadsBefore = ProcEntries("task");
        const int descriptorsBefore = ProcEntries("fd");
        TFirmwareLoaderConfig loader;
        loader.Fault = c.fault;
        loader.FaultAt = c.at;
        StartBootCode({}, loader);
        SetProcessEventsHook([&] {
            const std::string shown = SjisToUtf8(label.Text());
            if (c.action == TFaultAction::DropWhileLoading && shown == kPreparing) bootCode->Stop();
            if (c.action == TFaultAction::CutSourceWhileErasing &&
                shown == EngineStrings::Erasing) {
                ASSERT_EQ(truncate(upload.c_str(), 50000), 0);
            }
        });
        dialogs.Clear();
        dialogs.Plan(TAnswer::Ok);
        const int result = Run([&] {
            switch (c.op) {
                case TFaultOp::Upload:
                    return module.UploadFirmwareBySerial(port, upload, totalSize, proceedSize,
                                                         progressGauge, label);
                case TFaultOp::Download:
                    return module.DownloadFirmwareBySerial(port, destination, totalSize,
                                                           proceedSize, progressGauge, label);
                default:
                    return module.UpdateBiosBySerial(port, biosFile, totalSize, proceedSize,
                                                     progressGauge, label);
            }
        });
        EXPECT_EQ(result, orError);
        EXPECT_EQ(label.Texts.back(), kError);
        EXPECT_EQ(module.WorkerFailed, 1);
        EXPECT_EQ(dialogs.Texts(c.kind), Texts{c.message});
        if (c.action == TFaultAction::RefusedBeforeLoading) {
            EXPECT_TRUE(bootCode->ReceivedLoader().empty());
        } else if (c.action != TFaultAction::DropWhileLoading) {
            bootCode->WithProgram([&](TLoaderProgram* program) {
                auto* machine = dynamic_cast<TFirmwareLoaderMachine*>(program);
                ASSERT_NE(machine, nullptr);
                // The loader never saw the end of an image it could take as whole.
                EXPECT_NE(machine->Phase(), TFirmwareLoaderMachine::TPhase::Done);
            });
        }
        bootCode->Stop();
        EXPECT_EQ(TempDir::Read(backup), "previous image");
        Texts names;
        for (const auto& entry : std::filesystem::directory_iterator(loaders.Path("")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names,
                  (Texts{"backup.bin", "bios.brm", "fw.bin", "nvbioupd.com", "orbaflwr.com"}));
        EXPECT_EQ(ProcEntries("fd"), descriptorsBefore);
        EXPECT_EQ(ProcEntries("task"), threadsBefore);
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    }

    // A BIOS file of 6000 data bytes that passes the file check.
    static std::string BiosFile() { return BiosFileForTest(GenerateApSimImageForTest(6000)); }
};

TEST_F(TSerialFaultsTest, ALineThatDropsFailsTheOperationInEveryPhase) {
    const TFaultCase cases[] = {
        {"during the loader upload", TFaultOp::Upload, TLoaderFault::None, 0,
         TFaultAction::DropWhileLoading, "", "error", std::string(kError) + "\r\n" + kLineError},
        {"during a firmware upload", TFaultOp::Upload, TLoaderFault::DropLine, 20000,
         TFaultAction::None, "", "exclamation", kLineError},
        {"during a BIOS update", TFaultOp::Bios, TLoaderFault::DropLine, 2048, TFaultAction::None,
         "", "exclamation", kLineError},
    };
    for (const TFaultCase& c : cases) ExpectFailsCleanly(c);
}

TEST_F(TSerialFaultsTest, FileFaultsAndRefusalsFailWithoutAnImageTakenAsWhole) {
    const TFaultCase cases[] = {
        {"upload file cut while the flash is erased", TFaultOp::Upload, TLoaderFault::None, 0,
         TFaultAction::CutSourceWhileErasing, "", "exclamation", "ファイルの読み込みエラー"},
        {"\"!\" for an upload block", TFaultOp::Upload, TLoaderFault::Bang, 6, TFaultAction::None,
         "", "exclamation", "フラッシュアクセスのエラーが発生しました"},
        {"download into a missing folder", TFaultOp::Download, TLoaderFault::None, 0,
         TFaultAction::RefusedBeforeLoading, "no-such-folder/out.bin", "exclamation",
         "操作に失敗しました"},
        {"download onto a device node", TFaultOp::Download, TLoaderFault::None, 0,
         TFaultAction::RefusedBeforeLoading, "/dev/null", "exclamation", "操作に失敗しました"},
    };
    for (const TFaultCase& c : cases) ExpectFailsCleanly(c);
}

}  // namespace
