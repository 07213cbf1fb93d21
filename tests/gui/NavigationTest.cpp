// The page sequence: Next and Back for every operation, with the button states and captions
// of each page.
#include "FormFixture.h"

namespace {

using TNavigation = TFormTest;

TEST_F(TNavigation, NextAndBackFollowThePageTablesForEveryOperation) {
    for (const TOperationPages& op : kOperations) {
        SCOPED_TRACE(op.page);
        GoToParameterPage(op.kind);
        EXPECT_EQ(Page(), op.page);
        ExpectButtons(true, true, "次へ(&N) >", true, "キャンセル");
        Back();
        EXPECT_EQ(Page(), "TopSheet");
        ExpectButtons(false, true, "次へ(&N) >", true, "キャンセル");
        if (op.kind == OperationKind::MacFilter) continue;

        GoToConfirmation(op.kind);
        ExpectButtons(true, true, "実行", true, "キャンセル");
        Back();
        EXPECT_EQ(Page(), op.page);
        ExpectButtons(true, true, "次へ(&N) >", true, "キャンセル");
    }
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(TNavigation, StatusPageLeadsBackToConfirmationAndRunsAgain) {
    GoToConfirmation(OperationKind::DownloadSerial);
    runner.results = {0, 0};
    Next();
    EXPECT_EQ(Page(), "StatusSheet");
    ExpectButtons(true, false, "実行", true, "終了");
    Back();
    EXPECT_EQ(Page(), "ConfirmSheet");
    ExpectButtons(true, true, "実行", true, "キャンセル");
    Next();
    EXPECT_EQ(Page(), "StatusSheet");
    ASSERT_EQ(runner.calls.size(), 2u);
    EXPECT_EQ(runner.calls[0].args, runner.calls[1].args);
}

TEST_F(TNavigation, FilterPagesGoBackOneStepEach) {
    GoToParameterPage(OperationKind::MacFilter);
    form->ShowPage(Find("StatusSheet"));
    Back();
    EXPECT_EQ(Page(), "MAFSettingSheet2");
    ExpectButtons(true, true, "設定", true, "キャンセル");
    Back();
    EXPECT_EQ(Page(), "MAFConnectSettingSheet");
    ExpectButtons(true, true, "次へ(&N) >", true, "キャンセル");
    Back();
    EXPECT_EQ(Page(), "TopSheet");
}

}  // namespace
