// The check that Next runs on each parameter page: the exact refusal of each page, the
// firmware file check, and the overwrite question of the download pages.
#include <functional>

#include "FormFixture.h"

namespace {

using TPageChecks = TFormTest;

struct TRefusal {
    OperationKind kind;
    std::function<void(TFormTest&)> spoil;  // applied after FillValid
    const char* message;
};

const char kUploadNet[] =
    "設定項目が不正です。以下の項目を確認してください。\r・IPアドレスの指定\r"
    "・ファームウェアファイルの存在\r・ユーザ名";
const char kDownloadNet[] =
    "設定項目が不正です。以下の項目を確認してください。\r・IPアドレスの指定\r"
    "・ファームウェアファイルの設定\r・ユーザ名";
const char kUploadSerial[] =
    "設定項目が不正です。以下の項目を確認してください。\r・COMポートの設定\r"
    "・ファームウェアファイルの存在";
const char kDownloadSerial[] =
    "設定項目が不正です。以下の項目を確認してください。\r・COMポートの設定\r"
    "・ファームウェアファイルの設定";
const char kSetMac[] = "設定項目が不正です。以下の項目を確認してください。\r・COMポートの設定";
const char kBios[] =
    "設定項目が不正です。以下の項目を確認してください。\r・COMポートの設定\r・BIOSファイルの存在";

struct TFieldValue {
    const char* field;
    const char* value;
};

std::function<void(TFormTest&)> Set(const char* field, const char* value) {
    return [=](TFormTest& test) {
        test.form->findChild<QLineEdit*>(field)->setText(QString::fromUtf8(value));
    };
}

std::function<void(TFormTest&)> NoPort(const char* combo) {
    return [=](TFormTest& test) { test.form->findChild<QComboBox*>(combo)->setCurrentIndex(-1); };
}

TEST_F(TPageChecks, EachPageRefusesMissingValuesWithItsMessageAndStays) {
    const TRefusal refusals[] = {
        {OperationKind::UploadNet, Set("UploadIPEdit", ""), kUploadNet},
        // An address is four decimal parts from 0 to 255, nothing else.
        {OperationKind::UploadNet, Set("UploadIPEdit", "   "), kUploadNet},
        {OperationKind::UploadNet, Set("UploadIPEdit", "192.168.0.256"), kUploadNet},
        {OperationKind::DownloadNet, Set("DownloadIPEdit", "192.168.0"), kDownloadNet},
        {OperationKind::DownloadNet, Set("DownloadIPEdit", "192.168.0.1x"), kDownloadNet},
        {OperationKind::UploadNet, Set("UploadNetFileNameEdit", "/nonexistent/fw.bin"), kUploadNet},
        {OperationKind::UploadNet, Set("UploadNetFileNameEdit", ""), kUploadNet},
        {OperationKind::UploadNet, Set("UploadNetUserEdit", ""), kUploadNet},
        {OperationKind::DownloadNet, Set("DownloadIPEdit", ""), kDownloadNet},
        {OperationKind::DownloadNet, Set("DownloadNetFileNameEdit", ""), kDownloadNet},
        {OperationKind::DownloadNet, Set("DownloadNetUserEdit", ""), kDownloadNet},
        {OperationKind::UploadSerial, NoPort("UploadComCombo"), kUploadSerial},
        {OperationKind::UploadSerial, Set("UploadSerialFileNameEdit", "/nonexistent"),
         kUploadSerial},
        {OperationKind::DownloadSerial, NoPort("DownloadComCombo"), kDownloadSerial},
        {OperationKind::DownloadSerial, Set("DownloadSerialFileNameEdit", ""), kDownloadSerial},
        {OperationKind::SetMacAddress, NoPort("MACSetupComCombo"), kSetMac},
        {OperationKind::UpdateBios, NoPort("UpBIOSComCombo"), kBios},
        {OperationKind::UpdateBios, Set("UPBiosFileNameEdit", "/nonexistent.brm"), kBios},
    };
    for (const TRefusal& refusal : refusals) {
        SCOPED_TRACE(refusal.message);
        GoToParameterPage(refusal.kind);
        FillValid(refusal.kind);
        refusal.spoil(*this);
        dialogs.Clear();
        Next();
        EXPECT_EQ(Page(), Operation(refusal.kind).page);
        EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{refusal.message});
        EXPECT_EQ(dialogs.History().size(), 1u);
    }
}

// Blanks around the parts and leading zeros pass (a padded part is decimal, never octal), and
// the password is never checked.
TEST_F(TPageChecks, PaddedAddressAndEmptyPasswordPass) {
    GoToParameterPage(OperationKind::UploadNet);
    FillValid(OperationKind::UploadNet);
    Type("UploadIPEdit", " 192.168.000.010 ");
    Type("UploadNetPasswordEdit", "");
    Next();
    EXPECT_EQ(Page(), "ConfirmSheet");
    EXPECT_TRUE(dialogs.History().empty());
    EXPECT_NE(Find<QPlainTextEdit>("ConfirmMemo")->toPlainText().indexOf("IPアドレス : 192.168.0.10\n"),
              -1);
}

TEST_F(TPageChecks, RawImageOfTheWrongSizeIsRefusedOnBothUploadPages) {
    std::string shortRaw = dir.Write("short.bin", std::string("\x55\xAA", 2) + std::string(98, 0));
    std::string fullRaw =
        dir.Write("full.bin", std::string("\x55\xAA", 2) + std::string(2097152 - 2, 0));
    const std::pair<OperationKind, const char*> pages[] = {
        {OperationKind::UploadNet, "UploadNetFileNameEdit"},
        {OperationKind::UploadSerial, "UploadSerialFileNameEdit"}};
    for (const auto& [kind, field] : pages) {
        SCOPED_TRACE(field);
        GoToParameterPage(kind);
        FillValid(kind);
        Type(field, Q(shortRaw));
        dialogs.Clear();
        Next();
        EXPECT_EQ(Page(), Operation(kind).page);
        EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{"ファイルサイズが不正です"});
        Type(field, Q(fullRaw));
        Next();
        EXPECT_EQ(Page(), "ConfirmSheet");
    }
}

TEST_F(TPageChecks, ExistingDownloadTargetIsOverwrittenOnlyAfterYes) {
    const char kQuestion[] =
        "出力するファームウェアファイルが存在します。上書きしてよろしいですか？";
    std::string existing = dir.Write("existing.bin", "old");
    const std::pair<OperationKind, const char*> pages[] = {
        {OperationKind::DownloadNet, "DownloadNetFileNameEdit"},
        {OperationKind::DownloadSerial, "DownloadSerialFileNameEdit"}};
    for (const auto& [kind, field] : pages) {
        SCOPED_TRACE(field);
        GoToParameterPage(kind);
        FillValid(kind);
        Type(field, Q(existing));
        dialogs.Clear();
        dialogs.Plan(TDialogs::Answer::No);
        Next();
        EXPECT_EQ(Page(), Operation(kind).page);
        dialogs.Plan(TDialogs::Answer::Yes);
        Next();
        EXPECT_EQ(Page(), "ConfirmSheet");
        EXPECT_EQ(dialogs.Texts("yesno"), (std::vector<std::string>{kQuestion, kQuestion}));
        EXPECT_EQ(dialogs.History().size(), 2u);
        EXPECT_EQ(TempDir::Read(existing), "old");
    }
}

}  // namespace
