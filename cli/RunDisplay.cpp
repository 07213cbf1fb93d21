// The shared output of a run over several access points and its terminal form.
#include "RunDisplay.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

// Writes the views' text whole, one writer at a time, each line started with its address
// (JSON events on standard output carry it as a member instead). On a terminal it also keeps
// the progress lines of the running access points below everything else: before any text it
// takes them away and afterwards draws them again.
class TRunOutput : public TViewOutput {
public:
    TRunOutput(std::FILE* out, std::FILE* err, bool json, bool board)
        : out_(out), err_(err), json_(json), board_(board) {}

    void Write(const std::string& address, std::FILE* stream, const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        TakeLines();
        Put(stream, json_ && stream == out_ ? text : Tagged(address, text));
        DrawLines();
    }
    void Plain(std::FILE* stream, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        TakeLines();
        Put(stream, text);
        DrawLines();
    }
    // The progress line of address (added at its first line).
    void SetLine(const std::string& address, const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = std::find_if(lines_.begin(), lines_.end(),
                                  [&](const auto& entry) { return entry.first == address; });
        if (found == lines_.end()) {
            lines_.emplace_back(address, line);
        } else {
            found->second = line;
        }
        TakeLines();
        DrawLines();
    }
    void RemoveLine(const std::string& address) {
        std::lock_guard<std::mutex> lock(mutex_);
        TakeLines();
        lines_.erase(std::remove_if(lines_.begin(), lines_.end(),
                                    [&](const auto& entry) { return entry.first == address; }),
                     lines_.end());
        DrawLines();
    }

private:
    static std::string Tagged(const std::string& address, const std::string& text) {
        std::string tagged;
        bool lineStart = true;
        for (char c : text) {
            if (lineStart) tagged += address + ": ";
            tagged += c;
            lineStart = c == '\n';
        }
        return tagged;
    }
    static void Put(std::FILE* stream, const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stream);
        std::fflush(stream);
    }
    // Moves the cursor back to the first progress line and clears from there down.
    void TakeLines() {
        if (drawn_ == 0) return;
        Put(err_, "\x1b[" + std::to_string(drawn_) + "F\x1b[J");
        drawn_ = 0;
    }
    void DrawLines() {
        if (!board_ || lines_.empty()) return;
        std::string text;
        for (const auto& [address, line] : lines_) text += address + ": " + line + "\x1b[K\n";
        Put(err_, text);
        drawn_ = static_cast<int>(lines_.size());
    }

    std::mutex mutex_;
    std::FILE* out_;
    std::FILE* err_;
    const bool json_;
    const bool board_;
    std::vector<std::pair<std::string, std::string>> lines_;
    int drawn_ = 0;  // progress lines on the terminal now
};

namespace {

using Clock = std::chrono::steady_clock;

// The terminal form of one access point: its progress bar is its line among the others,
// redrawn at most ten times a second; everything else goes through the shared output.
class TLineView : public TProgressView {
public:
    TLineView(const TTerminalText& text, std::FILE* out, std::FILE* err,
              std::shared_ptr<TRunOutput> output)
        : TProgressView(text, out, err), output_(std::move(output)) {}

    void PhaseChanged(const TProgressState& state) override {
        moving_ = false;
        if (!state.Final) Draw(state);
    }
    void ProgressChanged(const TProgressState& state) override {
        moving_ = true;
        bool complete = state.Total > 0 && state.Done >= state.Total;
        if (complete || Clock::now() - lastDraw_ >= std::chrono::milliseconds(100)) Draw(state);
    }

private:
    void Draw(const TProgressState& state) {
        const int columns = TerminalColumns(err_) - static_cast<int>(Address().size()) - 2;
        output_->SetLine(Address(), BarLine(text_, state, moving_, columns));
        lastDraw_ = Clock::now();
    }

    std::shared_ptr<TRunOutput> output_;
    bool moving_ = false;
    Clock::time_point lastDraw_{};
};

}  // namespace

TRunDisplay::TRunDisplay(TProgressView::Kind kind, const TTerminalText& text, std::FILE* out,
                         std::FILE* err)
    : kind_(kind),
      text_(text),
      out_(out),
      err_(err),
      output_(std::make_shared<TRunOutput>(out, err, kind == TProgressView::Kind::Json,
                                           kind == TProgressView::Kind::Bar)) {}

TRunDisplay::~TRunDisplay() = default;

std::unique_ptr<TProgressView> TRunDisplay::ViewFor(const std::string& address) {
    std::unique_ptr<TProgressView> view =
        kind_ == TProgressView::Kind::Bar ? std::make_unique<TLineView>(text_, out_, err_, output_)
                                          : MakeProgressView(kind_, text_, out_, err_);
    view->Share(address, output_);
    return view;
}

void TRunDisplay::Ended(const std::string& address) { output_->RemoveLine(address); }

void TRunDisplay::Plain(std::FILE* stream, const std::string& text) {
    output_->Plain(stream, text);
}
