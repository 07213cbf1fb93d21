// What tivra-cli shows while an operation runs, in one of three forms chosen at start: a
// progress bar redrawn in place on a terminal (phase, bytes, percentage, rate, remaining
// time), plain lines when the output is a file or a pipe (one per phase and one per tenth of
// the transfer), or one JSON object per event on standard output for other programs. The
// status controls, the dialogs and the commands all report here. Message texts are the
// system's Shift_JIS; notes are tivra-cli's own UTF-8.
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TerminalText.h"

struct TProgressState {
    std::string Phase;     // the status line (Shift_JIS)
    std::string PhaseId;   // the phase's name for programs ("writing"; empty for a front
                           // end's own status line)
    long long Total = -1;  // bytes to move, -1 while not shown
    long long Done = -1;   // bytes moved, -1 while not shown
    int Percent = 0;       // the gauge
    // The status line is the operation's last ("終了しました", "エラーが発生しました",
    // "キャンセルしました"): the result that follows says it again, so the text forms leave it.
    bool Final = false;
    std::chrono::steady_clock::time_point PhaseStart = std::chrono::steady_clock::now();
};

// Where the views of a run over several access points write, instead of the two streams
// themselves: one output shared by all of them, which keeps their lines whole and marks each
// with its access point. Text is in the terminal's encoding.
class TViewOutput {
public:
    virtual ~TViewOutput() = default;
    virtual void Write(const std::string& address, std::FILE* stream, const std::string& text) = 0;
};

class TProgressView {
public:
    enum class Kind { Bar, Lines, Json };

    // Messages and notes go to err; results and JSON events to out.
    TProgressView(const TTerminalText& text, std::FILE* out, std::FILE* err);
    virtual ~TProgressView() = default;

    // The status line changed (a new phase) or the counts and gauge changed.
    virtual void PhaseChanged(const TProgressState& state);
    virtual void ProgressChanged(const TProgressState& state);
    // A message box of the system: kind is "error", "warning", "information" or "exclamation".
    virtual void Message(const std::string& kind, const std::string& sjis);
    // A question of the system and how it was answered ("ok", "cancel", "yes", "no", "ignore")
    // and by what ("flag", "terminal", "none").
    virtual void Question(const std::string& sjis, const std::string& answer,
                          const std::string& by);
    // What is about to run, as the wizard's confirmation page shows it: the operation's title
    // and one line per field.
    virtual void Summary(const std::string& titleSjis, const std::vector<std::string>& linesSjis);
    // A request to the person at the access point (switch it off, switch it on).
    virtual void Prompt(const std::string& sjis);
    // A remark of tivra-cli itself, on standard error.
    virtual void Note(const std::string& utf8);
    // A named fact for programs (only the JSON form shows it): a flat object of the fields,
    // given as pre-formatted JSON members without braces.
    virtual void Fact(const std::string& event, const std::string& members);
    // The operation's end: the status and its text (Shift_JIS), and for a failure its cause
    // (UTF-8, may be empty) on a line of its own. Errors and cancellations go to standard
    // error, a finished operation's text to standard output.
    virtual void Result(int status, const std::string& sjis, const std::string& reason = {});

    // Ends a line drawn in place, before anything else is written to the terminal.
    virtual void EndLine() {}

    const TTerminalText& Text() const { return text_; }

    // Makes the view one access point's of a run over several: its text goes to output, and its
    // JSON events carry the address.
    void Share(const std::string& address, std::shared_ptr<TViewOutput> output) {
        address_ = address;
        output_ = std::move(output);
    }
    const std::string& Address() const { return address_; }

protected:
    void WriteErr(const std::string& terminalText);
    // The cause of a failure as the line that follows the result ("" when there is none).
    std::string ReasonLine(const std::string& reason) const;
    void WriteOut(const std::string& terminalText);

    const TTerminalText& text_;
    std::FILE* out_;
    std::FILE* err_;

private:
    void Write(std::FILE* stream, const std::string& terminalText);

    std::string address_;
    std::shared_ptr<TViewOutput> output_;
};

// The form for the given output: JSON when asked for, the bar when err is a terminal, else
// plain lines.
std::unique_ptr<TProgressView> MakeProgressView(TProgressView::Kind kind, const TTerminalText& text,
                                                std::FILE* out, std::FILE* err);

// The progress bar's line for a state: the phase, and once the counts have moved in it
// (moving) the bar, percentage, bytes, rate and time left, fitted to columns.
std::string BarLine(const TTerminalText& text, const TProgressState& state, bool moving,
                    int columns);
// The width of the terminal on stream (80 when it cannot be told).
int TerminalColumns(std::FILE* stream);

// Text as a JSON string (UTF-8 in, quotes and escapes added).
std::string JsonString(const std::string& utf8);

// A byte count with thousands separators ("2,097,152"), a rate ("1.2 MB/s") and a duration
// ("1:05").
std::string GroupedCount(long long value);
std::string RateText(double bytesPerSecond);
std::string DurationText(double seconds);
