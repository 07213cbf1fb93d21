// TNAVRILForm: closing. Every request to close (the Cancel/"終了" button, the close box, the
// system menu) asks "終了します" while the Cancel button is enabled, and is refused without a
// word while it is disabled or an operation runs. While a serial operation still waits for the
// access point's first answer, the Cancel button abandons that operation instead.
#include <QCloseEvent>

#include "AppStrings.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "OperationRunner.h"
#include "WidgetText.h"

void TNAVRILForm::SetOperationRunner(TOperationRunner* runner) {
    if (runner_) runner_->SetCancelableHook(nullptr);
    runner_ = runner;
    if (runner_) runner_->SetCancelableHook([this](bool on) { SetOperationCancelable(on); });
}

void TNAVRILForm::SetOperationCancelable(bool cancelable) {
    if (!operationRunning_) return;
    w_->frame.CancelButton->setText(
        UiText(cancelable ? AppStrings::CancelCaption : AppStrings::FinishCaption));
    w_->frame.CancelButton->setEnabled(cancelable);
}

void TNAVRILForm::CancelButtonClick() {
    if (operationRunning_) {
        if (runner_) runner_->CancelOperation();
        return;
    }
    close();
}

void TNAVRILForm::closeEvent(QCloseEvent* event) {
    bool allowed = !operationRunning_ && w_->frame.CancelButton->isEnabled() &&
                   dialogs_.OkCancel(AppText(AppStrings::ConfirmClose)) == TDialogs::Answer::Ok;
    if (allowed) {
        event->accept();
    } else {
        event->ignore();
    }
}
