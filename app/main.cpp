// The program TIVRA: sets up the application, creates the four long-lived objects in their
// order (the main window TNAVRILForm, the operations data module TnavrilDataModule, the serial
// data module TDmod and the hidden setup dialog TDlg8019Setup) and runs the message loop until
// the main window has closed. With "--screenshots DIR" it saves a picture of every page instead
// and ends.
#include <QApplication>
#include <QTimer>

#include "DataModuleRunner.h"
#include "Dlg8019Setup.h"
#include "Dmod.h"
#include "FileSystem.h"
#include "HttpGetThread.h"
#include "MainThread.h"
#include "NavrilDataModule.h"
#include "NavrilForm.h"
#include "QtDialogs.h"
#include "QtHooks.h"
#include "ScreenshotTour.h"
#include "WizardFont.h"
#include "kemcmprs.h"

namespace {

// KEMCMPRS is linked at load time: the program imports KemCompress by name and never calls it.
// Reading this pointer keeps the import in the executable.
decltype(&KemCompress) volatile kemCompressImport = &KemCompress;

}  // namespace

int main(int argc, char* argv[]) {
    SetMainThread();
    if (kemCompressImport == nullptr) return 1;
    QApplication app(argc, argv);
    QApplication::setFont(WizardFont());
    InstallQtHooks();
    int status = 0;
    {
        TQtDialogs dialogs;
        TNAVRILForm form(dialogs, ProgramFolder());
        TnavrilDataModule dataModule(dialogs);
        TDataModuleRunner runner(dataModule);
        form.SetOperationRunner(&runner);
        TDmod dmod;
        dataModule.Dmod = &dmod;
        // Hidden until the MAC address setting shows it; its settings file lives in the
        // user's configuration folder.
        TDlg8019Setup setup(dmod.rs232c1);
        dataModule.Dlg8019Setup = &setup;
        form.show();

        QString screenshots = ScreenshotFolder(QApplication::arguments());
        if (!screenshots.isEmpty()) {
            QTimer::singleShot(500, &form,
                               [&] { QApplication::exit(RunScreenshotTour(form, screenshots)); });
        }
        status = QApplication::exec();
    }
    // The data module is gone, which cancelled any HTTP request still running; let its worker
    // end before the program's static objects are torn down.
    WaitForHTTPGetThreads(5000);
    RemoveQtHooks();
    return status;
}
