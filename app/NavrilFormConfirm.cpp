// TNAVRILForm: the confirmation text, rebuilt from a parameter page's values whenever the focus
// leaves that page: the request's summary lines, file names as the file system has them.
#include <QStringList>

#include "AppStrings.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "WidgetText.h"

void TNAVRILForm::RebuildConfirmation(OperationKind kind) {
    if (kind == OperationKind::MacFilter) return;
    TFormWidgets& w = *w_;
    QStringList lines;
    for (const TSummaryLine& line : SummaryLines(PageRequest(kind))) {
        lines << UiText(line.Caption) +
                     (line.IsFileName ? FromNativePath(line.Value) : FromSjis(line.Value));
    }
    const bool serial = kind != OperationKind::UploadNet && kind != OperationKind::DownloadNet;
    w.confirm.ConfirmLabel->setText(FromSjis(OperationTitle) + UiText(AppStrings::ConfirmSuffix));
    w.confirm.ConfirmMemo->setPlainText(lines.join(u'\n'));
    w.confirm.PowerOffGuideLabel->setVisible(serial);
}
