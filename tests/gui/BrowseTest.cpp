// The browse buttons: each opens its page's dialog with the page's file name; a confirmed
// choice replaces the name, a cancelled dialog changes nothing.
#include "FormFixture.h"

namespace {

using TBrowse = TFormTest;

struct TBrowseButton {
    OperationKind kind;
    const char* button;
    const char* field;
    const char* dialog;  // "open" or "save"
    const char* title;   // empty: the platform's default title
    const char* filter;
};

const char kFirmwareFilter[] = "ファームウェアファイル(*.bin)|*.bin|すべてのファイル(*.*)|*.*";

TEST_F(TBrowse, EachButtonOpensItsDialogWithThePageFileName) {
    const TBrowseButton buttons[] = {
        {OperationKind::UploadNet, "UploadNetRefButton", "UploadNetFileNameEdit", "open",
         "ファームウェアファイル", kFirmwareFilter},
        {OperationKind::UploadSerial, "UploadSerialRefButton", "UploadSerialFileNameEdit", "open",
         "ファームウェアファイル", kFirmwareFilter},
        {OperationKind::DownloadNet, "DownloadNetRefButton", "DownloadNetFileNameEdit", "save", "",
         kFirmwareFilter},
        {OperationKind::DownloadSerial, "DownloadSerialRefButton", "DownloadSerialFileNameEdit",
         "save", "", kFirmwareFilter},
        {OperationKind::UpdateBios, "UpBIOSRefButton", "UPBiosFileNameEdit", "open", "BIOSファイル",
         "BIOSファイル(*.brm)|*.brm"},
    };
    for (const TBrowseButton& b : buttons) {
        SCOPED_TRACE(b.button);
        GoToParameterPage(b.kind);
        std::string before = dir.Path(std::string("ファイル-") + b.field);
        Type(b.field, Q(before));
        dialogs.Clear();
        dialogs.PlanFile(dir.Path("chosen.bin"));
        dialogs.PlanFile("");
        Click(b.button);
        EXPECT_EQ(Text(b.field), Q(dir.Path("chosen.bin")));
        Click(b.button);
        EXPECT_EQ(Text(b.field), Q(dir.Path("chosen.bin")));

        ASSERT_EQ(dialogs.FileRequests().size(), 2u);
        const TDialogs::FileDialogRequest& first = dialogs.FileRequests()[0];
        EXPECT_EQ(dialogs.History()[0].kind, b.dialog);
        EXPECT_EQ(SjisToUtf8(first.title), b.title);
        EXPECT_EQ(SjisToUtf8(first.filter), b.filter);
        // The initial name is the file name as the file system spells it.
        EXPECT_EQ(first.initialName, before);
        EXPECT_EQ(dialogs.FileRequests()[1].initialName, dir.Path("chosen.bin"));
        EXPECT_EQ(Page(), Operation(b.kind).page);
    }
}

}  // namespace
