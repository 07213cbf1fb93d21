// TDialogs: the one interface through which the system shows message boxes, asks questions
// and opens file dialogs. The wizard installs the Qt implementation (real message boxes with
// the system's titles and button captions); tests install a scripted one that records every
// text and returns planned answers. Text is Shift_JIS.
#pragma once

#include <string>

class TDialogs {
public:
    enum class Answer { Ok, Cancel, Yes, No, Ignore };

    struct FileDialogRequest {
        std::string title;       // empty: the platform's default title
        std::string filter;      // "shown text|pattern|shown text|pattern..."
        std::string initialName; // the page's current file name
    };

    virtual ~TDialogs() = default;

    // Error box: error icon, title "エラー", button "OK".
    virtual void Error(const std::string& text) = 0;
    // The error box with the cause of the failure as its detail text (UTF-8, the system's
    // reason), which the person can open from the box. Without a detail, the plain error box.
    virtual void ErrorWithDetail(const std::string& text, const std::string& detailUtf8) {
        (void)detailUtf8;
        Error(text);
    }
    // Information box: title "情報", button "OK".
    virtual void Information(const std::string& text) = 0;
    // Warning box: title "警告", button "OK".
    virtual void Warning(const std::string& text) = 0;
    // Plain system error box: exclamation icon, title "エラー", button "OK". The transfer
    // reports its failures this way, unlike the error dialogs of the rest of the program.
    virtual void ExclamationError(const std::string& text) = 0;
    // Question with "OK" and "キャンセル" (information icon, title "情報"): Ok or Cancel.
    virtual Answer OkCancel(const std::string& text) = 0;
    // Question with "はい(&Y)" and "いいえ(&N)" (information icon, title "情報"): Yes or No.
    virtual Answer YesNo(const std::string& text) = 0;
    // Error question with "はい(&Y)", "いいえ(&N)" and "無視(&I)" (error icon, title "エラー").
    virtual Answer YesNoIgnore(const std::string& text) = 0;
    // Open and save dialogs: true with the chosen full path, false when cancelled.
    virtual bool OpenFile(const FileDialogRequest& request, std::string& chosen) = 0;
    virtual bool SaveFile(const FileDialogRequest& request, std::string& chosen) = 0;
};
