// TNAVRILForm: construction of the frame and its pages, and the start-up steps.
#include "NavrilForm.h"

#include <QApplication>
#include <QScreen>

#include "AppStrings.h"
#include "FileSystem.h"
#include "MafTransfer.h"
#include "NavrilFormWidgets.h"
#include "StatusAdapters.h"
#include "Utils.h"
#include "WidgetText.h"
#include "WizardFont.h"

namespace {

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 290;

// Creates one page from its form description and adds it to the page container.
template <class TUi>
QWidget* AddPage(QStackedWidget& pageControl, TUi& ui) {
    auto* page = new QWidget(&pageControl);
    ui.setupUi(page);
    pageControl.addWidget(page);
    return page;
}

}  // namespace

TNAVRILForm::TNAVRILForm(TDialogs& dialogs, const std::string& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      programFolder_(programFolder),
      w_(std::make_unique<TFormWidgets>()) {
    w_->frame.setupUi(this);
    setWindowTitle(UiText(AppStrings::AppTitle));
    setFont(WizardFont());
    CreatePages();
    BuildOperationTable();
    ConnectButtons();
    ConnectMafPages();
    MoveButtonsToEndOfTabChain();
    totalSizeControl_ = std::make_unique<TQtEditControl>(*w_->status.TotalSizeEdit);
    proceedSizeControl_ = std::make_unique<TQtEditControl>(*w_->status.ProceedSizeEdit);
    gaugeControl_ = std::make_unique<TQtGaugeControl>(*w_->status.Gauge);
    statusLabelControl_ = std::make_unique<TQtLabelControl>(*w_->status.StatusLabel);
    PlaceWindow();
    StartUp();
}

// The focus moves once more while QWidget's destructor closes the window, after the pages are
// gone: stop following it first.
TNAVRILForm::~TNAVRILForm() {
    disconnect(focusConnection_);
    disconnect(panelFocusConnection_);
}

void TNAVRILForm::CreatePages() {
    QStackedWidget& pages = *w_->frame.PageControl;
    w_->TopSheet = AddPage(pages, w_->top);
    w_->UploadNetConfSheet = AddPage(pages, w_->uploadNet);
    w_->DownloadNetConfSheet = AddPage(pages, w_->downloadNet);
    w_->UploadSerialConfSheet = AddPage(pages, w_->uploadSerial);
    w_->DownloadSerialConfSheet = AddPage(pages, w_->downloadSerial);
    w_->SetMacAddressConfSheet = AddPage(pages, w_->setMacAddress);
    w_->UpdateBIOSConfSheet = AddPage(pages, w_->updateBios);
    w_->ConfirmSheet = AddPage(pages, w_->confirm);
    w_->StatusSheet = AddPage(pages, w_->status);
    w_->MAFConnectSettingSheet = AddPage(pages, w_->mafConnect);
    w_->MAFSettingSheet2 = AddPage(pages, w_->mafSetting2);
    w_->MAFSettingSheet1 = AddPage(pages, w_->mafSetting1);
    // The navy gauge of the status page.
    QPalette gaugePalette = w_->status.Gauge->palette();
    gaugePalette.setColor(QPalette::Highlight, QColor(0, 0, 128));
    w_->status.Gauge->setPalette(gaugePalette);
}

void TNAVRILForm::BuildOperationTable() {
    TFormWidgets& w = *w_;
    operations_ = {
        {OperationKind::UploadNet, w.top.UploadNetRadio, w.UploadNetConfSheet,
         AppStrings::UploadNetTitle},
        {OperationKind::DownloadNet, w.top.DownloadNetRadio, w.DownloadNetConfSheet,
         AppStrings::DownloadNetTitle},
        {OperationKind::UploadSerial, w.top.UploadSerialRadio, w.UploadSerialConfSheet,
         AppStrings::UploadSerialTitle},
        {OperationKind::DownloadSerial, w.top.DownloadSerialRadio, w.DownloadSerialConfSheet,
         AppStrings::DownloadSerialTitle},
        {OperationKind::SetMacAddress, w.top.SetMacAddressRadio, w.SetMacAddressConfSheet,
         AppStrings::SetMacAddressTitle},
        {OperationKind::UpdateBios, w.top.UpdateBIOSRadio, w.UpdateBIOSConfSheet,
         AppStrings::UpdateBiosTitle},
        {OperationKind::MacFilter, w.top.MAFRadio, w.MAFConnectSettingSheet, AppStrings::MafTitle},
    };
}

void TNAVRILForm::ConnectButtons() {
    TFormWidgets& w = *w_;
    connect(w.frame.NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
    connect(w.frame.BackButton, &QPushButton::clicked, this, [this] { BackButtonClick(); });
    connect(w.frame.CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });

    auto browse = [this](QPushButton* button, QLineEdit* field, bool save, const char* title,
                         const char* filter) {
        connect(button, &QPushButton::clicked, this,
                [=] { BrowseFile(*field, save, title, filter); });
    };
    browse(w.uploadNet.UploadNetRefButton, w.uploadNet.UploadNetFileNameEdit, false,
           AppStrings::FirmwareDialogTitle, AppStrings::FirmwareFilter);
    browse(w.uploadSerial.UploadSerialRefButton, w.uploadSerial.UploadSerialFileNameEdit, false,
           AppStrings::FirmwareDialogTitle, AppStrings::FirmwareFilter);
    browse(w.downloadNet.DownloadNetRefButton, w.downloadNet.DownloadNetFileNameEdit, true, nullptr,
           AppStrings::FirmwareFilter);
    browse(w.downloadSerial.DownloadSerialRefButton, w.downloadSerial.DownloadSerialFileNameEdit,
           true, nullptr, AppStrings::FirmwareFilter);
    browse(w.updateBios.UpBIOSRefButton, w.updateBios.UPBiosFileNameEdit, false,
           AppStrings::BiosDialogTitle, AppStrings::BiosFilter);

    focusConnection_ = connect(qApp, &QApplication::focusChanged, this,
                               [this](QWidget*, QWidget* now) { TrackFocus(now); });
}

// The pages are created after the button row; Tab must reach the buttons after the fields of
// the page shown, so the three buttons move to the end of the focus chain.
void TNAVRILForm::MoveButtonsToEndOfTabChain() {
    QWidget* last = nullptr;
    for (QWidget* widget = nextInFocusChain(); widget != this;
         widget = widget->nextInFocusChain()) {
        if (w_->frame.PageControl->isAncestorOf(widget)) last = widget;
    }
    if (!last) return;
    setTabOrder(last, w_->frame.BackButton);
    setTabOrder(w_->frame.BackButton, w_->frame.NextButton);
    setTabOrder(w_->frame.NextButton, w_->frame.CancelButton);
}

// Fixed client area, centred on the desktop.
void TNAVRILForm::PlaceWindow() {
    setFixedSize(kClientWidth, kClientHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

void TNAVRILForm::StartUp() {
    LoadPictures();
    // Operations 2, 5 and 6 keep their pages but are never offered.
    TFormWidgets& w = *w_;
    const std::initializer_list<QWidget*> unoffered = {w.top.DownloadNetRadio,
                                                       w.top.SetMacAddressRadio,
                                                       w.top.UpdateBIOSRadio, w.top.TopSeparator2};
    for (QWidget* hidden : unoffered) {
        hidden->hide();
    }
    SetActivePage(w.TopSheet);
    SetButtonStates(w.TopSheet);
    SetVersionLabel();
    FocusActivePage();
}

void TNAVRILForm::SetVersionLabel() {
    std::string version = GetFileVersionText(ProgramFilePath());
    w_->top.VersionLabel->setText(UiText(AppStrings::VersionPrefix) +
                                  QString::fromStdString(version) +
                                  UiText(AppStrings::VersionSuffix));
}
