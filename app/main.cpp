// The program TIVRA: sets up the application, creates the four long-lived objects in their
// order (the main window TNAVRILForm, the operations data module TnavrilDataModule, the serial
// data module TDmod and the hidden setup dialog TDlg8019Setup) and runs the message loop until
// the main window has closed. With "--screenshots DIR" it saves a picture of every page instead
// and ends. Qt's own texts (file dialogs, standard buttons) are Japanese; the loader programs
// and pictures come from the program's data folder; "--log FILE" (or TIVRA_LOG) writes the
// diagnostic log.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "ComPortHints.h"
#include "ComPortMap.h"
#include "DataModuleRunner.h"
#include "DiagnosticLog.h"
#include "Dlg8019Setup.h"
#include "Dmod.h"
#include "FileSystem.h"
#include "HttpGetThread.h"
#include "MainThread.h"
#include "NavrilDataModule.h"
#include "NavrilForm.h"
#include "QtDialogs.h"
#include "QtHooks.h"
#include "QtJapanese.h"
#include "ScreenshotTour.h"
#include "UserFolders.h"
#include "Utils.h"
#include "WizardFont.h"
#include "kemcmprs.h"

namespace {

// KEMCMPRS is linked at load time: the program imports KemCompress by name and never calls it.
// Reading this pointer keeps the import in the executable.
decltype(&KemCompress) volatile kemCompressImport = &KemCompress;

// Starts the diagnostic log when asked for; a log that cannot be opened is said on stderr and
// the program runs without it.
void StartDiagnosticLog(int argc, char* argv[], const std::string& dataFolder) {
    const std::string path = DiagnosticLogRequest(argc, argv);
    if (path.empty()) return;
    if (!OpenDiagnosticLog(path)) {
        std::perror(("tivra: --log " + path).c_str());
        return;
    }
    LogLine("program", "TIVRA " + GetFileVersionText(ProgramFilePath()) + " " + ProgramFilePath());
    LogLine("program", "data folder " + dataFolder);
    // The serial ports present and where the four COM items lead at start.
    static const char* const kSources[] = {"variable", "settings", "present", "none"};
    const std::vector<TSerialPortInfo> present = ListSerialPorts();
    for (const TSerialPortInfo& port : present)
        LogLine("ports",
                "present " + DescribeSerialPort(port) + (port.ById.empty() ? "" : " " + port.ById));
    for (unsigned number = 1; number <= 4; ++number) {
        const TComPortMapping mapping = MapComPort(number, present);
        const std::string device = DescribeComMapping(mapping, present);
        LogLine("ports", "COM" + std::to_string(number) + " = " + device +
                             (device.empty() ? "(" : " (") +
                             kSources[static_cast<int>(mapping.Source)] + ")");
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    SetMainThread();
    if (kemCompressImport == nullptr) return 1;
    const std::string dataFolder = ProgramDataFolder();
    StartDiagnosticLog(argc, argv, dataFolder);
    QApplication app(argc, argv);
    QApplication::setFont(WizardFont());
    InstallQtJapanese();
    InstallQtHooks();
    int status = 0;
    {
        TQtDialogs dialogs;
        TNAVRILForm form(dialogs, dataFolder);
        AttachComPortHints(&form);
        TnavrilDataModule dataModule(dialogs);
        dataModule.LoaderFolder = dataFolder;
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
    LogLine("program", "end " + std::to_string(status));
    CloseDiagnosticLog();
    return status;
}
