// TNAVRILForm: a parameter page's values as the operation's request, which the page check,
// the confirmation text and the execution all take.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "WidgetText.h"

namespace {

// The chosen port, or empty text when none is.
std::string Port(const QComboBox& combo) {
    return combo.currentIndex() >= 0 ? Sjis(combo.currentText()) : std::string();
}

}  // namespace

TOperationRequest TNAVRILForm::PageRequest(OperationKind kind) const {
    const TFormWidgets& w = *w_;
    TOperationRequest r;
    r.Kind = kind;
    switch (kind) {
        case OperationKind::UploadNet:
            r.Address = Sjis(w.uploadNet.UploadIPEdit->text());
            r.UserName = Sjis(w.uploadNet.UploadNetUserEdit->text());
            r.Password = Sjis(w.uploadNet.UploadNetPasswordEdit->text());
            r.FileName = NativePath(w.uploadNet.UploadNetFileNameEdit->text());
            r.KeepUserSetting = w.uploadNet.UploadNetKeepSettingKeep->isChecked();
            break;
        case OperationKind::DownloadNet:
            r.Address = Sjis(w.downloadNet.DownloadIPEdit->text());
            r.UserName = Sjis(w.downloadNet.DownloadNetUserEdit->text());
            r.Password = Sjis(w.downloadNet.DownloadNetPasswordEdit->text());
            r.FileName = NativePath(w.downloadNet.DownloadNetFileNameEdit->text());
            break;
        case OperationKind::UploadSerial:
            r.Port = Port(*w.uploadSerial.UploadComCombo);
            r.FileName = NativePath(w.uploadSerial.UploadSerialFileNameEdit->text());
            break;
        case OperationKind::DownloadSerial:
            r.Port = Port(*w.downloadSerial.DownloadComCombo);
            r.FileName = NativePath(w.downloadSerial.DownloadSerialFileNameEdit->text());
            break;
        case OperationKind::SetMacAddress:
            r.Port = Port(*w.setMacAddress.MACSetupComCombo);
            break;
        case OperationKind::UpdateBios:
            r.Port = Port(*w.updateBios.UpBIOSComCombo);
            r.FileName = NativePath(w.updateBios.UPBiosFileNameEdit->text());
            break;
        case OperationKind::MacFilter:
            r.Address = Sjis(w.mafConnect.MAFIPEdit->text());
            r.UserName = Sjis(w.mafConnect.MAFUserEdit->text());
            r.Password = Sjis(w.mafConnect.MAFPasswordEdit->text());
            break;
    }
    return r;
}
