// TNAVRILForm: the frame's part of the MAC address filter setting. Entering the connection
// page sets the operation title and puts the focus into the address; Next there checks the
// fields and fetches the filter list into the editor. The list editor's own behaviour and the
// transfer to and from the access point are added by the filter editor and filter transfer.
#include <QStringList>

#include "AppStrings.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "WidgetText.h"

void TNAVRILForm::MAFConnectSettingSheetEnter() {
    OperationTitle = AppText(AppStrings::MafTitle);
    w_->mafConnect.MAFIPEdit->setFocus(Qt::OtherFocusReason);
}

// Next on the connection page. A successful fetch replaces whatever the editor held.
void TNAVRILForm::FetchFilterList() {
    TFormWidgets& w = *w_;
    const auto& page = w.mafConnect;
    if (page.MAFIPEdit->text().isEmpty() || page.MAFUserEdit->text().isEmpty()) {
        dialogs_.Error(AppText(AppStrings::MafConnectInvalid));
        return;
    }
    std::vector<std::string> lines;
    if (!FetchMafList(Sjis(page.MAFIPEdit->text()), Sjis(page.MAFUserEdit->text()),
                      Sjis(page.MAFPasswordEdit->text()), lines)) {
        dialogs_.Error(AppText(AppStrings::ErrorOccurred));
        return;
    }
    QStringList text;
    for (const std::string& line : lines) text << FromSjis(line);
    w.mafSetting1.MAFMemo->setUpdatesEnabled(false);
    w.mafSetting1.MAFMemo->setPlainText(text.join(u'\n'));
    w.mafSetting1.MAFMemo->setUpdatesEnabled(true);
    SetActivePage(w.MAFSettingSheet2);
}

// Reads the filter list of the access point at address into lines. The filter transfer
// (the HTTP request to the access point's filter page) completes this; until then no list can
// be read and every fetch fails, so the editor is never entered with a list it did not get.
bool TNAVRILForm::FetchMafList(const std::string& /*address*/, const std::string& /*userName*/,
                               const std::string& /*password*/,
                               std::vector<std::string>& /*lines*/) {
    return false;
}

// Next ("設定") on the list editor: the filter transfer writes the list back to the access
// point here. Until then nothing is sent and the wizard stays on the editor. The result says
// whether the focus may move to the active page (not after a refused filter check).
bool TNAVRILForm::ApplyMafList() { return true; }
