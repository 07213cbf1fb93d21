// Adapters that let the operations write the status page's widgets through the status control
// interfaces: TotalSizeEdit and ProceedSizeEdit (QLineEdit), StatusLabel (QLabel) and Gauge
// (QProgressBar). Text arrives as Shift_JIS and is converted here.
#pragma once

#include "StatusControls.h"

class QLabel;
class QLineEdit;
class QProgressBar;

class TQtEditControl : public TEditControl {
public:
    explicit TQtEditControl(QLineEdit& edit) : edit_(edit) {}
    void SetText(const std::string& text) override;
    std::string Text() const override;
    void SetVisible(bool visible) override;
    bool Visible() const override;

private:
    QLineEdit& edit_;
};

class TQtLabelControl : public TLabelControl {
public:
    explicit TQtLabelControl(QLabel& label) : label_(label) {}
    void SetText(const std::string& text) override;
    std::string Text() const override;
    void SetVisible(bool visible) override;
    bool Visible() const override;

private:
    QLabel& label_;
};

// Positions outside 0 to 100 are held at the nearest end.
class TQtGaugeControl : public TGaugeControl {
public:
    explicit TQtGaugeControl(QProgressBar& bar) : bar_(bar) {}
    void SetProgress(int percent) override;
    int Progress() const override;
    void SetVisible(bool visible) override;
    bool Visible() const override;

private:
    QProgressBar& bar_;
};
