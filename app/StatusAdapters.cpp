// The status controls on Qt widgets. Visibility is the widget's own flag, so a control on a
// page that is not shown still reports what it was set to.
#include "StatusAdapters.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>

#include "Cp932.h"
#include "DiagnosticLog.h"

namespace {

QString FromSjis(const std::string& text) { return QString::fromStdString(SjisToUtf8(text)); }
std::string ToSjis(const QString& text) { return Utf8ToSjis(text.toStdString()); }

}  // namespace

void TQtEditControl::SetText(const std::string& text) { edit_.setText(FromSjis(text)); }
std::string TQtEditControl::Text() const { return ToSjis(edit_.text()); }
void TQtEditControl::SetVisible(bool visible) { edit_.setVisible(visible); }
bool TQtEditControl::Visible() const { return !edit_.isHidden(); }

void TQtLabelControl::SetText(const std::string& text) {
    label_.setText(FromSjis(text));
    LogLine("status", SjisToUtf8(text));  // the operation's phases, as the user reads them
}
std::string TQtLabelControl::Text() const { return ToSjis(label_.text()); }
void TQtLabelControl::SetVisible(bool visible) { label_.setVisible(visible); }
bool TQtLabelControl::Visible() const { return !label_.isHidden(); }

void TQtGaugeControl::SetProgress(int percent) {
    bar_.setValue(std::clamp(percent, bar_.minimum(), bar_.maximum()));
}
int TQtGaugeControl::Progress() const { return bar_.value(); }
void TQtGaugeControl::SetVisible(bool visible) { bar_.setVisible(visible); }
bool TQtGaugeControl::Visible() const { return !bar_.isHidden(); }
