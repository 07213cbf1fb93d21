// TNAVRILForm: closing. Every request to close (the Cancel/"終了" button, the close box, the
// system menu) asks "終了します" while the Cancel button is enabled, and is refused without a
// word while it is disabled, that is while an operation runs.
#include <QCloseEvent>

#include "AppStrings.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"

void TNAVRILForm::CancelButtonClick() { close(); }

void TNAVRILForm::closeEvent(QCloseEvent* event) {
    bool allowed = w_->frame.CancelButton->isEnabled() &&
                   dialogs_.OkCancel(AppText(AppStrings::ConfirmClose)) == TDialogs::Answer::Ok;
    if (allowed) {
        event->accept();
    } else {
        event->ignore();
    }
}
