// Status controls that feed the progress view.
#include "CliStatusControls.h"

#include <cctype>

#include "EngineStrings.h"

TCliStatusControls::TCliStatusControls(TProgressView& view)
    : view_(view),
      total_([this](const std::string& text) {
          state_.Total = CountFromText(text);
          view_.ProgressChanged(state_);
      }),
      proceed_([this](const std::string& text) {
          state_.Done = CountFromText(text);
          view_.ProgressChanged(state_);
      }),
      gauge_([this](int percent) {
          state_.Percent = percent;
          view_.ProgressChanged(state_);
      }),
      label_([this](const std::string& text) { LabelChanged(text); }) {}

void TCliStatusControls::LabelChanged(const std::string& text) {
    if (text == state_.Phase) return;
    state_.Phase = text;
    state_.PhaseStart = std::chrono::steady_clock::now();
    state_.Final = text == EngineText(EngineStrings::Finished) ||
                   text == EngineText(EngineStrings::ErrorOccurred) ||
                   text == EngineText(EngineStrings::Cancelled);
    view_.PhaseChanged(state_);
    // The wizard asks for the power to be switched on through its status line while the loader
    // already waits for the boot code; here it is a request in its own right.
    if (text == EngineText(EngineStrings::PowerOn)) view_.Prompt(text);
}

long long CountFromText(const std::string& text) {
    long long value = -1;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) continue;
        value = (value < 0 ? 0 : value * 10) + (c - '0');
    }
    return value;
}
