// Message boxes and questions on a terminal.
#include "CliDialogs.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "AppStrings.h"
#include "CliCancel.h"
#include "Cp932.h"
#include "EngineStrings.h"

namespace {

// The button caption without its accelerator ("はい(&Y)" is shown "はい").
std::string Caption(const char* utf8) {
    std::string caption = utf8;
    std::size_t accelerator = caption.find("(&");
    return accelerator == std::string::npos ? caption : caption.substr(0, accelerator);
}

struct TChoice {
    TDialogs::Answer answer;
    char key;
    const char* caption;
};

constexpr TChoice kChoices[] = {
    {TDialogs::Answer::Ok, 'y', AppStrings::OkButton},
    {TDialogs::Answer::Cancel, 'n', AppStrings::CancelButton},
    {TDialogs::Answer::Yes, 'y', AppStrings::YesButton},
    {TDialogs::Answer::No, 'n', AppStrings::NoButton},
    {TDialogs::Answer::Ignore, 'i', AppStrings::IgnoreButton},
};

const TChoice& ChoiceOf(TDialogs::Answer answer) {
    for (const TChoice& choice : kChoices) {
        if (choice.answer == answer) return choice;
    }
    return kChoices[1];
}

}  // namespace

const char* AnswerWord(TDialogs::Answer answer) {
    switch (answer) {
        case TDialogs::Answer::Ok:
            return "ok";
        case TDialogs::Answer::Cancel:
            return "cancel";
        case TDialogs::Answer::Yes:
            return "yes";
        case TDialogs::Answer::No:
            return "no";
        case TDialogs::Answer::Ignore:
            return "ignore";
    }
    return "cancel";
}

bool ReadTerminalLine(const std::string& prompt, std::string& line, bool echo) {
    termios saved{};
    bool restore = false;
    if (!echo && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        restore = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    std::fwrite(prompt.data(), 1, prompt.size(), stderr);
    std::fflush(stderr);
    line.clear();
    bool complete = false;
    for (;;) {
        if (CancelRequested()) break;
        pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {CancelWakeDescriptor(), POLLIN, 0}};
        if (poll(waits, 2, -1) < 0 && errno != EINTR) break;
        if (CancelRequested()) break;
        if (!(waits[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char c;
        ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (c == '\n') {
            complete = true;
            break;
        }
        if (c != '\r') line += c;
    }
    if (restore) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return complete;
}

TCliDialogs::TCliDialogs(TProgressView& view, bool interactive)
    : view_(view), interactive_(interactive) {}

void TCliDialogs::AnswerBy(const std::string& questionSjis, const std::string& flag, bool given,
                           Answer answer) {
    planned_[questionSjis] = TPlanned{flag, given, answer};
}

void TCliDialogs::Error(const std::string& text) { view_.Message("error", text); }
void TCliDialogs::Information(const std::string& text) { view_.Message("information", text); }
void TCliDialogs::Warning(const std::string& text) { view_.Message("warning", text); }
void TCliDialogs::ExclamationError(const std::string& text) { view_.Message("exclamation", text); }

TDialogs::Answer TCliDialogs::OkCancel(const std::string& text) {
    return Ask(text, {Answer::Ok, Answer::Cancel});
}

TDialogs::Answer TCliDialogs::YesNo(const std::string& text) {
    return Ask(text, {Answer::Yes, Answer::No});
}

TDialogs::Answer TCliDialogs::YesNoIgnore(const std::string& text) {
    return Ask(text, {Answer::Yes, Answer::No, Answer::Ignore});
}

bool TCliDialogs::OpenFile(const FileDialogRequest&, std::string&) { return false; }
bool TCliDialogs::SaveFile(const FileDialogRequest&, std::string&) { return false; }

TDialogs::Answer TCliDialogs::Record(const std::string& text, Answer answer, const char* by) {
    view_.Question(text, AnswerWord(answer), by);
    return answer;
}

TDialogs::Answer TCliDialogs::Ask(const std::string& text, std::initializer_list<Answer> choices) {
    const Answer positive = *choices.begin();
    const Answer negative = *(choices.begin() + 1);
    const bool powerOff = text == EngineText(EngineStrings::ConfirmPowerOff);
    auto found = planned_.find(text);
    if (found != planned_.end() && found->second.given) {
        if (powerOff) view_.Prompt(text);
        return Record(text, found->second.answer, "flag");
    }
    if (yesToAll_) {
        if (powerOff) view_.Prompt(text);
        return Record(text, positive, "flag");
    }
    if (interactive_) {
        Answer answer = powerOff ? WaitForEnter(text) : AskOnTerminal(text, choices);
        return Record(text, answer, "terminal");
    }
    if (powerOff) {
        // Nobody can press Enter: the request is announced and the operation goes on, waiting
        // for the access point's boot code as it would after the answer.
        view_.Prompt(text);
        return Record(text, positive, "none");
    }
    std::string flag = found != planned_.end() ? found->second.flag : std::string();
    view_.Message("warning", text);
    view_.Note("no terminal to ask on: answered " + std::string(AnswerWord(negative)) +
               "; give --yes" + (flag.empty() ? std::string() : " or --" + flag) + " to answer it");
    return Record(text, negative, "none");
}

TDialogs::Answer TCliDialogs::AskOnTerminal(const std::string& text,
                                            std::initializer_list<Answer> choices) {
    std::string keys;
    for (Answer choice : choices) {
        const TChoice& c = ChoiceOf(choice);
        keys += keys.empty() ? " [" : " / ";
        keys += std::string(1, c.key) + ": " + Caption(c.caption);
    }
    const Answer negative = *(choices.begin() + 1);
    view_.EndLine();
    for (;;) {
        std::string prompt = view_.Text().FromSjis(text) + view_.Text().FromUtf8(keys + "] ");
        std::string line;
        if (!ReadTerminalLine(prompt, line, true)) {
            std::fputc('\n', stderr);
            ClearCancelRequest();
            return negative;
        }
        for (Answer choice : choices) {
            if (line.size() == 1 &&
                std::tolower(static_cast<unsigned char>(line[0])) == ChoiceOf(choice).key) {
                return choice;
            }
        }
    }
}

TDialogs::Answer TCliDialogs::WaitForEnter(const std::string& text) {
    view_.EndLine();
    std::string prompt =
        view_.Text().FromSjis(text) +
        view_.Text().FromUtf8(" [Enter: OK / Ctrl-C: " + Caption(AppStrings::CancelButton) + "] ");
    std::string line;
    if (ReadTerminalLine(prompt, line, true)) return Answer::Ok;
    std::fputc('\n', stderr);
    ClearCancelRequest();
    return Answer::Cancel;
}
