// The operations' first steps: the confirmation questions, what declining leaves behind, the
// status text with its cursor and message pass, and that an operation whose workers are not
// available ends as an error, never as a success.
#include <functional>
#include <string>
#include <vector>

#include "EngineFixture.h"

namespace {

using TOperationsTest = TEngineTest;
using TAnswer = TDialogs::Answer;

const char kPowerOff[] = "アクセスポイントの電源が切れていることを確認してください";

// One operation called with this test's controls.
using TOperation = std::function<int()>;

struct TNamedOperation {
    const char* name;
    const char* question;
    TOperation run;
};

class TOperationsCases : public TOperationsTest {
protected:
    std::vector<TNamedOperation> Operations() {
        return {
            {"UploadFirmwareBySerial", kPowerOff,
             [this] {
                 return module.UploadFirmwareBySerial("COM1", "fw.bin", totalSize, proceedSize,
                                                      gauge, statusLabel);
             }},
            {"DownloadFirmwareBySerial", kPowerOff,
             [this] {
                 return module.DownloadFirmwareBySerial("COM2", "out.bin", totalSize, proceedSize,
                                                        gauge, statusLabel);
             }},
            {"UpdateBiosBySerial", kPowerOff,
             [this] {
                 return module.UpdateBiosBySerial("COM3", "bios.brm", totalSize, proceedSize, gauge,
                                                  statusLabel);
             }},
        };
    }
};

TEST_F(TOperationsCases, DecliningTheQuestionCancelsWithTheDefaultCursor) {
    for (const TNamedOperation& op : Operations()) {
        dialogs.Clear();
        statusLabel.SetText("before");
        SetScreenCursor(TCursor::HourGlass);
        int passes = processPasses;
        dialogs.Plan(TAnswer::Cancel);
        EXPECT_EQ(op.run(), orCancelled) << op.name;
        ASSERT_EQ(dialogs.History().size(), 1u) << op.name;
        EXPECT_EQ(dialogs.History()[0].kind, "okcancel") << op.name;
        EXPECT_EQ(dialogs.History()[0].text, op.question) << op.name;
        EXPECT_EQ(Label(), "キャンセルしました") << op.name;
        EXPECT_EQ(ScreenCursor(), TCursor::Default) << op.name;
        EXPECT_EQ(processPasses, passes + 1) << op.name;
        // Nothing was started: the module holds no controls of this operation.
        EXPECT_EQ(module.StatusLabel, nullptr) << op.name;
    }
}

TEST_F(TOperationsCases, AnOperationThatCannotRunYetEndsAsAnError) {
    for (const TNamedOperation& op : Operations()) {
        dialogs.Clear();
        SetScreenCursor(TCursor::HourGlass);
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(op.run(), orError) << op.name;
        EXPECT_EQ(Label(), "エラーが発生しました") << op.name;
        EXPECT_EQ(ScreenCursor(), TCursor::Default) << op.name;
        EXPECT_EQ(dialogs.UnusedAnswers(), 0u) << op.name;
    }
}

TEST_F(TOperationsTest, SerialOperationsStoreTheirControlsOnceConfirmed) {
    dialogs.Plan(TAnswer::Ok);
    module.UploadFirmwareBySerial("COM1", "fw.bin", totalSize, proceedSize, gauge, statusLabel);
    EXPECT_EQ(module.TotalSizeEdit, &totalSize);
    EXPECT_EQ(module.ProceedSizeEdit, &proceedSize);
    EXPECT_EQ(module.Gauge, &gauge);
    EXPECT_EQ(module.StatusLabel, &statusLabel);
}

TEST_F(TOperationsTest, SetMacAddressDeclinedKeepsTheStatusText) {
    statusLabel.SetText("before");
    dialogs.Plan(TAnswer::Cancel);
    EXPECT_EQ(module.SetMacAddressBySerial("COM1", totalSize, proceedSize, gauge, statusLabel),
              orCancelled);
    EXPECT_EQ(dialogs.Texts("okcancel"), std::vector<std::string>{kPowerOff});
    EXPECT_EQ(statusLabel.Text(), "before");
    EXPECT_EQ(module.StatusLabel, nullptr);

    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(module.SetMacAddressBySerial("COM1", totalSize, proceedSize, gauge, statusLabel),
              orError);
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_EQ(module.StatusLabel, &statusLabel);
}

TEST_F(TOperationsTest, SetStatusTextShowsTheTextAndCursorBeforeTheMessagePass) {
    std::vector<TCursor> cursors;
    SetCursorHook([&](TCursor cursor) { cursors.push_back(cursor); });
    std::string textWhenDrawn;
    TCursor cursorWhenDrawn = TCursor::Default;
    SetProcessEventsHook([&] {
        ++processPasses;
        textWhenDrawn = statusLabel.Text();
        cursorWhenDrawn = ScreenCursor();
    });
    module.SetStatusText("\x90\xda", TCursor::HourGlass, statusLabel);  // Shift_JIS bytes
    SetCursorHook(nullptr);
    EXPECT_EQ(statusLabel.Text(), "\x90\xda");
    EXPECT_EQ(textWhenDrawn, "\x90\xda");
    EXPECT_EQ(cursorWhenDrawn, TCursor::HourGlass);
    EXPECT_EQ(cursors, std::vector<TCursor>{TCursor::HourGlass});
    EXPECT_EQ(processPasses, 1);
}

}  // namespace
