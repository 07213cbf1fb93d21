// TNAVRILForm: the check that Next runs on a parameter page (the request's own check, with
// its message and the overwrite question of the download pages), and the browse buttons.
#include <QLineEdit>

#include "AppStrings.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"
#include "Utils.h"
#include "WidgetText.h"


// True when the page's values pass; otherwise its message has been shown (or the overwrite
// question answered No) and the page stays.
bool TNAVRILForm::CheckParameterPage(OperationKind kind) {
    const TRequestCheck check = CheckRequest(PageRequest(kind));
    if (check.Refusal) {
        dialogs_.Error(AppText(check.Refusal));
        return false;
    }
    // A download target that exists is overwritten only after Yes.
    return !check.AskOverwrite ||
           dialogs_.YesNo(AppText(AppStrings::ConfirmOverwrite)) == TDialogs::Answer::Yes;
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
