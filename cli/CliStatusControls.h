// The four status controls (TotalSizeEdit, ProceedSizeEdit, Gauge, StatusLabel) for a
// command-line run: each remembers its state like the plain controls and reports every change
// to the progress view, with the byte counts read back from the formatted text the operations
// write. The power-on request, which the wizard shows as the status line, is also handed to
// the view as a prompt for the person at the access point.
#pragma once

#include <functional>
#include <string>

#include "ProgressView.h"
#include "StatusControls.h"

class TCliStatusControls {
public:
    explicit TCliStatusControls(TProgressView& view);

    TEditControl& TotalSizeEdit() { return total_; }
    TEditControl& ProceedSizeEdit() { return proceed_; }
    TGaugeControl& Gauge() { return gauge_; }
    TLabelControl& StatusLabel() { return label_; }

    const TProgressState& State() const { return state_; }

private:
    // A text control that tells its owner about each new text.
    class TText : public TPlainText {
    public:
        explicit TText(std::function<void(const std::string&)> changed)
            : changed_(std::move(changed)) {}
        void SetText(const std::string& text) override {
            TPlainText::SetText(text);
            changed_(text);
        }

    private:
        std::function<void(const std::string&)> changed_;
    };
    class TGauge : public TPlainGauge {
    public:
        explicit TGauge(std::function<void(int)> changed) : changed_(std::move(changed)) {}
        void SetProgress(int percent) override {
            TPlainGauge::SetProgress(percent);
            changed_(percent);
        }

    private:
        std::function<void(int)> changed_;
    };

    void LabelChanged(const std::string& text);

    TProgressView& view_;
    TProgressState state_;
    TText total_;
    TText proceed_;
    TGauge gauge_;
    TText label_;
};

// The number in a count as the status page shows it ("      2,097,152", with the user's
// separator): its digits; -1 when it holds none.
long long CountFromText(const std::string& text);
