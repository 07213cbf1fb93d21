// The MAC address setting end to end from the wizard (its choice is hidden on the first page;
// the test checks it): the real data module sends the programmer loader to the simulated boot
// code, the real setup dialog takes the address, the transfer dialog runs the exchange with the
// simulated EEPROM programmer, and the next address is saved in the user's settings file.
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdlib>

#include "../engine/Watchdog.h"
#include "BootCode.h"
#include "Comm8019Dlg.h"
#include "DataModuleRunner.h"
#include "Dlg8019Setup.h"
#include "Dmod.h"
#include "FormFixture.h"
#include "NavrilDataModule.h"
#include "ProgrammerOnBootCode.h"
#include "Rs232c.h"
#include "SerialEdit.h"

namespace {

class TSetupEndToEnd : public TFormTest {
protected:
    void SetUp() override {
        TFormTest::SetUp();
        std::string error;
        ASSERT_TRUE(bootCode_.Start(error)) << error;
        setenv("TIVRA_COM2", bootCode_.SlavePath().c_str(), 1);
        dir.Write("ror8019.com", std::string(600, '\x33'));
        dir.Write("CFG8019.INI", "; shipped beside the program\n[Misc]\nAutoInc=1\n");
        dataModule_.Dmod = &dmod_;
        dataModule_.LoaderFolder = dir.Path("");
        dataModule_.Dlg8019Setup = &setup_;
        form->SetOperationRunner(&runner_);
    }
    void TearDown() override {
        unsetenv("TIVRA_COM2");
        TFormTest::TearDown();
    }

    // Plays the user on the two modal dialogs: types the address and confirms the setup, lets
    // the programmer speak once the transfer dialog is up, and presses OK (or Cancel) there.
    void ActAsUser(bool confirmTransfer) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this, confirmTransfer] {
            auto* transfer = setup_.findChild<TComm8019Dlg*>();
            if (transfer && transfer->isVisible()) {
                if (!prompted_) {
                    prompted_ = true;
                    programmer_.Prompt();
                }
                if (transfer->OKBtn->isEnabled()) {
                    finishText_ = transfer->LabelFinish->text();
                    ticks_ = !transfer->Image4->pixmap().isNull();
                    (confirmTransfer ? transfer->OKBtn : transfer->CancelBtn)->click();
                }
            } else if (setup_.isVisible()) {
                const char* octets[] = {"02", "C0", "DE", "00", "00", "41"};
                for (int i = 0; i < 6; ++i)
                    setup_.findChild<TSerialEdit*>(QString("EditMAC%1").arg(i + 1))
                        ->setText(octets[i]);
                setup_.accept();
            }
        });
        timer_.start();
    }

    TWatchdog watchdog_{"MAC address setting end-to-end test", std::chrono::seconds(60)};
    TBootCodeSim bootCode_;
    TProgrammerOnBootCode programmer_{bootCode_};
    TDmod dmod_;
    TDlg8019Setup setup_{dmod_.rs232c1, TConfig8019Location{dir.Path("config"), dir.Path("")}};
    TnavrilDataModule dataModule_{dialogs};
    TDataModuleRunner runner_{dataModule_};
    QTimer timer_;
    bool prompted_ = false;
    QString finishText_;
    bool ticks_ = false;
};

TEST_F(TSetupEndToEnd, LoaderSetupTransferAndTheNextAddressSaved) {
    GoToConfirmation(OperationKind::SetMacAddress);
    dialogs.Plan(TDialogs::Answer::Ok);
    ActAsUser(true);
    Next();
    timer_.stop();

    EXPECT_TRUE(bootCode_.LoaderComplete());
    EXPECT_EQ(bootCode_.ReceivedLoader().size(), 600u);
    ASSERT_TRUE(programmer_.Done());
    TConfig8019 sent;
    sent.MACID = "02C0DE000041";
    EXPECT_EQ(programmer_.Packet(), BuildConfigPacket(BuildEepromImage(sent)));
    EXPECT_EQ(finishText_, "設定が完了しました。");
    EXPECT_TRUE(ticks_);
    const std::string saved = TempDir::Read(dir.Path("config/CFG8019.INI"));
    EXPECT_EQ(saved.rfind("; shipped beside the program\n", 0), 0u);
    EXPECT_NE(saved.find("MACID=02C0DE000043\n"), std::string::npos) << saved;
    EXPECT_EQ(Text("StatusLabel"), "終了しました");
    EXPECT_TRUE(dialogs.Texts("error").empty());
    ExpectButtons(true, false, "実行", true, "終了");
}

TEST_F(TSetupEndToEnd, BusyPortShowsThePortErrorAndSavesNothing) {
    GoToConfirmation(OperationKind::SetMacAddress);
    dialogs.Plan(TDialogs::Answer::Ok);
    // Another program takes the port as soon as the loader has let it go.
    Trs232c other;
    other.portname = bootCode_.SlavePath();
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [&] {
        if (setup_.isVisible()) {
            other.Open();
            setup_.accept();
        }
    });
    timer_.start();
    Next();
    timer_.stop();
    EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{"シリアルポートが使用できません。"});
    EXPECT_FALSE(FileExists(dir.Path("config/CFG8019.INI")));
    ExpectButtons(true, false, "実行", true, "終了");
}

}  // namespace
