// Closing: every request asks "終了します" and closes only on OK. (Refusal while an operation
// runs is checked from inside a running operation in ExecutionTest.)
#include "FormFixture.h"

namespace {

using TClosing = TFormTest;

TEST_F(TClosing, CloseRequestsAskAndCloseOnlyOnOk) {
    dialogs.Plan(TDialogs::Answer::Cancel);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());

    dialogs.Plan(TDialogs::Answer::Cancel);
    Click("CancelButton");
    EXPECT_TRUE(form->isVisible());

    // On the status page the same button reads "終了".
    GoToConfirmation(OperationKind::SetMacAddress);
    Next();
    ASSERT_EQ(Text("CancelButton"), "終了");
    dialogs.Plan(TDialogs::Answer::Ok);
    Click("CancelButton");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(dialogs.Texts("okcancel"),
              (std::vector<std::string>{"終了します", "終了します", "終了します"}));
}

}  // namespace
