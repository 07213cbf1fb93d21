// TNAVRILForm: the page sequence driven by Next and Back, the button states of each page, and
// the page enter/exit steps that follow the keyboard focus.
#include <QAbstractButton>
#include <QRadioButton>

#include "AppStrings.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "WidgetText.h"

namespace {

// The first widget of the page that Tab would stop at: enabled, not hidden, and for a group of
// exclusive radio buttons the checked one.
QWidget* FirstTabStop(QWidget* page) {
    for (QWidget* widget = page->nextInFocusChain(); widget != page;
         widget = widget->nextInFocusChain()) {
        if (!page->isAncestorOf(widget)) continue;
        if (!(widget->focusPolicy() & Qt::TabFocus)) continue;
        if (!widget->isEnabled() || !widget->isVisibleTo(page)) continue;
        auto* radio = qobject_cast<QRadioButton*>(widget);
        if (radio && radio->autoExclusive() && !radio->isChecked()) continue;
        return widget;
    }
    return nullptr;
}

}  // namespace

QWidget* TNAVRILForm::ActivePage() const { return w_->frame.PageControl->currentWidget(); }

void TNAVRILForm::SetActivePage(QWidget* page) {
    TFormWidgets& w = *w_;
    if (page == w.StatusSheet) {
        bool showSizes = !w.top.SetMacAddressRadio->isChecked();
        const std::initializer_list<QWidget*> sizeWidgets = {
            w.status.TotalSizeCaption,   w.status.TotalSizeEdit,   w.status.TotalSizeUnit,
            w.status.ProceedSizeCaption, w.status.ProceedSizeEdit, w.status.ProceedSizeUnit};
        for (QWidget* widget : sizeWidgets) {
            widget->setVisible(showSizes);
        }
    }
    w.frame.PageControl->setCurrentWidget(page);
}

void TNAVRILForm::ShowPage(QWidget* page) {
    SetActivePage(page);
    SetButtonStates(page);
    FocusActivePage();
}

OperationKind TNAVRILForm::CheckedOperation() const {
    for (const TOperationEntry& entry : operations_) {
        if (entry.radio->isChecked()) return entry.kind;
    }
    return OperationKind::UploadNet;
}

const TNAVRILForm::TOperationEntry& TNAVRILForm::EntryFor(OperationKind kind) const {
    for (const TOperationEntry& entry : operations_) {
        if (entry.kind == kind) return entry;
    }
    return operations_.front();
}

// The entry whose parameter page this is (operations 1 to 6 only).
const TNAVRILForm::TOperationEntry* TNAVRILForm::ParameterEntryOf(const QWidget* page) const {
    for (const TOperationEntry& entry : operations_) {
        if (entry.page == page && entry.kind != OperationKind::MacFilter) return &entry;
    }
    return nullptr;
}

void TNAVRILForm::NextButtonClick() {
    if (operationRunning_) return;
    TFormWidgets& w = *w_;
    QWidget* page = ActivePage();
    bool moveFocus = true;
    if (page == w.TopSheet) {
        SetActivePage(EntryFor(CheckedOperation()).page);
    } else if (const TOperationEntry* entry = ParameterEntryOf(page)) {
        if (CheckParameterPage(entry->kind)) SetActivePage(w.ConfirmSheet);
    } else if (page == w.ConfirmSheet) {
        ExecuteOperation();
    } else if (page == w.MAFConnectSettingSheet) {
        FetchFilterList();
    } else if (page == w.MAFSettingSheet2) {
        moveFocus = ApplyMafList();
    }
    SetButtonStates(ActivePage());
    if (moveFocus) FocusActivePage();
}

void TNAVRILForm::BackButtonClick() {
    if (operationRunning_) return;
    TFormWidgets& w = *w_;
    QWidget* page = ActivePage();
    if (ParameterEntryOf(page) || page == w.MAFConnectSettingSheet) {
        SetActivePage(w.TopSheet);
    } else if (page == w.MAFSettingSheet2) {
        SetActivePage(w.MAFConnectSettingSheet);
    } else if (page == w.ConfirmSheet) {
        SetActivePage(EntryFor(CheckedOperation()).page);
    } else if (page == w.StatusSheet) {
        SetActivePage(w.top.MAFRadio->isChecked() ? w.MAFSettingSheet2 : w.ConfirmSheet);
    }
    SetButtonStates(ActivePage());
    FocusActivePage();
}

void TNAVRILForm::SetButtonStates(QWidget* page) {
    TFormWidgets& w = *w_;
    const char* nextCaption = AppStrings::NextCaption;
    if (page == w.ConfirmSheet || page == w.StatusSheet) nextCaption = AppStrings::ExecuteCaption;
    if (page == w.MAFSettingSheet2) nextCaption = AppStrings::ApplyCaption;
    w.frame.BackButton->setText(UiText(AppStrings::BackCaption));
    w.frame.BackButton->setEnabled(page != w.TopSheet);
    w.frame.NextButton->setText(UiText(nextCaption));
    w.frame.NextButton->setEnabled(page != w.StatusSheet);
    w.frame.CancelButton->setText(
        UiText(page == w.StatusSheet ? AppStrings::FinishCaption : AppStrings::CancelCaption));
    w.frame.CancelButton->setEnabled(true);
}

// The active page receives the focus: its first field, or the page itself when it has none.
// The page's enter and exit steps run here too, so they do not depend on the window being the
// active one.
void TNAVRILForm::FocusActivePage() {
    QWidget* page = ActivePage();
    QWidget* target = FirstTabStop(page);
    if (!target) target = page;
    target->setFocus(Qt::OtherFocusReason);
    TrackFocus(target);
}

// Follows the focus from page to page. Boxes and dialogs in other windows do not count as
// leaving the page; moving to the button row does.
void TNAVRILForm::TrackFocus(QWidget* now) {
    if (!now || now->window() != this) return;
    QWidget* page = PageOf(now);
    if (page == focusPage_) return;
    QWidget* left = focusPage_;
    focusPage_ = page;
    if (left) PageExit(left);
    if (page) PageEnter(page);
}

QWidget* TNAVRILForm::PageOf(QWidget* widget) const {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->parentWidget() == w_->frame.PageControl) return w;
    }
    return nullptr;
}

void TNAVRILForm::PageEnter(QWidget* page) {
    if (const TOperationEntry* entry = ParameterEntryOf(page)) {
        OperationTitle = AppText(entry->title);
    } else if (page == w_->MAFConnectSettingSheet) {
        MAFConnectSettingSheetEnter();
    } else if (page == w_->MAFSettingSheet2) {
        MAFSettingSheet2Enter();
    }
}

void TNAVRILForm::PageExit(QWidget* page) {
    if (const TOperationEntry* entry = ParameterEntryOf(page)) RebuildConfirmation(entry->kind);
}
