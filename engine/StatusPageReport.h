// The wizard's status page as a report of typed progress (TStatusPageReport), the pairing of
// the page with a front end's listener, and the phases' texts.
#pragma once

#include "OperationReport.h"
#include "StatusControls.h"

// The status line of a phase or a prompt (UTF-8, as in the engine's text table).
const char* PhaseText(TPhase phase);
const char* PromptText(TPrompt prompt);
// The phase's name for programs ("writing").
const char* PhaseName(TPhase phase);

// The status page: the four controls, written as the wizard has always shown them.
class TStatusPageReport : public TOperationReport {
public:
    TStatusPageReport(TEditControl& totalSizeEdit, TEditControl& proceedSizeEdit,
                      TGaugeControl& gauge, TLabelControl& statusLabel)
        : total_(totalSizeEdit), proceed_(proceedSizeEdit), gauge_(gauge), label_(statusLabel) {}

    void Phase(TPhase phase) override;
    void Total(double bytes) override;
    void Done(double bytes) override;
    void Percent(int percent) override;
    void GaugeShown() override;
    void Prompt(TPrompt prompt) override;
    void OtherPhase(const std::string& sjis) override;

private:
    TEditControl& total_;
    TEditControl& proceed_;
    TGaugeControl& gauge_;
    TLabelControl& label_;
};

// Hands every event to the status page and, when there is one, to a front end's listener.
class TReportPair : public TOperationReport {
public:
    TReportPair(TOperationReport& page, TOperationReport* listener)
        : page_(page), listener_(listener) {}

    void Phase(TPhase phase) override;
    void Total(double bytes) override;
    void Done(double bytes) override;
    void Percent(int percent) override;
    void GaugeShown() override;
    void Prompt(TPrompt prompt) override;
    void OtherPhase(const std::string& sjis) override;
    // Only the listener hears of the result: the page shows the final phase.
    void Result(OperationResult result, const std::string& cause) override {
        if (listener_) listener_->Result(result, cause);
    }

private:
    template <typename TEvent>
    void Both(TEvent event) {
        event(page_);
        if (listener_) event(*listener_);
    }
    TOperationReport& page_;
    TOperationReport* listener_;
};
