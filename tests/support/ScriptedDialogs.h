// A TDialogs for tests: records every box and question (kind and text, Shift_JIS and UTF-8)
// and answers from a plan. A question without a planned answer fails the test.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "Cp932.h"
#include "Dialogs.h"

class TScriptedDialogs : public TDialogs {
public:
    struct Shown {
        std::string kind;  // "error", "information", "warning", "okcancel", "yesno", ...
        std::string text;  // as shown, converted to UTF-8 for readable assertions
        std::string detail;  // an error box's detail text (UTF-8)
    };

    // Planned answers, used in order by the questions.
    void Plan(Answer answer) { answers_.push_back(answer); }
    // Planned file dialog result; an empty path plans a cancelled dialog.
    void PlanFile(const std::string& path) { files_.push_back(path); }

    const std::vector<Shown>& History() const { return shown_; }
    const std::vector<FileDialogRequest>& FileRequests() const { return fileRequests_; }
    size_t UnusedAnswers() const { return answers_.size(); }
    void Clear() { shown_.clear(); fileRequests_.clear(); }

    // Texts of one kind, in order.
    std::vector<std::string> Texts(const std::string& kind) const {
        std::vector<std::string> texts;
        for (const Shown& s : shown_) {
            if (s.kind == kind) texts.push_back(s.text);
        }
        return texts;
    }

    void Error(const std::string& text) override { Record("error", text); }
    void ErrorWithDetail(const std::string& text, const std::string& detail) override {
        Record("error", text);
        shown_.back().detail = detail;
    }
    void Information(const std::string& text) override { Record("information", text); }
    void Warning(const std::string& text) override { Record("warning", text); }
    void ExclamationError(const std::string& text) override { Record("exclamation", text); }
    Answer OkCancel(const std::string& text) override { return Ask("okcancel", text); }
    Answer YesNo(const std::string& text) override { return Ask("yesno", text); }
    Answer YesNoIgnore(const std::string& text) override { return Ask("yesnoignore", text); }
    bool OpenFile(const FileDialogRequest& request, std::string& chosen) override {
        return File("open", request, chosen);
    }
    bool SaveFile(const FileDialogRequest& request, std::string& chosen) override {
        return File("save", request, chosen);
    }

private:
    void Record(const char* kind, const std::string& text) {
        shown_.push_back({kind, SjisToUtf8(text), std::string()});
    }
    Answer Ask(const char* kind, const std::string& text) {
        Record(kind, text);
        if (answers_.empty()) {
            ADD_FAILURE() << "unplanned question: " << SjisToUtf8(text);
            return Answer::Cancel;
        }
        Answer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    bool File(const char* kind, const FileDialogRequest& request, std::string& chosen) {
        Record(kind, request.title);
        fileRequests_.push_back(request);
        if (files_.empty()) {
            ADD_FAILURE() << "unplanned file dialog";
            return false;
        }
        std::string path = files_.front();
        files_.pop_front();
        if (path.empty()) return false;
        chosen = path;
        return true;
    }

    std::deque<Answer> answers_;
    std::deque<std::string> files_;
    std::vector<Shown> shown_;
    std::vector<FileDialogRequest> fileRequests_;
};
