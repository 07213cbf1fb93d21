// Operation titles set on entering a page, and the confirmation text rebuilt on leaving it.
#include <QLabel>

#include "FormFixture.h"

namespace {

using TConfirmation = TFormTest;

TEST_F(TConfirmation, EnteringAPageSetsItsOperationTitle) {
    const std::pair<OperationKind, const char*> titles[] = {
        {OperationKind::UploadNet, "ネットワーク経由でファームウェアのアップロード"},
        {OperationKind::DownloadNet, "ネットワーク経由でファームウェアのダウンロード"},
        {OperationKind::UploadSerial, "シリアルポート経由でファームウェアのアップロード"},
        {OperationKind::DownloadSerial, "シリアルポート経由でファームウェアのダウンロード"},
        {OperationKind::SetMacAddress, "MACアドレス設定"},
        {OperationKind::UpdateBios, "BIOSアップデート"},
        {OperationKind::MacFilter, "MACアドレスフィルタ設定"},
    };
    for (const auto& [kind, title] : titles) {
        GoToParameterPage(kind);
        EXPECT_EQ(Title(), title);
    }
    EXPECT_EQ(QApplication::focusWidget(), Find("MAFIPEdit"));
}

TEST_F(TConfirmation, NetworkUploadShowsTidiedAddressMaskedPasswordAndNoPowerOffText) {
    GoToParameterPage(OperationKind::UploadNet);
    FillValid(OperationKind::UploadNet);
    QString file = Text("UploadNetFileNameEdit");
    Type("UploadIPEdit", " 192.168.0.1 ");
    Type("UploadNetPasswordEdit", "abcde");
    Next();
    EXPECT_EQ(Text("ConfirmLabel"),
              "ネットワーク経由でファームウェアのアップロードを行います。設定を確認してください。");
    EXPECT_EQ(Memo(),
              "IPアドレス : 192.168.0.1\nユーザ名 : root\nパスワード : *****\n"
              "ファームウェアファイル : " +
                  file + "\nユーザ設定 : 残す");
    EXPECT_FALSE(Find("PowerOffGuideLabel")->isVisible());

    Back();
    Type("UploadIPEdit", "192.168.0");
    Type("UploadNetPasswordEdit", "");
    Find<QRadioButton>("UploadNetKeepSettingDiscard")->setChecked(true);
    Next();
    EXPECT_EQ(Memo(),
              "IPアドレス : \nユーザ名 : root\nパスワード : \n"
              "ファームウェアファイル : " +
                  file + "\nユーザ設定 : 残さない");
}

TEST_F(TConfirmation, NetworkDownloadShowsTheAddressAsTyped) {
    GoToParameterPage(OperationKind::DownloadNet);
    FillValid(OperationKind::DownloadNet);
    Type("DownloadIPEdit", " 192.168.0.1 ");
    Type("DownloadNetPasswordEdit", "パス");  // two Shift_JIS characters, four bytes
    Next();
    EXPECT_EQ(Memo(),
              "IPアドレス :  192.168.0.1 \nユーザ名 : root\nパスワード : ****\n"
              "ファームウェアファイル : " +
                  Q(dir.Path("out.bin")));
    EXPECT_FALSE(Find("PowerOffGuideLabel")->isVisible());
}

TEST_F(TConfirmation, SerialPagesShowPortFileAndThePowerOffText) {
    const std::pair<OperationKind, QString> pages[] = {
        {OperationKind::UploadSerial,
         "シリアルポート : COM2\nファームウェアファイル : " + Q(dir.Path("fw.bin"))},
        {OperationKind::DownloadSerial,
         "シリアルポート : COM2\nファームウェアファイル : " + Q(dir.Path("out.bin"))},
        {OperationKind::SetMacAddress, "シリアルポート : COM2"},
        {OperationKind::UpdateBios,
         "シリアルポート : COM2\nBIOSファイル : " + Q(dir.Path("bios.brm"))},
    };
    for (const auto& [kind, memo] : pages) {
        GoToConfirmation(kind);
        EXPECT_EQ(Memo(), memo);
        EXPECT_TRUE(Find("PowerOffGuideLabel")->isVisible());
        EXPECT_EQ(Text("PowerOffGuideLabel"),
                  "アクセスポイントの電源が入っている場合は「実行」ボタンを押す前に電源を切り、"
                  "指示があるまでそのままにしてください。");
    }
}

// Any way out of the page rebuilds the text, even one that does not pass the check.
TEST_F(TConfirmation, LeavingThePageByBackOrCancelRebuildsTheText) {
    GoToParameterPage(OperationKind::SetMacAddress);
    Choose("MACSetupComCombo", 2);
    Back();
    EXPECT_EQ(Memo(), "シリアルポート : COM3");

    GoToParameterPage(OperationKind::SetMacAddress);
    Choose("MACSetupComCombo", 3);
    dialogs.Plan(TDialogs::Answer::Cancel);
    Click("CancelButton");
    EXPECT_EQ(Memo(), "シリアルポート : COM4");
    EXPECT_TRUE(form->isVisible());
}

}  // namespace
