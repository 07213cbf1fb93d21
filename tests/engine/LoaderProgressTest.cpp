// The loader's reports, delivered by a worker thread through Synchronize, as the status page
// and the error dialog show them, and the success flag that the serial operations read.
#include <utility>
#include <vector>

#include "EngineFixture.h"

namespace {

using TLoaderProgressTest = TEngineTest;

TEST_F(TLoaderProgressTest, SendingShowsTheGaugeAndPreparingWhileWaitingChangesNothing) {
    StoreControls();
    gauge.SetVisible(false);
    statusLabel.SetText("before");
    DeliverFromWorker({LoaderReport(0, 0, 0)});
    EXPECT_FALSE(gauge.Visible());
    EXPECT_EQ(statusLabel.Text(), "before");

    DeliverFromWorker({LoaderReport(11, 0, 0), LoaderReport(11, 40, 0)});
    EXPECT_TRUE(gauge.Visible());
    EXPECT_EQ(gauge.Progress(), 40);
    EXPECT_EQ(Label(), "準備中");
    EXPECT_EQ(processPasses, 3);  // one pass per report
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(TLoaderProgressTest, SuccessShowsPreparedAndClearsTheFailure) {
    StoreControls();
    module.WorkerFailed = 1;
    DeliverFromWorker({LoaderReport(11, 100, 0), LoaderReport(7, 0, 0)});
    EXPECT_EQ(Label(), "準備完了");
    EXPECT_EQ(module.WorkerFailed, 0);
    EXPECT_EQ(processPasses, 2);
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(TLoaderProgressTest, FailureShowsTheErrorDialogForEachCodeAndSetsTheFailure) {
    StoreControls();
    statusLabel.SetText("before");
    const std::vector<std::pair<int, const char*>> cases = {
        {1, "通信タイムアウトしました"},
        {4, "フラッシュアクセスのエラーが発生しました"},
        {6, "シリアルポート通信エラーが発生しました"},
        {7, "シリアルポートのオープンに失敗しました"},
        {17, "必要なファイルが見つかりません"},
        {0, "操作に失敗しました"},
        {2, "操作に失敗しました"},
        {3, "操作に失敗しました"},
        {9, "操作に失敗しました"},
        {16, "操作に失敗しました"},
        {255, "操作に失敗しました"},
        {5, nullptr},  // stopped: no dialog, still a failure
    };
    for (const auto& [code, text] : cases) {
        dialogs.Clear();
        module.WorkerFailed = 0;
        DeliverFromWorker({LoaderReport(8, 0, static_cast<std::uint8_t>(code))});
        std::vector<std::string> expected;
        if (text) expected.push_back(std::string("エラーが発生しました\r\n") + text);
        EXPECT_EQ(dialogs.Texts("error"), expected) << "code " << code;
        EXPECT_EQ(dialogs.History().size(), expected.size()) << "code " << code;
        EXPECT_EQ(module.WorkerFailed, 1) << "code " << code;
    }
    EXPECT_EQ(statusLabel.Text(), "before");
    EXPECT_EQ(processPasses, static_cast<int>(cases.size()));
}

TEST_F(TLoaderProgressTest, AFailedRunFollowedByASuccessfulRunEndsAsSuccess) {
    StoreControls();
    DeliverFromWorker({LoaderReport(0, 0, 0), LoaderReport(8, 0, 1)});
    EXPECT_EQ(module.WorkerFailed, 1);
    DeliverFromWorker({LoaderReport(0, 0, 0), LoaderReport(11, 50, 0), LoaderReport(7, 0, 0)});
    EXPECT_EQ(module.WorkerFailed, 0);
    EXPECT_EQ(dialogs.Texts("error").size(), 1u);
}

TEST_F(TLoaderProgressTest, UnknownStatesChangeNothingButProcessMessages) {
    StoreControls();
    statusLabel.SetText("before");
    gauge.SetProgress(12);
    module.WorkerFailed = 1;
    DeliverFromWorker({LoaderReport(1, 90, 1), LoaderReport(9, 90, 1), LoaderReport(12, 90, 1),
                       LoaderReport(255, 90, 1)});
    EXPECT_EQ(statusLabel.Text(), "before");
    EXPECT_EQ(gauge.Progress(), 12);
    EXPECT_EQ(module.WorkerFailed, 1);
    EXPECT_TRUE(dialogs.History().empty());
    EXPECT_EQ(processPasses, 4);
}

}  // namespace
