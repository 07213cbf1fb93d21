// Next on the confirmation page: the file looked up again, the status page with every button
// disabled while the operation runs, the operation called with the page's values and the
// status controls, and the result turned into its box.
#include <QLabel>
#include <QProgressBar>
#include <cstdio>

#include "FormFixture.h"
#include "SerialError.h"

namespace {

using TExecution = TFormTest;

const char kUploadDone[] =
    "アップロードが完了しました。アクセスポイントを再起動しています。\r"
    "再起動直後は通信が不安定になる場合がありますので、2～3分待ってTX/RX LEDのいずれかが"
    "点滅していることを確認してから通信を再開してください。";
const char kError[] = "エラーが発生しました。設定及び接続を確認してください。";

TEST_F(TExecution, EachOperationGetsThePageValues) {
    struct TExpected {
        OperationKind kind;
        const char* operation;
        std::vector<std::string> args;
    };
    const std::string fw = dir.Path("fw.bin");
    const std::string out = dir.Path("out.bin");
    const TExpected expected[] = {
        {OperationKind::UploadNet,
         "UploadFirmwareByNetwork",
         {"192.168.0.1", fw, "admin", "pw", "0"}},
        {OperationKind::DownloadNet,
         "DownloadFirmwareByNetwork",
         {"192.168.0.1", out, "admin", "pw"}},
        {OperationKind::UploadSerial, "UploadFirmwareBySerial", {"COM2", fw}},
        {OperationKind::DownloadSerial, "DownloadFirmwareBySerial", {"COM2", out}},
        {OperationKind::SetMacAddress, "SetMacAddressBySerial", {"COM2"}},
        {OperationKind::UpdateBios, "UpdateBiosBySerial", {"COM2", dir.Path("bios.brm")}},
    };
    Type("UploadNetUserEdit", "admin");
    Type("UploadNetPasswordEdit", "pw");
    Type("DownloadNetUserEdit", "admin");
    Type("DownloadNetPasswordEdit", "pw");
    Find<QRadioButton>("UploadNetKeepSettingDiscard")->setChecked(true);
    for (const TExpected& e : expected) {
        SCOPED_TRACE(e.operation);
        GoToConfirmation(e.kind);
        if (e.kind == OperationKind::UploadNet) Type("UploadIPEdit", " 192.168.0.1 ");
        if (e.kind == OperationKind::DownloadNet) Type("DownloadIPEdit", "192.168.0.1 ");
        runner.calls.clear();
        Next();
        ASSERT_EQ(runner.calls.size(), 1u);
        EXPECT_EQ(runner.calls[0].operation, e.operation);
        EXPECT_EQ(runner.calls[0].args, e.args);
        EXPECT_EQ(Text("processLabel"), Q(Title()));
        dialogs.Clear();
    }
}

// While the operation runs: the status page, no usable button, no closing; the controls it was
// given are the status page's widgets.
TEST_F(TExecution, WhileRunningEveryButtonIsDisabledAndClosingIsRefused) {
    GoToConfirmation(OperationKind::UploadSerial);
    bool ran = false;
    runner.during = [&](TEditControl& total, TEditControl& proceed, TGaugeControl& gauge,
                        TLabelControl& status) {
        ran = true;
        EXPECT_EQ(Page(), "StatusSheet");
        ExpectButtons(false, false, "実行", false, "終了");
        EXPECT_EQ(Text("processLabel"), "シリアルポート経由でファームウェアのアップロード");
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());
        total.SetText("      2,097,152");
        proceed.SetText("1,024");
        gauge.SetProgress(150);
        status.SetText(Utf8ToSjis("転送中..."));
        EXPECT_TRUE(total.Visible() && proceed.Visible() && gauge.Visible());
    };
    runner.results = {0};
    Next();
    ASSERT_TRUE(ran);
    EXPECT_EQ(dialogs.Texts("okcancel"), std::vector<std::string>{});
    EXPECT_EQ(Text("TotalSizeEdit"), "      2,097,152");
    EXPECT_EQ(Text("ProceedSizeEdit"), "1,024");
    EXPECT_EQ(Find<QProgressBar>("Gauge")->value(), 100);
    EXPECT_EQ(Text("StatusLabel"), "転送中...");
}

TEST_F(TExecution, ResultsShowTheirBoxAndLeaveTheStatusPageReady) {
    struct TCase {
        OperationKind kind;
        int result;
        const char* kind_;
        const char* text;
    };
    const TCase cases[] = {
        {OperationKind::UploadNet, 0, "information", kUploadDone},
        {OperationKind::UploadSerial, 0, "information", "完了しました"},
        {OperationKind::DownloadNet, 0, "information", "完了しました"},
        {OperationKind::DownloadSerial, 1, "error", kError},
        {OperationKind::UpdateBios, 2, "warning", "キャンセルしました"},
        {OperationKind::UpdateBios, 0, "information", "完了しました"},
        {OperationKind::UploadSerial, 7, nullptr, nullptr},
        {OperationKind::UploadSerial, -1, nullptr, nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.result);
        GoToConfirmation(c.kind);
        dialogs.Clear();
        runner.results = {c.result};
        Next();
        EXPECT_EQ(Page(), "StatusSheet");
        ExpectButtons(true, false, "実行", true, "終了");
        if (c.text) {
            ASSERT_EQ(dialogs.History().size(), 1u);
            EXPECT_EQ(dialogs.History()[0].kind, c.kind_);
            EXPECT_EQ(dialogs.History()[0].text, c.text);
        } else {
            EXPECT_TRUE(dialogs.History().empty());
        }
    }
}

TEST_F(TExecution, MacAddressSettingHidesTheSizesAndShowsNoBox) {
    const char* sizeWidgets[] = {"TotalSizeCaption",   "TotalSizeEdit",   "TotalSizeUnit",
                                 "ProceedSizeCaption", "ProceedSizeEdit", "ProceedSizeUnit"};
    for (int result : {0, 1, 2}) {
        GoToConfirmation(OperationKind::SetMacAddress);
        runner.results = {result};
        runner.during = [&](TEditControl& total, TEditControl&, TGaugeControl& gauge,
                            TLabelControl&) {
            for (const char* name : sizeWidgets) EXPECT_FALSE(Find(name)->isVisible()) << name;
            EXPECT_FALSE(total.Visible());
            EXPECT_TRUE(gauge.Visible());
        };
        Next();
        EXPECT_EQ(Page(), "StatusSheet");
        EXPECT_TRUE(dialogs.History().empty());
    }
    runner.during = nullptr;
    GoToConfirmation(OperationKind::UploadSerial);
    Next();
    for (const char* name : sizeWidgets) EXPECT_TRUE(Find(name)->isVisible()) << name;
    dialogs.Clear();
}

TEST_F(TExecution, FileGoneAfterTheCheckStopsOnTheConfirmationPage) {
    const std::tuple<OperationKind, const char*, const char*> cases[] = {
        {OperationKind::UploadNet, "fw.bin", "ファームウェアファイルが存在しません"},
        {OperationKind::UploadSerial, "fw.bin", "ファームウェアファイルが存在しません"},
        {OperationKind::UpdateBios, "bios.brm", "BIOSファイルが存在しません"},
    };
    for (const auto& [kind, file, message] : cases) {
        SCOPED_TRACE(message);
        GoToConfirmation(kind);
        std::remove(dir.Path(file).c_str());
        dialogs.Clear();
        Next();
        EXPECT_EQ(Page(), "ConfirmSheet");
        ExpectButtons(true, true, "実行", true, "キャンセル");
        EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{message});
        EXPECT_TRUE(runner.calls.empty());
    }
}

// A fault escaping the operation ends it as an error, not the program.
TEST_F(TExecution, OperationThatThrowsEndsAsAnError) {
    GoToConfirmation(OperationKind::DownloadSerial);
    runner.throwInside = true;
    Next();
    EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{kError});
    ExpectButtons(true, false, "実行", true, "終了");
}

}  // namespace

namespace {

// An error raised by any operation: the system's own errors show their message, anything else
// the general text; the status page is usable afterwards (Back and closing work).
TEST_F(TExecution, RaisedErrorsShowTheirOwnMessageAndLeaveTheStatusPageUsable) {
    const std::string portMessage = "シリアルポートが使用できません。";
    for (OperationKind kind :
         {OperationKind::SetMacAddress, OperationKind::UploadSerial, OperationKind::UploadNet}) {
        for (bool own : {true, false}) {
            SCOPED_TRACE(Operation(kind).radio + std::string(own ? " own" : " other"));
            GoToConfirmation(kind);
            dialogs.Clear();
            runner.during = [&](TEditControl&, TEditControl&, TGaugeControl&, TLabelControl&) {
                if (own) throw ESerialError(Utf8ToSjis(portMessage));
                throw std::logic_error("unexpected");
            };
            Next();
            EXPECT_EQ(dialogs.Texts("error"),
                      std::vector<std::string>{own ? portMessage : std::string(kError)});
            ExpectButtons(true, false, "実行", true, "終了");
            Back();
            EXPECT_EQ(Page(), "ConfirmSheet");
        }
    }
    runner.during = nullptr;
}

}  // namespace
