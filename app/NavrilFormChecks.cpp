// TNAVRILForm: the check that Next runs on a parameter page, the overwrite question of the
// download pages, and the browse buttons with their file dialogs.
#include <QComboBox>

#include "AppStrings.h"
#include "FileSystem.h"
#include "FirmwareFileCheck.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "Utils.h"
#include "WidgetText.h"

namespace {

bool PortSet(const QComboBox& combo) { return combo.currentIndex() >= 0; }

bool Exists(const QString& fileName) { return FileExists(NativePath(fileName)); }

}  // namespace

// An address is four decimal parts from 0 to 255: anything else (also a padded part that the
// system's parser would read as octal, reaching another access point) stays on the page.
bool IsDecimalAddress(const QString& typed) { return !NormalizeIPAddress(Sjis(typed)).empty(); }

namespace {

}  // namespace

// True when the page's values pass; otherwise its message has been shown (or the overwrite
// question answered No) and the page stays.
bool TNAVRILForm::CheckParameterPage(OperationKind kind) {
    TFormWidgets& w = *w_;
    const char* refusal = nullptr;
    switch (kind) {
        case OperationKind::UploadNet: {
            const auto& page = w.uploadNet;
            if (!IsDecimalAddress(page.UploadIPEdit->text()) ||
                !Exists(page.UploadNetFileNameEdit->text()) ||
                page.UploadNetUserEdit->text().isEmpty()) {
                refusal = AppStrings::UploadNetInvalid;
                break;
            }
            return CheckUploadFile(page.UploadNetFileNameEdit->text());
        }
        case OperationKind::DownloadNet: {
            const auto& page = w.downloadNet;
            if (!IsDecimalAddress(page.DownloadIPEdit->text()) ||
                page.DownloadNetFileNameEdit->text().isEmpty() ||
                page.DownloadNetUserEdit->text().isEmpty()) {
                refusal = AppStrings::DownloadNetInvalid;
                break;
            }
            return ConfirmOverwrite(page.DownloadNetFileNameEdit->text());
        }
        case OperationKind::UploadSerial: {
            const auto& page = w.uploadSerial;
            if (!PortSet(*page.UploadComCombo) || !Exists(page.UploadSerialFileNameEdit->text())) {
                refusal = AppStrings::UploadSerialInvalid;
                break;
            }
            return CheckUploadFile(page.UploadSerialFileNameEdit->text());
        }
        case OperationKind::DownloadSerial: {
            const auto& page = w.downloadSerial;
            if (!PortSet(*page.DownloadComCombo) ||
                page.DownloadSerialFileNameEdit->text().isEmpty()) {
                refusal = AppStrings::DownloadSerialInvalid;
                break;
            }
            return ConfirmOverwrite(page.DownloadSerialFileNameEdit->text());
        }
        case OperationKind::SetMacAddress:
            if (!PortSet(*w.setMacAddress.MACSetupComCombo)) {
                refusal = AppStrings::SetMacAddressInvalid;
            }
            break;
        case OperationKind::UpdateBios:
            if (!PortSet(*w.updateBios.UpBIOSComCombo) ||
                !Exists(w.updateBios.UPBiosFileNameEdit->text())) {
                refusal = AppStrings::UpdateBiosInvalid;
            }
            break;
        case OperationKind::MacFilter:
            break;
    }
    if (refusal) dialogs_.Error(AppText(refusal));
    return refusal == nullptr;
}

bool TNAVRILForm::CheckUploadFile(const QString& fileName) {
    if (IsValidFirmwareFile(NativePath(fileName))) return true;
    dialogs_.Error(AppText(AppStrings::InvalidFileSize));
    return false;
}

// A download target that exists is overwritten only after Yes.
bool TNAVRILForm::ConfirmOverwrite(const QString& fileName) {
    if (!Exists(fileName)) return true;
    return dialogs_.YesNo(AppText(AppStrings::ConfirmOverwrite)) == TDialogs::Answer::Yes;
}

// Opens the page's file dialog with the page's file name; a confirmed choice replaces it.
void TNAVRILForm::BrowseFile(QLineEdit& field, bool save, const char* title, const char* filter) {
    TDialogs::FileDialogRequest request;
    if (title) request.title = AppText(title);
    request.filter = AppText(filter);
    request.initialName = NativePath(field.text());
    std::string chosen;
    bool confirmed = save ? dialogs_.SaveFile(request, chosen) : dialogs_.OpenFile(request, chosen);
    if (confirmed) field.setText(FromNativePath(chosen));
}
