// Message boxes on QMessageBox and file dialogs on QFileDialog.
#include "QtDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <initializer_list>
#include <utility>
#include <vector>

#include "AppStrings.h"
#include "Cp932.h"
#include "DiagnosticLog.h"
#include "DialogFilter.h"

namespace {

using Answer = TDialogs::Answer;

struct TBoxButton {
    const char* caption;
    QMessageBox::ButtonRole role;
    Answer answer;
};

const TBoxButton kOk{AppStrings::OkButton, QMessageBox::AcceptRole, Answer::Ok};
const TBoxButton kCancel{AppStrings::CancelButton, QMessageBox::RejectRole, Answer::Cancel};
const TBoxButton kYes{AppStrings::YesButton, QMessageBox::YesRole, Answer::Yes};
const TBoxButton kNo{AppStrings::NoButton, QMessageBox::NoRole, Answer::No};
const TBoxButton kIgnore{AppStrings::IgnoreButton, QMessageBox::ActionRole, Answer::Ignore};

// The system breaks lines with a lone carriage return; Qt breaks them at line feeds.
QString MessageText(const std::string& sjis) {
    QString text = QString::fromStdString(SjisToUtf8(sjis));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// Shows one modal box; the first button is the default one, and Esc or the close box choose
// the cancelling button that QMessageBox finds by role (the only one, Cancel, or No). The
// answer of the button pressed; the last button's when none was.
Answer ShowBox(QMessageBox::Icon icon, const char* title, const std::string& text,
               std::initializer_list<TBoxButton> buttons, const std::string& detailUtf8 = {}) {
    QMessageBox box(icon, QString::fromUtf8(title), MessageText(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (!detailUtf8.empty()) box.setDetailedText(QString::fromStdString(detailUtf8));
    std::vector<std::pair<QAbstractButton*, Answer>> answers;
    for (const TBoxButton& button : buttons) {
        QPushButton* pushButton = box.addButton(QString::fromUtf8(button.caption), button.role);
        if (answers.empty()) box.setDefaultButton(pushButton);
        answers.emplace_back(pushButton, button.answer);
    }
    LogLine("dialog", std::string(title) + ": " + SjisToUtf8(text) +
                          (detailUtf8.empty() ? std::string() : " (" + detailUtf8 + ")"));
    box.exec();
    for (const auto& [pushButton, answer] : answers) {
        if (box.clickedButton() == pushButton) {
            LogLine("dialog", "answer: " + pushButton->text().toStdString());
            return answer;
        }
    }
    return answers.back().second;
}

bool RunFileDialog(QFileDialog::AcceptMode mode, const TDialogs::FileDialogRequest& request,
                   std::string& chosen) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(mode);
    // The open dialogs take any name typed; the pages check existence themselves.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString());
    if (!request.title.empty()) {
        dialog.setWindowTitle(QString::fromStdString(SjisToUtf8(request.title)));
    }
    dialog.setNameFilters(ConvertDialogFilter(QString::fromStdString(SjisToUtf8(request.filter))));
    if (!request.initialName.empty()) {
        dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(request.initialName)));
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return false;
    chosen = QFile::encodeName(files.first()).toStdString();
    return true;
}

}  // namespace

void TQtDialogs::Error(const std::string& text) {
    ShowBox(QMessageBox::Critical, AppStrings::ErrorTitle, text, {kOk});
}

void TQtDialogs::ErrorWithDetail(const std::string& text, const std::string& detailUtf8) {
    ShowBox(QMessageBox::Critical, AppStrings::ErrorTitle, text, {kOk}, detailUtf8);
}

void TQtDialogs::Information(const std::string& text) {
    ShowBox(QMessageBox::Information, AppStrings::InformationTitle, text, {kOk});
}

void TQtDialogs::ExclamationError(const std::string& text) {
    ShowBox(QMessageBox::Warning, AppStrings::ErrorTitle, text, {kOk});
}

void TQtDialogs::Warning(const std::string& text) {
    ShowBox(QMessageBox::Warning, AppStrings::WarningTitle, text, {kOk});
}

TDialogs::Answer TQtDialogs::OkCancel(const std::string& text) {
    return ShowBox(QMessageBox::Information, AppStrings::InformationTitle, text, {kOk, kCancel});
}

TDialogs::Answer TQtDialogs::YesNo(const std::string& text) {
    return ShowBox(QMessageBox::Information, AppStrings::InformationTitle, text, {kYes, kNo});
}

// The filter file reader's question about a bad line is an error box with three answers.
TDialogs::Answer TQtDialogs::YesNoIgnore(const std::string& text) {
    return ShowBox(QMessageBox::Critical, AppStrings::ErrorTitle, text, {kYes, kNo, kIgnore});
}

bool TQtDialogs::OpenFile(const FileDialogRequest& request, std::string& chosen) {
    return RunFileDialog(QFileDialog::AcceptOpen, request, chosen);
}

bool TQtDialogs::SaveFile(const FileDialogRequest& request, std::string& chosen) {
    return RunFileDialog(QFileDialog::AcceptSave, request, chosen);
}
