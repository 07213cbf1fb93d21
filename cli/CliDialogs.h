// TCliDialogs: the system's message boxes and questions on a terminal. Boxes become lines of
// the progress view. A question is answered, in this order, by the flag given for it
// (--confirm-update, --overwrite...), by --yes, or by asking on the terminal; with none of
// these it is answered "cancel" and the person is told which flag would answer it. The
// power-off question is a request to the person: on a terminal it waits for Enter, elsewhere
// it is announced on standard error and taken as done. File dialogs are never needed (files
// are named by options), so they report "cancelled".
#pragma once

#include <map>
#include <string>

#include "Dialogs.h"
#include "ProgressView.h"

class TCliDialogs : public TDialogs {
public:
    // interactive: questions may be asked on the terminal (standard input and error are one).
    TCliDialogs(TProgressView& view, bool interactive);

    // The flag that answers a question (Shift_JIS text), and whether it was given.
    void AnswerBy(const std::string& questionSjis, const std::string& flag, bool given,
                  Answer answer);
    // --yes: every question gets its positive answer.
    void AnswerAll(bool yes) { yesToAll_ = yes; }

    void Error(const std::string& text) override;
    void Information(const std::string& text) override;
    void Warning(const std::string& text) override;
    void ExclamationError(const std::string& text) override;
    Answer OkCancel(const std::string& text) override;
    Answer YesNo(const std::string& text) override;
    Answer YesNoIgnore(const std::string& text) override;
    bool OpenFile(const FileDialogRequest& request, std::string& chosen) override;
    bool SaveFile(const FileDialogRequest& request, std::string& chosen) override;

private:
    struct TPlanned {
        std::string flag;
        bool given = false;
        Answer answer = Answer::Ok;
    };

    // choices: the answers the question offers, the first being the positive one.
    Answer Ask(const std::string& text, std::initializer_list<Answer> choices);
    Answer AskOnTerminal(const std::string& text, std::initializer_list<Answer> choices);
    Answer WaitForEnter(const std::string& text);
    Answer Record(const std::string& text, Answer answer, const char* by);

    TProgressView& view_;
    bool interactive_;
    bool yesToAll_ = false;
    std::map<std::string, TPlanned> planned_;
};

// Writes the prompt (terminal bytes) on standard error and reads one line typed on standard
// input (without its line end). False when the read was interrupted by a cancel request or the
// input ended. With echo false the typed characters are not shown (for a password); echo is off
// before the prompt appears, so nothing typed in answer to it can be shown.
bool ReadTerminalLine(const std::string& prompt, std::string& line, bool echo);

// The lowercase word for an answer ("ok", "cancel", "yes", "no", "ignore").
const char* AnswerWord(TDialogs::Answer answer);
