// TNAVRILForm: the MAC address filter pages. The connection page fetches the access point's
// filter list; the editor page is the view of the filter list (MafList.h) with its entry row,
// list buttons and filter files (MafFile.h); "設定" checks the filter text (MafCheck.h) and
// writes it back (MafTransfer.h). The list is kept as Shift_JIS entries beside the list box,
// so no memo passes through Unicode on its way from a file or the access point and back.
#include <QLineEdit>
#include <QListWidget>
#include <QStringList>
#include <QValidator>
#include <cstdio>

#include "AppStrings.h"
#include "FileSystem.h"
#include "MafCheck.h"
#include "MafFile.h"
#include "MafTransfer.h"
#include "MainThread.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "StatusAdapters.h"
#include "Utils.h"
#include "WidgetText.h"

namespace {

constexpr int kResultError = 1;

// Lets the memo field hold no more than the memo's limit in Shift_JIS bytes; the field itself
// counts characters. A longer memo taken from the list is shown whole and may be shortened;
// the filter check refuses it if it stays too long.
class TSjisByteLimit : public QValidator {
public:
    TSjisByteLimit(std::size_t limit, QObject* parent) : QValidator(parent), limit_(limit) {}
    State validate(QString& input, int&) const override {
        return Sjis(input).size() <= limit_ ? Acceptable : Invalid;
    }

private:
    std::size_t limit_;
};

// The memo field's text in Shift_JIS. False, with the character's name, when it holds a
// character that Shift_JIS cannot express (it would arrive as "?").
bool MemoToSjis(const QString& text, std::string& sjis, std::string& refusedName) {
    sjis.clear();
    for (uint ucs4 : text.toUcs4()) {
        const char32_t codePoint = ucs4;
        std::string one = Sjis(QString::fromUcs4(&codePoint, 1));
        if (one.find('?') != std::string::npos && codePoint != U'?') {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
            refusedName = name;
            return false;
        }
        sjis += one;
    }
    return true;
}

}  // namespace

void TNAVRILForm::MAFConnectSettingSheetEnter() {
    OperationTitle = AppText(AppStrings::MafTitle);
    w_->mafConnect.MAFIPEdit->setFocus(Qt::OtherFocusReason);
}

void TNAVRILForm::ConnectMafPages() {
    TFormWidgets& w = *w_;
    auto& page = w.mafSetting2;
    mafFetch_ = std::make_unique<TMafFetch>();
    mafFetch_->OnStatusText = [this](const std::string& text) {
        w_->mafConnect.MAFStatusLabel->setText(FromSjis(text));
    };
    page.MAFMemoEdit->setValidator(new TSjisByteLimit(MafMemoLimit, page.MAFMemoEdit));
    auto on = [this](QAbstractButton* button, void (TNAVRILForm::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    on(page.AppendModifyButton, &TNAVRILForm::AppendModifyButtonClick);
    on(page.SearchButton, &TNAVRILForm::SearchButtonClick);
    on(page.ClearButton, &TNAVRILForm::ClearButtonClick);
    on(page.EditButton, &TNAVRILForm::EditButtonClick);
    on(page.DeleteButton, &TNAVRILForm::DeleteButtonClick);
    on(page.DeleteAllButton, &TNAVRILForm::DeleteAllButtonClick);
    on(page.ReadFileButton, &TNAVRILForm::ReadFileButtonClick);
    on(page.WriteFileButton, &TNAVRILForm::WriteFileButtonClick);
    connect(page.MAFList, &QListWidget::itemDoubleClicked, this, [this] { MAFListDblClick(); });
    // Leaving the entry row for another control of this window (not for a message box).
    panelFocusConnection_ =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            QWidget* row = w_->mafSetting2.Panel22;
            if (old && now && now->window() == this && row->isAncestorOf(old) &&
                !row->isAncestorOf(now)) {
                Panel22Exit();
            }
        });
}

// ---- The connection page and the fetch.

// Next on the connection page. A successful fetch replaces whatever the editor held. The
// buttons rest while the fetch waits, so neither a second fetch nor closing can cut into it.
void TNAVRILForm::FetchFilterList() {
    TFormWidgets& w = *w_;
    const auto& page = w.mafConnect;
    if (const char* refusal = CheckRequest(PageRequest(OperationKind::MacFilter)).Refusal) {
        dialogs_.Error(AppText(refusal));
        return;
    }
    for (QWidget* button :
         {static_cast<QWidget*>(w.frame.BackButton), static_cast<QWidget*>(w.frame.NextButton),
          static_cast<QWidget*>(w.frame.CancelButton)}) {
        button->setEnabled(false);
    }
    std::vector<std::string> lines;
    bool fetched = FetchMafList(NormalizeIPAddress(Sjis(page.MAFIPEdit->text())),
                                Sjis(page.MAFUserEdit->text()),
                                Sjis(page.MAFPasswordEdit->text()), lines);
    SetButtonStates(ActivePage());
    if (!fetched) {
        dialogs_.ErrorWithDetail(AppText(AppStrings::ErrorOccurred), mafFetch_->FailureCause);
        return;
    }
    SetMafText(lines);
    FillMafListFromText(mafEntries_, mafText_);
    ShowMafEntries();
    SetActivePage(w.MAFSettingSheet2);
}

bool TNAVRILForm::FetchMafList(const std::string& address, const std::string& userName,
                               const std::string& password, std::vector<std::string>& lines) {
    return mafFetch_->FetchMafList(address, userName, password, lines);
}

TMafFetch& TNAVRILForm::MafFetch() { return *mafFetch_; }

// The filter text and its never-shown widget, changed with the widget's updates suspended.
void TNAVRILForm::SetMafText(const std::vector<std::string>& lines) {
    mafText_ = lines;
    QStringList text;
    for (const std::string& line : mafText_) text << FromSjis(line);
    QPlainTextEdit& memo = *w_->mafSetting1.MAFMemo;
    memo.setUpdatesEnabled(false);
    memo.setPlainText(text.join(u'\n'));
    memo.setUpdatesEnabled(true);
}

// ---- The write-back.

// Next ("設定") on the editor. The result says whether the focus may move to the active page
// (not after a refused filter check, which selects the offending entry instead).
bool TNAVRILForm::ApplyMafList() {
    TFormWidgets& w = *w_;
    std::vector<std::string> lines;
    for (std::string& line : FillTextFromMafList(mafEntries_)) {
        if (!line.empty()) lines.push_back(std::move(line));
    }
    SetMafText(lines);
    int start = -1, length = -1, failedLine = -1;
    std::string message;
    if (!CheckMafText(mafText_, start, length, message, &failedLine)) {
        dialogs_.Error(message);
        if (failedLine >= 0 && failedLine < w.mafSetting2.MAFList->count()) {
            SelectMafEntry(failedLine);
        }
        return false;
    }
    w.status.processLabel->setText(FromSjis(OperationTitle));
    EnterStatusPage();
    int result = kResultError;
    std::string cause;
    if (runner_) {
        TMafWriteBack target;
        target.Address = NormalizeIPAddress(Sjis(w.mafConnect.MAFIPEdit->text()));
        target.UserName = Sjis(w.mafConnect.MAFUserEdit->text());
        target.Password = Sjis(w.mafConnect.MAFPasswordEdit->text());
        target.PauseMs = MafWriteBackPauseMs;
        operationRunning_ = true;
        result = WriteBackMafText(mafText_, target, *runner_, dialogs_, *totalSizeControl_,
                                  *proceedSizeControl_, *gaugeControl_, *statusLabelControl_,
                                  &cause);
        operationRunning_ = false;
    }
    ShowResult(OperationKind::MacFilter, result, cause);
    SetButtonStates(w.StatusSheet);
    return true;
}

// ---- The editor page.

void TNAVRILForm::SetMAFModifing(bool modifying) {
    MAFModifing = modifying;
    w_->mafSetting2.AppendModifyButton->setText(
        UiText(modifying ? AppStrings::ModifyCaption : AppStrings::AppendCaption));
}

void TNAVRILForm::MAFSettingSheet2Enter() { SetMAFModifing(false); }

void TNAVRILForm::ShowMafEntries() {
    QListWidget& list = *w_->mafSetting2.MAFList;
    list.setUpdatesEnabled(false);
    list.clear();
    QStringList items;
    for (const std::string& entry : mafEntries_) items << FromSjis(entry);
    list.addItems(items);
    list.setUpdatesEnabled(true);
}

void TNAVRILForm::SelectMafEntry(int index) {
    QListWidget& list = *w_->mafSetting2.MAFList;
    list.clearSelection();
    list.setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    list.scrollToItem(list.item(index));
}

void TNAVRILForm::ClearButtonClick() {
    auto& row = w_->mafSetting2;
    row.MAFAddressEdit1->clear();
    row.MAFAddressEdit2->clear();
    row.MAFMemoEdit->clear();
    SetMAFModifing(false);
}

void TNAVRILForm::Panel22Exit() {
    if (MAFModifing) ClearButtonClick();
}

void TNAVRILForm::AppendModifyButtonClick() {
    auto& row = w_->mafSetting2;
    const std::string first = Sjis(row.MAFAddressEdit1->text());
    const std::string second = Sjis(row.MAFAddressEdit2->text());
    std::string memo, refusedName;
    if (!MemoToSjis(row.MAFMemoEdit->text(), memo, refusedName)) {
        dialogs_.Error(MafCharacterRefusedMessage(refusedName));
        return;
    }
    const int current = row.MAFList->currentRow();
    const bool modifying = MAFModifing && current >= 0 && current < row.MAFList->count();
    std::string refused = CheckMafEntryEdit(mafEntries_, first, second, memo, modifying, current);
    if (!refused.empty()) {
        dialogs_.Error(refused);
        return;
    }
    const std::string entry = MakeMafEntry(first, second, memo);
    if (modifying) {
        mafEntries_[static_cast<std::size_t>(current)] = entry;
        row.MAFList->item(current)->setText(FromSjis(entry));
    } else {
        mafEntries_.push_back(entry);
        row.MAFList->addItem(FromSjis(entry));
    }
    ClearButtonClick();
}

void TNAVRILForm::MAFListDblClick() {
    auto& row = w_->mafSetting2;
    const int current = row.MAFList->currentRow();
    if (mafEntries_.empty() || current < 0) return;
    std::string first, second, memo;
    ParseMafLine(mafEntries_[static_cast<std::size_t>(current)], first, second, memo);
    row.MAFAddressEdit1->setText(FromSjis(first));
    row.MAFAddressEdit2->setText(FromSjis(second));
    row.MAFMemoEdit->setText(FromSjis(memo));
    SetMAFModifing(true);
    row.MAFAddressEdit1->setFocus(Qt::OtherFocusReason);
}

void TNAVRILForm::EditButtonClick() { MAFListDblClick(); }

void TNAVRILForm::DeleteButtonClick() {
    QListWidget& list = *w_->mafSetting2.MAFList;
    if (list.selectedItems().isEmpty()) return;
    if (dialogs_.OkCancel(AppText(AppStrings::MafDeleteSelected)) != TDialogs::Answer::Ok) return;
    for (int i = list.count() - 1; i >= 0; --i) {
        if (!list.item(i)->isSelected()) continue;
        delete list.takeItem(i);
        mafEntries_.erase(mafEntries_.begin() + i);
    }
}

void TNAVRILForm::DeleteAllButtonClick() {
    if (mafEntries_.empty()) return;
    if (dialogs_.OkCancel(AppText(AppStrings::MafDeleteAll)) != TDialogs::Answer::Ok) return;
    mafEntries_.clear();
    ShowMafEntries();
}

void TNAVRILForm::SearchButtonClick() {
    auto& row = w_->mafSetting2;
    if (row.MAFAddressEdit1->text().isEmpty() && row.MAFAddressEdit2->text().isEmpty() &&
        row.MAFMemoEdit->text().isEmpty()) {
        dialogs_.Warning(AppText(AppStrings::MafSearchEmpty));
        return;
    }
    int found = FindMafEntry(mafEntries_, Sjis(row.MAFAddressEdit1->text()),
                             Sjis(row.MAFAddressEdit2->text()), Sjis(row.MAFMemoEdit->text()));
    if (found < 0) {
        dialogs_.Information(AppText(AppStrings::MafNotFound));
        return;
    }
    SelectMafEntry(found);
    EditButtonClick();
}

void TNAVRILForm::ReadFileButtonClick() {
    TDialogs::FileDialogRequest request{AppText(AppStrings::MafFileDialogTitle),
                                        AppText(AppStrings::MafFileFilter), std::string()};
    std::string path;
    if (!dialogs_.OpenFile(request, path)) return;
    std::string bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const std::exception&) {
        dialogs_.Error(AppText(AppStrings::MafFileReadError));
        return;
    }
    TMafReadEnd end = AppendMafFileEntries(
        bytes, mafEntries_, [this](const std::string& text) { return dialogs_.YesNoIgnore(text); });
    ShowMafEntries();
    if (end == TMafReadEnd::LimitReached) dialogs_.Error(AppText(AppStrings::MafFileLimit));
}

void TNAVRILForm::WriteFileButtonClick() {
    TDialogs::FileDialogRequest request{AppText(AppStrings::MafFileDialogTitle),
                                        AppText(AppStrings::MafFileFilter), std::string()};
    std::string chosen;
    if (!dialogs_.SaveFile(request, chosen)) return;
    const std::string path = MafFileNameWithExtension(chosen);
    if (FileExists(path) &&
        dialogs_.OkCancel(AppText(AppStrings::MafFileExists)) != TDialogs::Answer::Ok) {
        return;
    }
    try {
        WriteMafFile(path, mafEntries_);
    } catch (const std::exception&) {
        dialogs_.Error(AppText(AppStrings::MafFileWriteError));
    }
}
