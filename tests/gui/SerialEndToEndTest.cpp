// The serial operations end to end: the real wizard drives the real operations data module,
// whose loader and transfer threads talk over a pseudo-terminal, mapped to COM1, to the
// simulated boot code and its firmware loader. Firmware upload and download (operations 3 and
// 4), the BIOS update (operation 6, whose choice stays hidden and is made by the test), the
// Cancel button while the access point has not answered, and a run again after the line dropped.
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <optional>

#include "../engine/Watchdog.h"
#include "BootCode.h"
#include "DataModuleRunner.h"
#include "Dmod.h"
#include "FirmwareLoaderMachine.h"
#include "FirmwareTestFiles.h"
#include "FormFixture.h"
#include "NavrilDataModule.h"

namespace {

class TSerialEndToEnd : public TFormTest {
protected:
    void SetUp() override {
        TFormTest::SetUp();
        form->SetOperationRunner(&runner_);
        dataModule_.Dmod = &dmod_;
        dataModule_.LoaderFolder = dir.Path("");
        dir.Write("orbaflwr.com", SimulatedFirmwareLoaderFile());
        dir.Write("nvbioupd.com", SimulatedFirmwareLoaderFile());
        if (const char* old = std::getenv("TIVRA_COM1")) savedCom1_ = old;
    }
    void TearDown() override {
        if (bootCode_) bootCode_->Stop();
        if (savedCom1_)
            setenv("TIVRA_COM1", savedCom1_->c_str(), 1);
        else
            unsetenv("TIVRA_COM1");
        TFormTest::TearDown();
    }

    void StartBootCode(TBootCodeConfig config, TFirmwareLoaderConfig loader) {
        bootCode_.emplace(config);
        bootCode_->SetProgramChooser(SimulatedLoaderPrograms(loader));
        std::string error;
        ASSERT_TRUE(bootCode_->Start(error)) << error;
        setenv("TIVRA_COM1", bootCode_->SlavePath().c_str(), 1);
    }

    // Confirms the page and runs the operation, switching the access point "off" first.
    void Execute() {
        Next();
        ASSERT_EQ(Page(), "ConfirmSheet");
        dialogs.Plan(TDialogs::Answer::Ok);
        Next();
    }

    std::string Written() { return FirmwareLoaderWritten(*bootCode_); }

    TWatchdog watchdog_{"serial end-to-end test", std::chrono::seconds(60)};
    TDmod dmod_;
    TnavrilDataModule dataModule_{dialogs};
    TDataModuleRunner runner_{dataModule_};
    std::optional<TBootCodeSim> bootCode_;
    std::optional<std::string> savedCom1_;
};

TEST_F(TSerialEndToEnd, FirmwareAndBiosOperationsMoveTheImageBothWays) {
    const std::string upload = PatternImage(100000, 1);
    const std::string flash = PatternImage(70000, 2);
    const std::string biosData = PatternImage(5000, 3);
    TFirmwareLoaderConfig loader;
    loader.Flash = flash;
    const struct {
        OperationKind kind;
        const char* combo;
        const char* fileEdit;
        std::string file;
        const char* total;
    } cases[] = {
        {OperationKind::UploadSerial, "UploadComCombo", "UploadSerialFileNameEdit",
         dir.Write("fw.bin", upload), "100,000"},
        {OperationKind::DownloadSerial, "DownloadComCombo", "DownloadSerialFileNameEdit",
         dir.Path("backup.bin"), "98,304"},
        {OperationKind::UpdateBios, "UpBIOSComCombo", "UPBiosFileNameEdit",
         dir.Write("bios.brm", BiosFileForTest(biosData)), "131,072"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        StartBootCode({}, loader);
        dialogs.Clear();
        GoToParameterPage(c.kind);
        Choose(c.combo, 0);  // COM1
        Type(c.fileEdit, Q(c.file));
        Execute();
        EXPECT_EQ(
            dialogs.Texts("okcancel"),
            std::vector<std::string>{"アクセスポイントの電源が切れていることを確認してください"});
        EXPECT_EQ(dialogs.Texts("information"), std::vector<std::string>{"完了しました"});
        EXPECT_TRUE(dialogs.Texts("error").empty());
        EXPECT_TRUE(dialogs.Texts("exclamation").empty());
        EXPECT_EQ(Page(), "StatusSheet");
        EXPECT_EQ(Text("StatusLabel"), "終了しました");
        EXPECT_EQ(Find<QProgressBar>("Gauge")->value(), 100);
        EXPECT_EQ(Text("TotalSizeEdit").trimmed(), c.total);
        ExpectButtons(true, false, "実行", true, "終了");
        if (c.kind == OperationKind::UploadSerial) {
            EXPECT_EQ(Written(), upload);
        } else if (c.kind == OperationKind::UpdateBios) {
            EXPECT_EQ(Written(), biosData);
        }
        bootCode_->Stop();
    }
    std::string expected = flash;
    expected.resize(98304, '\xFF');  // three 32 KiB units; the rest of the flash is erased
    EXPECT_EQ(TempDir::Read(dir.Path("backup.bin")), expected);
}

TEST_F(TSerialEndToEnd, CancelWhileTheAccessPointHasNotAnswered) {
    StartBootCode(TBootCodeConfig{"", TBootFault::Silence, -1}, {});  // never switched on
    GoToParameterPage(OperationKind::UploadSerial);
    Choose("UploadComCombo", 0);
    Type("UploadSerialFileNameEdit", Q(dir.Write("fw.bin", PatternImage(5000, 4))));
    QString captionWhileWaiting;
    bool enabledWhileWaiting = false;
    // The user presses Cancel as soon as the status page offers it.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, form.get(), [&] {
        auto* cancel = Find<QPushButton>("CancelButton");
        if (Page() != "StatusSheet" || !cancel->isEnabled() || enabledWhileWaiting) return;
        captionWhileWaiting = cancel->text();
        enabledWhileWaiting = true;
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    poll.start(100);
    Execute();
    poll.stop();
    EXPECT_TRUE(enabledWhileWaiting);
    EXPECT_EQ(captionWhileWaiting, "キャンセル");
    EXPECT_EQ(dialogs.Texts("warning"), std::vector<std::string>{"キャンセルしました"});
    EXPECT_TRUE(dialogs.Texts("error").empty());
    EXPECT_EQ(Text("StatusLabel"), "キャンセルしました");
    ExpectButtons(true, false, "実行", true, "終了");
    EXPECT_TRUE(form->isVisible());
}

TEST_F(TSerialEndToEnd, AfterTheLineDroppedTheWindowRunsTheUploadAgain) {
    const std::string upload = PatternImage(60000, 5);
    TFirmwareLoaderConfig dropping;
    dropping.Fault = TLoaderFault::DropLine;
    dropping.FaultAt = 20000;
    StartBootCode({}, dropping);
    GoToParameterPage(OperationKind::UploadSerial);
    Choose("UploadComCombo", 0);
    Type("UploadSerialFileNameEdit", Q(dir.Write("fw.bin", upload)));
    Execute();
    EXPECT_EQ(dialogs.Texts("exclamation"),
              std::vector<std::string>{"シリアルポート通信エラーが発生しました"});
    EXPECT_TRUE(dialogs.Texts("information").empty());
    EXPECT_EQ(Text("StatusLabel"), "エラーが発生しました");
    ExpectButtons(true, false, "実行", true, "終了");
    bootCode_->Stop();

    // The user plugs the line back in, goes back to the confirmation and runs it again.
    StartBootCode({}, {});
    dialogs.Clear();
    Back();
    ASSERT_EQ(Page(), "ConfirmSheet");
    dialogs.Plan(TDialogs::Answer::Ok);
    Next();
    EXPECT_EQ(dialogs.Texts("information"), std::vector<std::string>{"完了しました"});
    EXPECT_EQ(Text("StatusLabel"), "終了しました");
    EXPECT_EQ(Written(), upload);
    EXPECT_TRUE(form->isVisible());
}

}  // namespace
