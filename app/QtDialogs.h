// TQtDialogs: the wizard's message boxes, questions and file dialogs on Qt widgets, with the
// system's titles ("エラー", "情報", "警告"), button captions ("OK", "キャンセル", "はい(&Y)",
// "いいえ(&N)") and icons. Every box is modal to the active window. Texts arrive as Shift_JIS
// and are converted here; file names are the file system's own bytes.
#pragma once

#include "Dialogs.h"

class TQtDialogs : public TDialogs {
public:
    void Error(const std::string& text) override;
    void ErrorWithDetail(const std::string& text, const std::string& detailUtf8) override;
    void Information(const std::string& text) override;
    void Warning(const std::string& text) override;
    Answer OkCancel(const std::string& text) override;
    Answer YesNo(const std::string& text) override;
    Answer YesNoIgnore(const std::string& text) override;
    void ExclamationError(const std::string& text) override;
    bool OpenFile(const FileDialogRequest& request, std::string& chosen) override;
    bool SaveFile(const FileDialogRequest& request, std::string& chosen) override;
};
