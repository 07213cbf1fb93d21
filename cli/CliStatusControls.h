// The progress of a command-line run: the operation's typed report, kept as the progress
// view's state and handed to the view at every change. It installs itself as the data
// module's listener for its lifetime; the four status controls the operation is given are
// plain ones nobody reads (the wizard's status page is not drawn here). The power-on request,
// which the wizard shows as the status line, is also handed to the view as a prompt for the
// person at the access point.
#pragma once

#include <string>

#include "NavrilDataModule.h"
#include "ProgressView.h"
#include "StatusControls.h"
#include "StatusPageReport.h"

class TCliStatusControls : public TOperationReport {
public:
    TCliStatusControls(TProgressView& view, TnavrilDataModule& module);
    ~TCliStatusControls() override;
    TCliStatusControls(const TCliStatusControls&) = delete;
    TCliStatusControls& operator=(const TCliStatusControls&) = delete;

    // The controls to hand the operation.
    TEditControl& TotalSizeEdit() { return total_; }
    TEditControl& ProceedSizeEdit() { return proceed_; }
    TGaugeControl& Gauge() { return gauge_; }
    TLabelControl& StatusLabel() { return label_; }

    const TProgressState& State() const { return state_; }

    void Phase(TPhase phase) override;
    void Total(double bytes) override;
    void Done(double bytes) override;
    void Percent(int percent) override;
    void Prompt(TPrompt prompt) override;
    void OtherPhase(const std::string& sjis) override;

private:
    void NewPhase(const std::string& sjis, const char* id, bool final);

    TProgressView& view_;
    TnavrilDataModule& module_;
    TProgressState state_;
    TPlainText total_;
    TPlainText proceed_;
    TPlainGauge gauge_;
    TPlainText label_;
};
