// The network firmware operations end to end: the real wizard drives the real operations data
// module, which talks to a simulated access point on the test's own loopback address. The
// pages are filled as a user would, the questions answered by the scripted dialogs, and the
// simulator's report shows what reached the access point.
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "../engine/Watchdog.h"
#include "ApSimForTest.h"
#include "ApSimulator.h"
#include "DataModuleRunner.h"
#include "FormFixture.h"
#include "HttpGet.h"
#include "NavrilDataModule.h"
#include "Sha256.h"

namespace {

const char kUploadDone[] =
    "アップロードが完了しました。アクセスポイントを再起動しています。\r"
    "再起動直後は通信が不安定になる場合がありますので、2～3分待ってTX/RX LEDのいずれかが"
    "点滅していることを確認してから通信を再開してください。";

std::string LittleEndian32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// A bound firmware file: the marker 33 BB 33 BB, slot 1 with the image, an empty slot 2.
std::string BoundFirmware(std::size_t imageSize) {
    std::string image(imageSize, '\0');
    for (std::size_t i = 0; i < imageSize; ++i) image[i] = static_cast<char>(i * 11 + (i >> 10));
    return std::string("\x33\xBB\x33\xBB", 4) +
           LittleEndian32(static_cast<std::uint32_t>(imageSize)) + image + LittleEndian32(0);
}

class TNetworkEndToEnd : public TFormTest {
protected:
    void SetUp() override {
        setenv("NO_PROXY", "*", 1);
        setenv("no_proxy", "*", 1);
        TFormTest::SetUp();
        form->SetOperationRunner(&dataModuleRunner_);
    }

    void TearDown() override {
        // No HTTP worker may outlive the test: it would wait for a main thread that moved on.
        EXPECT_TRUE(WaitForHTTPGetThreads(10000));
        if (simulator_) simulator_->Stop();
        TFormTest::TearDown();
    }

    TApSimulator& StartSimulator(const std::string& address, std::int64_t imageSize = 65536,
                                 const TApSimFaults& faults = TApSimFaults()) {
        simulator_ = StartedApSim(address, [&](TApSimOptions& options) {
            options.ImageSize = imageSize;
            options.Faults = faults;
        });
        return *simulator_;
    }

    std::vector<TApSimStream> Streams() {
        EXPECT_TRUE(simulator_->Report().WaitForStreams(1, 10000));
        return simulator_->Report().Streams();
    }

    int GaugeValue() { return Find<QProgressBar>("Gauge")->value(); }

    // Fills the upload page for address and runs the upload from the confirmation page.
    void RunUpload(const std::string& address, const std::string& path,
                   const std::string& password) {
        GoToParameterPage(OperationKind::UploadNet);
        Type("UploadIPEdit", address.c_str());
        Type("UploadNetFileNameEdit", Q(path));
        Type("UploadNetPasswordEdit", password.c_str());
        Next();
        ASSERT_EQ(Page(), "ConfirmSheet");
        dialogs.Plan(TDialogs::Answer::Ok);
        Next();
    }

    TWatchdog watchdog_{"network end-to-end test", std::chrono::seconds(60)};
    // The program's data module with its real pause after the HTTP request.
    TnavrilDataModule dataModule_{dialogs};
    TDataModuleRunner dataModuleRunner_{dataModule_};
    std::unique_ptr<TApSimulator> simulator_;
};

TEST_F(TNetworkEndToEnd, UploadsABoundFirmwareFile) {
    TApSimulator& simulator = StartSimulator("127.0.9.1");
    const std::string firmware = BoundFirmware(1048576 + 4321);
    const std::string path = dir.Write("firmware 1.bin", firmware);
    GoToParameterPage(OperationKind::UploadNet);
    // Blanks around the address's parts are dropped before it is used.
    Type("UploadIPEdit", " 127.0.9.1 ");
    Type("UploadNetFileNameEdit", Q(path));
    Type("UploadNetPasswordEdit", "pw");
    Find<QRadioButton>("UploadNetKeepSettingDiscard")->setChecked(true);
    Next();
    ASSERT_EQ(Page(), "ConfirmSheet");
    dialogs.Plan(TDialogs::Answer::Ok);
    Next();

    EXPECT_EQ(dialogs.Texts("okcancel"), std::vector<std::string>{"ファームウェアを更新します"});
    EXPECT_EQ(dialogs.Texts("information"), std::vector<std::string>{kUploadDone});
    EXPECT_TRUE(dialogs.Texts("error").empty());
    std::vector<TApSimRequest> requests = simulator.Report().Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Path, "/firmware_update.cgi");
    EXPECT_EQ(requests[0].Body, "KeepUserSetting=0&DoUpdate=1");
    EXPECT_TRUE(requests[0].Authorized);
    std::vector<TApSimStream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_TRUE(streams[0].Complete);
    EXPECT_EQ(streams[0].Data.size(), firmware.size());
    EXPECT_EQ(Sha256Hex(streams[0].Data), Sha256Hex(firmware));

    EXPECT_EQ(Page(), "StatusSheet");
    EXPECT_EQ(Text("StatusLabel"), "終了しました");
    EXPECT_EQ(GaugeValue(), 100);
    EXPECT_EQ(Text("TotalSizeEdit").trimmed(), "1,052,909");
    EXPECT_EQ(Text("ProceedSizeEdit").trimmed(), "1,052,909");
    ExpectButtons(true, false, "実行", true, "終了");
}

TEST_F(TNetworkEndToEnd, DownloadsTheImageIntoAnExistingFile) {
    TApSimulator& simulator = StartSimulator("127.0.9.2", 300000);
    const std::string path = dir.Write("ファーム 保存.bin", "old content");
    GoToParameterPage(OperationKind::DownloadNet);
    ASSERT_EQ(Page(), "DownloadNetConfSheet");
    Type("DownloadIPEdit", "127.0.9.2 ");
    Type("DownloadNetFileNameEdit", Q(path));
    Type("DownloadNetPasswordEdit", "pw");
    dialogs.Plan(TDialogs::Answer::Yes);  // overwrite the existing file
    Next();
    ASSERT_EQ(Page(), "ConfirmSheet");
    EXPECT_EQ(dialogs.Texts("yesno").size(), 1u);
    dialogs.Plan(TDialogs::Answer::Ok);
    Next();

    EXPECT_EQ(dialogs.Texts("okcancel"),
              std::vector<std::string>{"ファームウェアをダウンロードします"});
    EXPECT_EQ(dialogs.Texts("information"), std::vector<std::string>{"完了しました"});
    std::vector<TApSimRequest> requests = simulator.Report().Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method, "GET");
    EXPECT_EQ(requests[0].Path, "/downfirm.cgi");
    std::vector<TApSimStream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    const std::string stored = TempDir::Read(path);
    EXPECT_EQ(stored.size(), 300000u);
    EXPECT_EQ(Sha256Hex(stored), Sha256Hex(GenerateApSimImage(300000)));
    EXPECT_EQ(Sha256Hex(stored), Sha256Hex(streams[0].Data));

    EXPECT_EQ(Text("StatusLabel"), "終了しました");
    EXPECT_EQ(GaugeValue(), 7);  // 300,000 of the assumed 4,194,304 bytes
    EXPECT_EQ(Text("TotalSizeEdit").trimmed(), "4,194,304");
    EXPECT_EQ(Text("ProceedSizeEdit").trimmed(), "300,000");
}

// A wrong password against an access point whose port 8765 takes any connection: the refused
// update request ends the run with the error box, not with the completion text, and nothing
// reaches the access point.
TEST_F(TNetworkEndToEnd, ARefusedLoginShowsTheErrorNotTheCompletion) {
    TApSimFaults faults;
    faults.ListenAlways = true;
    TApSimulator& simulator = StartSimulator("127.0.9.3", 65536, faults);
    RunUpload("127.0.9.3", dir.Write("fw.bin", BoundFirmware(5000)), "wrong");
    EXPECT_EQ(dialogs.Texts("error"),
              std::vector<std::string>{"エラーが発生しました。設定及び接続を確認してください。"});
    // The box says why behind its details.
    ASSERT_FALSE(dialogs.History().empty());
    EXPECT_EQ(dialogs.History().back().detail,
              "the access point refused the user name or password (401 Unauthorized)");
    EXPECT_TRUE(dialogs.Texts("information").empty());
    EXPECT_FALSE(simulator.Report().WaitForStreams(1, 300)) << "port 8765 was used";
}

// While the access point takes no more bytes the window keeps being serviced (a timer of the
// window keeps firing) and every button stays disabled until the run has ended.
TEST_F(TNetworkEndToEnd, TheWindowStaysAliveWhileTheAccessPointStalls) {
    TApSimFaults faults;
    faults.Stall = 65536;
    StartSimulator("127.0.9.4", 65536, faults);
    dataModule_.NetworkIdleLimitMs = 1500;
    dataModule_.KickPauseMs = 1000;
    int ticks = 0;
    int ticksWithAButtonEnabled = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (Page() != "StatusSheet") return;
        ++ticks;
        for (const char* name : {"BackButton", "NextButton", "CancelButton"}) {
            if (Find<QAbstractButton>(name)->isEnabled()) ++ticksWithAButtonEnabled;
        }
    });
    timer.start(50);
    RunUpload("127.0.9.4", dir.Write("fw.bin", BoundFirmware(16 * 1048576)), "pw");
    timer.stop();
    EXPECT_EQ(dialogs.Texts("error"),
              std::vector<std::string>{"エラーが発生しました。設定及び接続を確認してください。"});
    // 1.5 s without a byte moving, serviced at least every 100 ms: a 50 ms timer fires often.
    EXPECT_GE(ticks, 8);
    EXPECT_EQ(ticksWithAButtonEnabled, 0);
}

}  // namespace
