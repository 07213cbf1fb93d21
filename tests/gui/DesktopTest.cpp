// The wizard at home on a Linux desktop: Qt's own dialog texts in Japanese, and the serial
// pages naming the device each COM item reaches.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>

#include "ComPortHints.h"
#include "FormFixture.h"
#include "QtJapanese.h"
#include "SerialPortList.h"

TEST(QtJapanese, FileDialogButtonsAreJapanese) {
    ASSERT_TRUE(InstallQtJapanese());
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("開く(&O)"));
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Save)->text(), QStringLiteral("保存(&S)"));
}

class ComPortHintTest : public TFormTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories(config.Path("tivra"));
        config.Write("tivra/serial-ports.conf", "COM2=/dev/ttyUSB9\n");
        setenv("XDG_CONFIG_HOME", config.Path("").c_str(), 1);
        setenv("TIVRA_COM1", "/tmp/adapter", 1);
        setenv("TIVRA_COM3", "/dev/ttyS7", 1);
        unsetenv("TIVRA_COM4");
        TFormTest::SetUp();
        AttachComPortHints(form.get());
    }
    void TearDown() override {
        TFormTest::TearDown();
        for (const char* name : {"XDG_CONFIG_HOME", "TIVRA_COM1", "TIVRA_COM3"}) unsetenv(name);
    }
    TempDir config;
};

TEST_F(ComPortHintTest, EachItemAndTheChosenOneNameTheirDevice) {
    GoToParameterPage(OperationKind::UploadSerial);
    auto* combo = Find<QComboBox>("UploadComCombo");
    auto* label = Find<QLabel>("UploadComComboDeviceHint");
    const std::vector<TSerialPortInfo> present = ListSerialPorts();
    const QString fourth = present.empty()
                               ? QStringLiteral("COM4 に当たるシリアルポートはありません")
                               : "COM4: " + QString::fromStdString(DescribeSerialPort(present[0]));
    QStringList hints;
    for (int i = 0; i < combo->count(); ++i)
        hints << combo->itemData(i, Qt::ToolTipRole).toString();
    EXPECT_EQ(hints, (QStringList{"COM1: /tmp/adapter", "COM2: /dev/ttyUSB9", "COM3: /dev/ttyS7",
                                  fourth}));
    EXPECT_EQ(label->text(), QString());  // nothing chosen yet

    Choose("UploadComCombo", 0);
    EXPECT_EQ(label->text(), QStringLiteral("/tmp/adapter"));
    EXPECT_EQ(combo->accessibleDescription(), QStringLiteral("COM1: /tmp/adapter"));

    // A change on the machine shows when the page appears again.
    setenv("TIVRA_COM1", "/dev/ttyACM3", 1);
    GoToParameterPage(OperationKind::SetMacAddress);
    GoToParameterPage(OperationKind::UploadSerial);
    EXPECT_EQ(label->text(), QStringLiteral("/dev/ttyACM3"));
    for (const char* name :
         {"DownloadComComboDeviceHint", "MACSetupComComboDeviceHint", "UpBIOSComComboDeviceHint"})
        EXPECT_NE(form->findChild<QLabel*>(name), nullptr) << name;
}
