// TNAVRILForm: the wizard's main window. A picture panel, a page container whose tabs never
// show (the first page's choice of operation, one parameter page per operation, the
// confirmation and status pages, and the MAC address filter pages) and the row of Back, Next
// and Cancel buttons that drives the page sequence. The confirmation page hands the chosen
// operation to the operations data module and shows its result.
//
// The form's code is split by job: construction and start-up (NavrilForm.cpp), page
// navigation and button states (NavrilFormNavigation.cpp), page checks and browse buttons
// (NavrilFormChecks.cpp), operation titles and the confirmation text (NavrilFormConfirm.cpp),
// execution and results (NavrilFormExecution.cpp), closing (NavrilFormClosing.cpp), pictures
// (NavrilFormPictures.cpp) and the MAC address filter pages (NavrilFormMaf.cpp).
#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "MafList.h"
#include "OperationKind.h"
#include "OperationRequest.h"

class QCloseEvent;
class QLineEdit;
class QRadioButton;
class TMafFetch;
class TOperationRunner;
class TQtEditControl;
class TQtGaugeControl;
class TQtLabelControl;
struct TFormWidgets;

class TNAVRILForm : public QWidget {
    Q_OBJECT

public:
    // programFolder ends in "/": logo.jpg and image.jpg are looked for there.
    TNAVRILForm(TDialogs& dialogs, const std::string& programFolder, QWidget* parent = nullptr);
    ~TNAVRILForm() override;

    // The operations the confirmation page runs; without one every operation ends as an error.
    // While a running serial operation may still be abandoned, the runner enables the Cancel
    // button, which then abandons it.
    void SetOperationRunner(TOperationRunner* runner);

    // Title of the operation being prepared (Shift_JIS): set on entering a parameter page,
    // heads the confirmation text, copied to the status page when the operation starts.
    std::string OperationTitle;

    QWidget* ActivePage() const;
    // Makes a page active (showing or hiding the status page's size fields); the button states
    // and the focus are the caller's.
    void SetActivePage(QWidget* page);
    // Makes the page active as a Next or Back press would end: button states, then the focus.
    void ShowPage(QWidget* page);
    OperationKind CheckedOperation() const;

    void NextButtonClick();
    void BackButtonClick();
    void CancelButtonClick();
    // The Cancel button while an operation runs: usable (captioned "cancel") or not.
    void SetOperationCancelable(bool cancelable);

    // MAC address filter: true while the entry row holds an existing entry being modified.
    bool MAFModifing = false;
    void SetMAFModifing(bool modifying);
    // The filter list of the editor (Shift_JIS entries, what the list box shows).
    const TMafEntries& MafEntries() const { return mafEntries_; }
    // The filter fetch with its HTTP component and wait.
    TMafFetch& MafFetch();
    // The pause between the update request and the file stream of the filter write-back.
    int MafWriteBackPauseMs = 2000;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct TOperationEntry {
        OperationKind kind;
        QRadioButton* radio;
        QWidget* page;      // the parameter page
        const char* title;  // OperationTitle on entering the page
    };

    // Construction (NavrilForm.cpp).
    void CreatePages();
    void BuildOperationTable();
    void ConnectButtons();
    void MoveButtonsToEndOfTabChain();
    void PlaceWindow();
    void StartUp();
    void SetVersionLabel();

    // Navigation (NavrilFormNavigation.cpp).
    const TOperationEntry& EntryFor(OperationKind kind) const;
    const TOperationEntry* ParameterEntryOf(const QWidget* page) const;
    void SetButtonStates(QWidget* page);
    void FocusActivePage();
    void TrackFocus(QWidget* now);
    QWidget* PageOf(QWidget* widget) const;
    void PageEnter(QWidget* page);
    void PageExit(QWidget* page);

    // Page checks and browse buttons (NavrilFormChecks.cpp).
    bool CheckParameterPage(OperationKind kind);
    // The parameter page's values as the operation's request.
    TOperationRequest PageRequest(OperationKind kind) const;
    void BrowseFile(QLineEdit& field, bool save, const char* title, const char* filter);

    // Confirmation text (NavrilFormConfirm.cpp).
    void RebuildConfirmation(OperationKind kind);

    // Execution (NavrilFormExecution.cpp).
    void ExecuteOperation();
    bool RequiredFileExists(OperationKind kind);
    void EnterStatusPage();
    // The result; when the operation raised an error instead, the message to show.
    int RunOperation(OperationKind kind, std::optional<std::string>& raised);
    // The final message box of an operation; an error box carries the cause as its detail.
    void ShowResult(OperationKind kind, int result, const std::string& cause = {});

    // Pictures (NavrilFormPictures.cpp).
    void LoadPictures();

    // MAC address filter pages (NavrilFormMaf.cpp).
    void ConnectMafPages();
    void MAFConnectSettingSheetEnter();
    void FetchFilterList();
    bool FetchMafList(const std::string& address, const std::string& userName,
                      const std::string& password, std::vector<std::string>& lines);
    void SetMafText(const std::vector<std::string>& lines);
    bool ApplyMafList();
    void MAFSettingSheet2Enter();
    void ShowMafEntries();
    void SelectMafEntry(int index);
    void ClearButtonClick();
    void Panel22Exit();
    void AppendModifyButtonClick();
    void MAFListDblClick();
    void EditButtonClick();
    void DeleteButtonClick();
    void DeleteAllButtonClick();
    void SearchButtonClick();
    void ReadFileButtonClick();
    void WriteFileButtonClick();

    TDialogs& dialogs_;
    std::string programFolder_;
    TOperationRunner* runner_ = nullptr;
    std::unique_ptr<TFormWidgets> w_;
    std::vector<TOperationEntry> operations_;
    std::unique_ptr<TQtEditControl> totalSizeControl_;
    std::unique_ptr<TQtEditControl> proceedSizeControl_;
    std::unique_ptr<TQtGaugeControl> gaugeControl_;
    std::unique_ptr<TQtLabelControl> statusLabelControl_;
    QWidget* focusPage_ = nullptr;  // the page that holds the focus, for its enter/exit steps
    QMetaObject::Connection focusConnection_;
    QMetaObject::Connection panelFocusConnection_;
    std::unique_ptr<TMafFetch> mafFetch_;
    TMafEntries mafEntries_;
    std::vector<std::string> mafText_;  // the filter text that MAFMemo shows
    bool operationRunning_ = false;
};
