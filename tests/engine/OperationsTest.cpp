// The operations' first steps: the confirmation questions, what declining leaves behind, the
// status text with its cursor and message pass, and that an operation whose workers are not
// available ends as an error, never as a success.
#include <functional>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "TransferCodes.h"

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

// A front end's listener gets every event typed, as the status page gets it as text: the
// phase, the counts, the gauge and the prompt, in the same order.
TEST_F(TOperationsTest, AListenerGetsTheStatusPagesEventsTyped) {
    struct TRecording : TOperationReport {
        std::vector<std::string> events;
        void Phase(TPhase phase) override { events.push_back(PhaseName(phase)); }
        void Total(double bytes) override { events.push_back("total " + Count(bytes)); }
        void Done(double bytes) override { events.push_back("done " + Count(bytes)); }
        void Percent(int percent) override { events.push_back(std::to_string(percent) + "%"); }
        void Prompt(TPrompt) override { events.push_back("power on"); }
        void OtherPhase(const std::string&) override { events.push_back("other"); }
        static std::string Count(double bytes) { return std::to_string(static_cast<long>(bytes)); }
    } listener;
    module.Listener = &listener;
    StoreControls();
    module.TransferProgress(nullptr, tsWriting, 50, 1048576, teNone, 2097152);
    EXPECT_EQ(listener.events,
              (std::vector<std::string>{"writing", "total 2097152", "done 1048576", "50%"}));
    EXPECT_EQ(Label(), "書き込み中です．．．");
    EXPECT_EQ(totalSize.Text(), "      2,097,152");
    EXPECT_EQ(proceedSize.Text(), "      1,048,576");
    EXPECT_EQ(gauge.Progress(), 50);
    // The serial operations ask for the power through the status line, typed as a prompt.
    listener.events.clear();
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(module.UploadFirmwareBySerial("COM1", "fw.bin", totalSize, proceedSize, gauge,
                                            statusLabel),
              orError);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"failed"}));
}

TEST_F(TOperationsTest, SetMacAddressDeclinedKeepsTheStatusText) {
    statusLabel.SetText("before");
    dialogs.Plan(TAnswer::Cancel);
    EXPECT_EQ(module.SetMacAddressBySerial("COM1", totalSize, proceedSize, gauge, statusLabel),
              orCancelled);
    EXPECT_EQ(dialogs.Texts("okcancel"), std::vector<std::string>{kPowerOff});
    EXPECT_EQ(statusLabel.Text(), "before");

    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(module.SetMacAddressBySerial("COM1", totalSize, proceedSize, gauge, statusLabel),
              orError);
    EXPECT_EQ(Label(), "エラーが発生しました");
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
