// The screenshot tour over the wizard's pages.
#include "ScreenshotTour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "NavrilForm.h"

namespace {

class TTour {
public:
    TTour(TNAVRILForm& form, const QString& folder) : form_(form), folder_(folder) {}

    void Check(const char* radioName) {
        if (auto* radio = form_.findChild<QRadioButton*>(radioName)) radio->setChecked(true);
    }
    void Type(const char* editName, const QString& text) {
        if (auto* edit = form_.findChild<QLineEdit*>(editName)) edit->setText(text);
    }
    void Choose(const char* comboName, int index) {
        if (auto* combo = form_.findChild<QComboBox*>(comboName)) combo->setCurrentIndex(index);
    }
    void Show(const char* pageName) {
        if (QWidget* page = form_.findChild<QWidget*>(pageName)) form_.ShowPage(page);
    }
    // Draws the window as it is now into the next numbered file.
    void Snap(const QString& name) { SnapWidget(form_, name); }
    // Presses a browse button and draws the file dialog it opens, then cancels the dialog.
    void SnapDialog(const char* buttonName, const QString& name) {
        auto* button = form_.findChild<QAbstractButton*>(buttonName);
        auto seen = std::make_shared<bool>(false);
        QTimer::singleShot(kDialogSettleMs, &form_, [this, name, seen] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            *seen = true;
            SnapWidget(*dialog, name);
            dialog->reject();
        });
        if (button) button->click();
        if (!*seen) failed_ = true;
    }
    bool Failed() const { return failed_; }

private:
    // Time a file dialog gets to list its folder before it is drawn.
    static constexpr int kDialogSettleMs = 700;

    void SnapWidget(QWidget& widget, const QString& name) {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        QString file =
            QStringLiteral("%1/%2-%3.png").arg(folder_).arg(++count_, 2, 10, QChar('0')).arg(name);
        if (!widget.grab().save(file, "PNG")) failed_ = true;
    }

    TNAVRILForm& form_;
    QString folder_;
    int count_ = 0;
    bool failed_ = false;
};

struct TParameterPage {
    const char* radio;
    const char* page;
};

const TParameterPage kParameterPages[] = {
    {"UploadNetRadio", "UploadNetConfSheet"},
    {"DownloadNetRadio", "DownloadNetConfSheet"},
    {"UploadSerialRadio", "UploadSerialConfSheet"},
    {"DownloadSerialRadio", "DownloadSerialConfSheet"},
    {"SetMacAddressRadio", "SetMacAddressConfSheet"},
    {"UpdateBIOSRadio", "UpdateBIOSConfSheet"},
    {"MAFRadio", "MAFConnectSettingSheet"},
};

}  // namespace

int RunScreenshotTour(TNAVRILForm& form, const QString& folder) {
    if (!QDir().mkpath(folder)) return 1;
    TTour tour(form, folder);
    tour.Snap(QStringLiteral("TopSheet"));
    for (const TParameterPage& entry : kParameterPages) {
        tour.Check(entry.radio);
        tour.Show(entry.page);
        tour.Snap(QString::fromLatin1(entry.page));
    }
    tour.Show("MAFSettingSheet2");
    tour.Snap(QStringLiteral("MAFSettingSheet2"));

    tour.Check("UploadNetRadio");
    tour.Type("UploadIPEdit", QStringLiteral("192.168.0.1"));
    tour.Type("UploadNetPasswordEdit", QStringLiteral("secret"));
    tour.Type("UploadNetFileNameEdit", QStringLiteral("/tmp/firmware.bin"));
    tour.Show("UploadNetConfSheet");
    tour.Show("ConfirmSheet");
    tour.Snap(QStringLiteral("ConfirmSheet-network"));

    tour.Check("UploadSerialRadio");
    tour.Choose("UploadComCombo", 0);
    tour.Type("UploadSerialFileNameEdit", QStringLiteral("/tmp/firmware.bin"));
    tour.Show("UploadSerialConfSheet");
    tour.Show("ConfirmSheet");
    tour.Snap(QStringLiteral("ConfirmSheet-serial"));

    tour.Show("StatusSheet");
    tour.Snap(QStringLiteral("StatusSheet"));

    // The serial page with a port chosen shows the device the item reaches.
    tour.Show("UploadSerialConfSheet");
    tour.Snap(QStringLiteral("UploadSerialConfSheet-COM1"));

    // The open and save dialogs, in the program's language.
    const QString sample = QDir::homePath() + QStringLiteral("/firmware.bin");
    tour.Type("UploadNetFileNameEdit", sample);
    tour.Show("UploadNetConfSheet");
    tour.SnapDialog("UploadNetRefButton", QStringLiteral("OpenDialog"));
    tour.Check("DownloadNetRadio");
    tour.Type("DownloadNetFileNameEdit", sample);
    tour.Show("DownloadNetConfSheet");
    tour.SnapDialog("DownloadNetRefButton", QStringLiteral("SaveDialog"));

    tour.Check("UploadNetRadio");
    tour.Show("TopSheet");
    return tour.Failed() ? 1 : 0;
}

QString ScreenshotFolder(const QStringList& arguments) {
    int option = arguments.indexOf(QStringLiteral("--screenshots"));
    if (option >= 0 && option + 1 < arguments.size()) return arguments[option + 1];
    return qEnvironmentVariable("TIVRA_SCREENSHOTS");
}
