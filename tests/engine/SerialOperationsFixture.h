// Shared ground of the serial operation tests: the simulated boot code on a pseudo-terminal
// that the port name reaches through TIVRA_COMn, the loader files, recording status controls
// and the operations run with a bounded time.
#pragma once

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

namespace serial_operations_test {

using namespace std::chrono_literals;

inline std::string GenerateApSimImageForTest(std::size_t size) {
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
inline Texts Changes(const Texts& texts) {
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
inline Bytes LoaderImage(std::size_t size, unsigned seed) {
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

}  // namespace serial_operations_test
