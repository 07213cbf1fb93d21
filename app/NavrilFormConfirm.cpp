// TNAVRILForm: the confirmation text, rebuilt from a parameter page's values whenever the focus
// leaves that page. Network uploads show the tidied address, downloads the address as typed;
// passwords show one "*" per Shift_JIS byte.
#include <QStringList>

#include "AppStrings.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "Utils.h"
#include "WidgetText.h"

namespace {

QString Line(const char* caption, const QString& value) { return UiText(caption) + value; }

QString TidiedAddress(const QString& typed) { return FromSjis(NormalizeIPAddress(Sjis(typed))); }

QString Masked(const QString& password) { return FromSjis(MaskText(Sjis(password))); }

}  // namespace

void TNAVRILForm::RebuildConfirmation(OperationKind kind) {
    using namespace AppStrings;
    TFormWidgets& w = *w_;
    QStringList lines;
    bool serial = true;
    switch (kind) {
        case OperationKind::UploadNet: {
            const auto& page = w.uploadNet;
            lines << Line(AddressLine, TidiedAddress(page.UploadIPEdit->text()))
                  << Line(UserLine, page.UploadNetUserEdit->text())
                  << Line(PasswordLine, Masked(page.UploadNetPasswordEdit->text()))
                  << Line(FirmwareFileLine, page.UploadNetFileNameEdit->text())
                  << Line(KeepSettingLine,
                          UiText(page.UploadNetKeepSettingKeep->isChecked() ? KeepSetting
                                                                            : DiscardSetting));
            serial = false;
            break;
        }
        case OperationKind::DownloadNet: {
            const auto& page = w.downloadNet;
            lines << Line(AddressLine, page.DownloadIPEdit->text())
                  << Line(UserLine, page.DownloadNetUserEdit->text())
                  << Line(PasswordLine, Masked(page.DownloadNetPasswordEdit->text()))
                  << Line(FirmwareFileLine, page.DownloadNetFileNameEdit->text());
            serial = false;
            break;
        }
        case OperationKind::UploadSerial:
            lines << Line(PortLine, w.uploadSerial.UploadComCombo->currentText())
                  << Line(FirmwareFileLine, w.uploadSerial.UploadSerialFileNameEdit->text());
            break;
        case OperationKind::DownloadSerial:
            lines << Line(PortLine, w.downloadSerial.DownloadComCombo->currentText())
                  << Line(FirmwareFileLine, w.downloadSerial.DownloadSerialFileNameEdit->text());
            break;
        case OperationKind::SetMacAddress:
            lines << Line(PortLine, w.setMacAddress.MACSetupComCombo->currentText());
            break;
        case OperationKind::UpdateBios:
            lines << Line(PortLine, w.updateBios.UpBIOSComCombo->currentText())
                  << Line(BiosFileLine, w.updateBios.UPBiosFileNameEdit->text());
            break;
        case OperationKind::MacFilter:
            return;
    }
    w.confirm.ConfirmLabel->setText(FromSjis(OperationTitle) + UiText(ConfirmSuffix));
    w.confirm.ConfirmMemo->setPlainText(lines.join(u'\n'));
    w.confirm.PowerOffGuideLabel->setVisible(serial);
}
