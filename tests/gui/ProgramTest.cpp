// The built program: it imports KemCompress from libkemcmprs.so at load time, and it starts,
// creates its objects, walks its pages and ends cleanly (its screenshot run).
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include "QtPrinters.h"
#include "TempDir.h"

namespace {

const QString kProgram = QStringLiteral(TIVRA_BIN_DIR "/tivra");

QString RunTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    if (process.state() != QProcess::NotRunning) process.kill();
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(Program, ImportsKemCompressFromKemcmprsAtLoadTime) {
    QString dynamic = RunTool("readelf", {"-d", "-W", kProgram});
    EXPECT_TRUE(dynamic.contains(QRegularExpression(R"(\(NEEDED\).*\[libkemcmprs\.so\.1\])")))
        << dynamic.toStdString();
    QString symbols = RunTool("readelf", {"--dyn-syms", "-W", kProgram});
    EXPECT_TRUE(symbols.contains(QRegularExpression(R"(\bUND\s+KemCompress\b)")))
        << "KemCompress is not imported";
}

TEST(Program, ScreenshotRunSavesEveryPage) {
    TempDir dir;
    int exitCode = -1;
    RunTool(kProgram, {"--screenshots", QString::fromStdString(dir.Path("shots"))}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    QDir shots(QString::fromStdString(dir.Path("shots")));
    const QStringList files = shots.entryList({"*.png"}, QDir::Files, QDir::Name);
    EXPECT_EQ(files.size(), 15) << files.join(' ').toStdString();
    for (const char* page :
         {"TopSheet", "DownloadNetConfSheet", "SetMacAddressConfSheet", "UpdateBIOSConfSheet",
          "MAFConnectSettingSheet", "ConfirmSheet", "StatusSheet", "OpenDialog", "SaveDialog"}) {
        EXPECT_FALSE(files.filter(page).isEmpty()) << page;
    }
    for (const QString& file : files) {
        // The pages are the window; the file dialogs are windows of their own.
        const QSize size = QImage(shots.filePath(file)).size();
        if (file.contains("Dialog"))
            EXPECT_GT(size.width(), 300) << file.toStdString();
        else
            EXPECT_EQ(size, QSize(520, 290)) << file.toStdString();
    }
}

}  // namespace
