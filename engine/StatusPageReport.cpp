// The phases' texts and the status page's adapter.
#include "StatusPageReport.h"

#include "CountFormat.h"
#include "EngineStrings.h"

namespace {

struct TPhaseEntry {
    const char* text;
    const char* name;
};

// In the order of TPhase.
constexpr TPhaseEntry kPhases[] = {
    {EngineStrings::Connecting, "connecting"},       {EngineStrings::Preparing, "preparing"},
    {EngineStrings::Prepared, "prepared"},           {EngineStrings::Communicating, "communicating"},
    {EngineStrings::Examining, "examining"},         {EngineStrings::Sending, "sending"},
    {EngineStrings::Erasing, "erasing"},             {EngineStrings::Writing, "writing"},
    {EngineStrings::Reading, "reading"},             {EngineStrings::CreatingFile, "creating-file"},
    {EngineStrings::Finished, "finished"},           {EngineStrings::ErrorOccurred, "failed"},
    {EngineStrings::Cancelled, "cancelled"},
};

}  // namespace

const char* PhaseText(TPhase phase) { return kPhases[static_cast<int>(phase)].text; }
const char* PhaseName(TPhase phase) { return kPhases[static_cast<int>(phase)].name; }

const char* PromptText(TPrompt) { return EngineStrings::PowerOn; }

void TStatusPageReport::Phase(TPhase phase) { label_.SetText(EngineText(PhaseText(phase))); }
void TStatusPageReport::Total(double bytes) { total_.SetText(FormatCount(bytes)); }
void TStatusPageReport::Done(double bytes) { proceed_.SetText(FormatCount(bytes)); }
void TStatusPageReport::Percent(int percent) { gauge_.SetProgress(percent); }
void TStatusPageReport::GaugeShown() {
    if (!gauge_.Visible()) gauge_.SetVisible(true);
}
void TStatusPageReport::Prompt(TPrompt prompt) { label_.SetText(EngineText(PromptText(prompt))); }
void TStatusPageReport::OtherPhase(const std::string& sjis) { label_.SetText(sjis); }

void TReportPair::Phase(TPhase phase) {
    Both([phase](TOperationReport& r) { r.Phase(phase); });
}
void TReportPair::Total(double bytes) {
    Both([bytes](TOperationReport& r) { r.Total(bytes); });
}
void TReportPair::Done(double bytes) {
    Both([bytes](TOperationReport& r) { r.Done(bytes); });
}
void TReportPair::Percent(int percent) {
    Both([percent](TOperationReport& r) { r.Percent(percent); });
}
void TReportPair::GaugeShown() {
    Both([](TOperationReport& r) { r.GaugeShown(); });
}
void TReportPair::Prompt(TPrompt prompt) {
    Both([prompt](TOperationReport& r) { r.Prompt(prompt); });
}
void TReportPair::OtherPhase(const std::string& sjis) {
    Both([&sjis](TOperationReport& r) { r.OtherPhase(sjis); });
}
