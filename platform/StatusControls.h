// The status controls that every operation writes: TotalSizeEdit, ProceedSizeEdit, Gauge and
// StatusLabel. Operations see them through these small interfaces; the wizard passes adapters
// around its widgets, tests and command-line front ends pass the plain ones below. Text is
// Shift_JIS.
#pragma once

#include <string>

class TTextControl {
public:
    virtual ~TTextControl() = default;
    virtual void SetText(const std::string& text) = 0;
    virtual std::string Text() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() const = 0;
};

// A read-only edit showing a byte count, and the one-line status label.
using TEditControl = TTextControl;
using TLabelControl = TTextControl;

// A percentage gauge, 0 to 100.
class TGaugeControl {
public:
    virtual ~TGaugeControl() = default;
    virtual void SetProgress(int percent) = 0;
    virtual int Progress() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() const = 0;
};

// Controls that only remember their state.
class TPlainText : public TTextControl {
public:
    void SetText(const std::string& text) override { text_ = text; }
    std::string Text() const override { return text_; }
    void SetVisible(bool visible) override { visible_ = visible; }
    bool Visible() const override { return visible_; }

private:
    std::string text_;
    bool visible_ = true;
};

class TPlainGauge : public TGaugeControl {
public:
    void SetProgress(int percent) override { progress_ = percent; }
    int Progress() const override { return progress_; }
    void SetVisible(bool visible) override { visible_ = visible; }
    bool Visible() const override { return visible_; }

private:
    int progress_ = 0;
    bool visible_ = true;
};
