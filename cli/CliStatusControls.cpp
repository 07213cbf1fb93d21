// The typed report that feeds the progress view.
#include "CliStatusControls.h"

#include "EngineStrings.h"

TCliStatusControls::TCliStatusControls(TProgressView& view, TnavrilDataModule& module)
    : view_(view), module_(module) {
    module_.Listener = this;
}

TCliStatusControls::~TCliStatusControls() { module_.Listener = nullptr; }

void TCliStatusControls::NewPhase(const std::string& sjis, const char* id, bool final) {
    if (sjis == state_.Phase) return;
    state_.Phase = sjis;
    state_.PhaseId = id;
    state_.Final = final;
    state_.PhaseStart = std::chrono::steady_clock::now();
    view_.PhaseChanged(state_);
}

void TCliStatusControls::Phase(TPhase phase) {
    NewPhase(EngineText(PhaseText(phase)), PhaseName(phase), IsFinalPhase(phase));
}

void TCliStatusControls::Total(double bytes) {
    state_.Total = static_cast<long long>(bytes);
    view_.ProgressChanged(state_);
}

void TCliStatusControls::Done(double bytes) {
    state_.Done = static_cast<long long>(bytes);
    view_.ProgressChanged(state_);
}

void TCliStatusControls::Percent(int percent) {
    state_.Percent = percent;
    view_.ProgressChanged(state_);
}

void TCliStatusControls::Prompt(TPrompt prompt) {
    const std::string text = EngineText(PromptText(prompt));
    NewPhase(text, "power-on", false);
    view_.Prompt(text);
}

void TCliStatusControls::OtherPhase(const std::string& sjis) { NewPhase(sjis, "", false); }
