// The three forms of tivra-cli's running display.
#include "ProgressView.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "Cp932.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Bytes per second since the phase began; 0 while less than minimumSeconds have passed (a
// display waits a moment before it shows a rate, so that the first one is not wild).
double RateOf(const TProgressState& state, double minimumSeconds = 0.2) {
    double seconds = SecondsSince(state.PhaseStart);
    return seconds > minimumSeconds && state.Done > 0 ? static_cast<double>(state.Done) / seconds
                                                      : 0.0;
}

// The bar form: one line per phase, redrawn in place at most ten times a second.
class TBarView : public TProgressView {
public:
    using TProgressView::TProgressView;

    void PhaseChanged(const TProgressState& state) override {
        // The previous phase's last counts stay on its line, even when they came too soon
        // after the drawing before them.
        if (stale_) Draw(last_);
        EndLine();
        // Counts belong to the phase that moved them; a new phase shows them once it does.
        moving_ = false;
        if (!state.Final) Draw(state);
    }
    void ProgressChanged(const TProgressState& state) override {
        moving_ = true;
        bool complete = state.Total > 0 && state.Done >= state.Total;
        if (!complete && Clock::now() - lastDraw_ < std::chrono::milliseconds(100)) {
            last_ = state;
            stale_ = true;
            return;
        }
        Draw(state);
    }
    void EndLine() override {
        if (!drawn_) return;
        WriteErr("\n");
        drawn_ = false;
    }

private:
    void Draw(const TProgressState& state) {
        const std::string line = BarLine(text_, state, moving_, TerminalColumns(err_));
        WriteErr("\r" + line + "\x1b[K");
        drawn_ = true;
        stale_ = false;
        lastDraw_ = Clock::now();
    }

    bool drawn_ = false;
    bool moving_ = false;  // the counts changed during the current phase
    bool stale_ = false;
    TProgressState last_;
    Clock::time_point lastDraw_{};
};

// The plain form: a line per phase, and a line each time the gauge passes a tenth. A phase
// whose last counts fell between two tenths gets them on a line of their own when it ends.
class TLinesView : public TProgressView {
public:
    using TProgressView::TProgressView;

    void PhaseChanged(const TProgressState& state) override {
        if (unprinted_ && last_.Done > 0) WriteCounts(last_, last_.Percent);
        unprinted_ = false;
        if (!state.Final) WriteErr(text_.FromSjis(state.Phase) + "\n");
        decile_ = state.Percent / 10;
    }
    void ProgressChanged(const TProgressState& state) override {
        last_ = state;
        int decile = std::clamp(state.Percent, 0, 100) / 10;
        if (decile <= decile_) {
            decile_ = std::min(decile_, decile);  // a gauge set back to 0 starts over
            unprinted_ = true;
            return;
        }
        decile_ = decile;
        WriteCounts(state, decile * 10);
        unprinted_ = false;
    }

private:
    void WriteCounts(const TProgressState& state, int percent) {
        std::string line = text_.FromSjis(state.Phase) + " " + std::to_string(percent) + "%";
        if (state.Done >= 0) {
            line += " " + GroupedCount(state.Done);
            if (state.Total > 0) line += " / " + GroupedCount(state.Total);
            line += " bytes";
        }
        WriteErr(line + "\n");
    }

    int decile_ = 0;
    bool unprinted_ = false;
    TProgressState last_;
};

// The JSON form: one object per line on standard output; errors also as text on standard
// error, so that a person watching a script sees why it stopped.
class TJsonView : public TProgressView {
public:
    using TProgressView::TProgressView;

    void PhaseChanged(const TProgressState& state) override {
        // A phase's last counts are never lost to the pacing below.
        if (unsent_) EmitProgress(last_);
        Emit("phase",
             "\"text\":" + Json(state.Phase) +
                 (state.PhaseId.empty() ? std::string() : ",\"id\":" + JsonString(state.PhaseId)));
        lastPercent_ = -1;
    }
    void ProgressChanged(const TProgressState& state) override {
        bool complete = state.Total > 0 && state.Done >= state.Total;
        if (state.Percent == lastPercent_ && !complete &&
            Clock::now() - lastEmit_ < std::chrono::milliseconds(250)) {
            last_ = state;
            unsent_ = true;
            return;
        }
        EmitProgress(state);
    }
    void Message(const std::string& kind, const std::string& sjis) override {
        Emit("message", "\"kind\":" + JsonString(kind) + ",\"text\":" + Json(sjis));
        if (kind != "information") TProgressView::Message(kind, sjis);
    }
    void Question(const std::string& sjis, const std::string& answer,
                  const std::string& by) override {
        Emit("question", "\"text\":" + Json(sjis) + ",\"answer\":" + JsonString(answer) +
                             ",\"by\":" + JsonString(by));
    }
    void Summary(const std::string& titleSjis, const std::vector<std::string>& linesSjis) override {
        std::string lines;
        for (const std::string& line : linesSjis) lines += (lines.empty() ? "" : ",") + Json(line);
        Emit("summary", "\"title\":" + Json(titleSjis) + ",\"lines\":[" + lines + "]");
    }
    void Prompt(const std::string& sjis) override {
        Emit("prompt", "\"text\":" + Json(sjis));
        TProgressView::Prompt(sjis);
    }
    void Fact(const std::string& event, const std::string& members) override {
        Emit(event, members);
    }
    void Result(int status, const std::string& sjis, const std::string& reason) override {
        Emit("result", "\"status\":" + std::to_string(status) + ",\"text\":" + Json(sjis) +
                           (reason.empty() ? std::string() : ",\"reason\":" + JsonString(reason)));
        if (status != 0) WriteErr(text_.FromSjis(sjis) + "\n" + ReasonLine(reason));
    }

private:
    static std::string Json(const std::string& sjis) { return JsonString(SjisToUtf8(sjis)); }
    // A count, or null while it is not shown.
    static std::string Count(long long value) { return value < 0 ? "null" : std::to_string(value); }
    void EmitProgress(const TProgressState& state) {
        lastPercent_ = state.Percent;
        lastEmit_ = Clock::now();
        unsent_ = false;
        Emit("progress", "\"phase\":" + Json(state.Phase) + ",\"done\":" + Count(state.Done) +
                             ",\"total\":" + Count(state.Total) +
                             ",\"percent\":" + std::to_string(state.Percent) +
                             ",\"rate\":" + std::to_string(std::llround(RateOf(state, 0.0))));
    }
    void Emit(const std::string& event, const std::string& members) {
        std::string line = "{\"event\":" + JsonString(event);
        if (!Address().empty()) line += ",\"address\":" + JsonString(Address());
        if (!members.empty()) line += "," + members;
        line += "}\n";
        WriteOut(line);
    }

    int lastPercent_ = -1;
    bool unsent_ = false;
    TProgressState last_;
    Clock::time_point lastEmit_{};
};

}  // namespace

TProgressView::TProgressView(const TTerminalText& text, std::FILE* out, std::FILE* err)
    : text_(text), out_(out), err_(err) {}

void TProgressView::Write(std::FILE* stream, const std::string& terminalText) {
    if (output_) {
        output_->Write(address_, stream, terminalText);
        return;
    }
    std::fwrite(terminalText.data(), 1, terminalText.size(), stream);
    std::fflush(stream);
}

void TProgressView::WriteErr(const std::string& terminalText) { Write(err_, terminalText); }

void TProgressView::WriteOut(const std::string& terminalText) { Write(out_, terminalText); }

int TerminalColumns(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
    return 80;
}

std::string BarLine(const TTerminalText& text, const TProgressState& state, bool moving,
                    int columns) {
    std::string line = text.FromSjis(state.Phase);
    if (moving && (state.Done >= 0 || state.Percent > 0)) {
        std::string numbers = " " + std::to_string(state.Percent) + "%";
        if (state.Done >= 0) {
            numbers += "  " + GroupedCount(state.Done);
            if (state.Total > 0) numbers += " / " + GroupedCount(state.Total);
            numbers += " bytes";
        }
        double rate = RateOf(state);
        if (rate > 0) {
            numbers += "  " + RateText(rate);
            if (state.Total > state.Done) {
                numbers += "  " +
                           DurationText(static_cast<double>(state.Total - state.Done) / rate) +
                           " left";
            }
        }
        // The bar takes what the line leaves beside the widest numbers, between 10 and 40
        // cells, so that it keeps its length while the numbers change.
        constexpr int kNumbersWidth = 64;
        int used = static_cast<int>(state.Phase.size()) + 3 + kNumbersWidth;
        int cells = std::clamp(columns - used, 10, 40);
        int filled = std::clamp(state.Percent, 0, 100) * cells / 100;
        line += " [" + std::string(static_cast<std::size_t>(filled), '#') +
                std::string(static_cast<std::size_t>(cells - filled), '.') + "]" + numbers;
    }
    return line;
}

void TProgressView::PhaseChanged(const TProgressState&) {}
void TProgressView::ProgressChanged(const TProgressState&) {}

void TProgressView::Message(const std::string& kind, const std::string& sjis) {
    EndLine();
    std::string text = text_.FromSjis(sjis) + "\n";
    if (kind == "information") {
        WriteOut(text);
    } else {
        WriteErr(text);
    }
}

void TProgressView::Question(const std::string&, const std::string&, const std::string&) {}

void TProgressView::Summary(const std::string& titleSjis,
                            const std::vector<std::string>& linesSjis) {
    EndLine();
    std::string text = text_.FromSjis(titleSjis) + "\n";
    for (const std::string& line : linesSjis) text += "  " + text_.FromSjis(line) + "\n";
    WriteErr(text);
}

void TProgressView::Prompt(const std::string& sjis) {
    EndLine();
    WriteErr(">>> " + text_.FromSjis(sjis) + "\n");
}

void TProgressView::Note(const std::string& utf8) {
    EndLine();
    WriteErr("tivra-cli: " + text_.FromUtf8(utf8) + "\n");
}

void TProgressView::Fact(const std::string&, const std::string&) {}

void TProgressView::Result(int status, const std::string& sjis, const std::string& reason) {
    EndLine();
    std::string text = text_.FromSjis(sjis) + "\n";
    if (status == 0) {
        WriteOut(text);
    } else {
        WriteErr(text + ReasonLine(reason));
    }
}

std::string TProgressView::ReasonLine(const std::string& reason) const {
    return reason.empty() ? std::string() : "tivra-cli: " + text_.FromUtf8(reason) + "\n";
}

std::unique_ptr<TProgressView> MakeProgressView(TProgressView::Kind kind, const TTerminalText& text,
                                                std::FILE* out, std::FILE* err) {
    switch (kind) {
        case TProgressView::Kind::Json:
            return std::make_unique<TJsonView>(text, out, err);
        case TProgressView::Kind::Bar:
            return std::make_unique<TBarView>(text, out, err);
        case TProgressView::Kind::Lines:
            break;
    }
    return std::make_unique<TLinesView>(text, out, err);
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static const char* const hex = "0123456789abcdef";
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : "";
            if (c != '\n' && c != '\r' && c != '\t') {
                out += "\\u00";
                out += hex[u >> 4];
                out += hex[u & 15];
            }
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string GroupedCount(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return value < 0 ? "-" + out : out;
}

std::string RateText(double bytesPerSecond) {
    char buffer[32];
    if (bytesPerSecond >= 1e6) {
        std::snprintf(buffer, sizeof(buffer), "%.1f MB/s", bytesPerSecond / 1e6);
    } else if (bytesPerSecond >= 1e3) {
        std::snprintf(buffer, sizeof(buffer), "%.0f kB/s", bytesPerSecond / 1e3);
    } else {
        std::snprintf(buffer, sizeof(buffer), "%.0f B/s", bytesPerSecond);
    }
    return buffer;
}

std::string DurationText(double seconds) {
    long long whole = std::llround(std::max(0.0, seconds));
    char buffer[32];
    if (whole >= 3600) {
        std::snprintf(buffer, sizeof(buffer), "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(buffer, sizeof(buffer), "%lld:%02lld", whole / 60, whole % 60);
    }
    return buffer;
}
