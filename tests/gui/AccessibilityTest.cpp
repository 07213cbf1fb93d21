// What screen readers and accessibility-based tools see and what a user without a mouse can do:
// every input field and list of every page and dialog is named by its caption through Qt's
// accessibility interface, and every page can be filled in and passed with the keyboard alone.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>

#include "Comm8019Dlg.h"
#include "Dlg8019Setup.h"
#include "Dmod.h"
#include "FormFixture.h"
#include "SerialEdit.h"

namespace {

// The inputs and lists of a window (not the parts inside a drop-down list or a list).
QList<QWidget*> Inputs(QWidget* window) {
    QList<QWidget*> inputs;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        bool input = qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
                     qobject_cast<QPlainTextEdit*>(widget) ||
                     qobject_cast<QAbstractItemView*>(widget) ||
                     qobject_cast<QAbstractSpinBox*>(widget) || qobject_cast<QCheckBox*>(widget) ||
                     qobject_cast<QRadioButton*>(widget);
        for (QWidget* up = widget->parentWidget(); input && up != window; up = up->parentWidget())
            input = !qobject_cast<QComboBox*>(up) && !qobject_cast<QAbstractItemView*>(up);
        if (input) inputs << widget;
    }
    return inputs;
}

// The caption a field shows: its label's text, or a button's own, without mnemonic and colon.
QString Caption(QWidget* input) {
    QString text;
    for (QLabel* label : input->window()->findChildren<QLabel*>())
        if (label->buddy() == input) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(input)) text = button->text();
    static const QRegularExpression kMnemonic("\\(&.\\)|&|\\s*:\\s*$");
    return text.remove(kMnemonic).trimmed();
}

// Each input that is announced without its caption: its accessible name is empty, or neither
// the name nor the label it is related to (Qt names a drop-down list on Linux by its current
// item and relates it to its label) begins with the caption.
std::vector<std::string> Misnamed(QWidget* window) {
    std::vector<std::string> misnamed;
    const QList<QWidget*> inputs = Inputs(window);
    EXPECT_FALSE(inputs.isEmpty());
    for (QWidget* input : inputs) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(input);
        const QString name = accessible ? accessible->text(QAccessible::Name) : QString();
        QStringList said{name};
        for (const auto& [label, relation] : accessible->relations(QAccessible::Label))
            said << label->text(QAccessible::Name);
        const QString caption = Caption(input);
        const bool captioned = std::any_of(said.begin(), said.end(), [&](const QString& text) {
            return text.startsWith(caption);
        });
        if (name.trimmed().isEmpty() || !captioned)
            misnamed.push_back(input->objectName().toStdString() + " '" + name.toStdString() + "'");
    }
    return misnamed;
}

using TAccessibility = TFormTest;

TEST_F(TAccessibility, EveryInputOfEveryPageAndDialogIsNamedByItsCaption) {
    GoToConfirmation(OperationKind::UploadNet);  // its memo is named by the summary's heading
    EXPECT_EQ(Misnamed(form.get()), std::vector<std::string>{});
    TDmod dmod;
    TDlg8019Setup setup(dmod.rs232c1, TConfig8019Location{dir.Path("config"), dir.Path("")});
    EXPECT_EQ(Misnamed(&setup), std::vector<std::string>{});
    TComm8019Dlg transfer(dmod.rs232c1);
    EXPECT_EQ(Inputs(&transfer).size(), 0) << "the transfer dialog shows only progress";
}

// Sends keys to whatever has the focus: text is typed, "\t" is Tab and "↓" is Down.
void Keys(const QString& keys) {
    for (QChar c : keys) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (c == '\t')
            QTest::keyClick(focus, Qt::Key_Tab);
        else if (c == QChar(0x2193))
            QTest::keyClick(focus, Qt::Key_Down);
        else
            QTest::keyClick(focus, c.toLatin1());
    }
}

// Tabs to the named control (a round at most) and presses it with Space.
void Press(QWidget* target) {
    for (int i = 0; i < 40 && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), target) << target->objectName().toStdString();
    QTest::keyClick(target, Qt::Key_Space);
}

TEST_F(TAccessibility, EveryPageIsCompletedWithTheKeyboardAlone) {
    const QString fw = Q(Firmware()), out = Q(dir.Path("out.bin"));
    const QString bios = Q(dir.Write("bios.brm", "bios"));
    struct TRun {
        OperationKind kind;
        int downs;  // Down presses on the first page; -1 for a choice it does not offer
        QString keys;
        const char* operation;
    };
    const TRun runs[] = {
        {OperationKind::UploadNet, 0, "192.168.0.1\t\tpw\t" + fw, "UploadFirmwareByNetwork"},
        {OperationKind::DownloadNet, -1, "192.168.0.1\t\tpw\t" + out, "DownloadFirmwareByNetwork"},
        {OperationKind::UploadSerial, 1, "↓\t" + fw, "UploadFirmwareBySerial"},
        {OperationKind::DownloadSerial, 2, "↓\t" + out, "DownloadFirmwareBySerial"},
        {OperationKind::SetMacAddress, -1, "↓", "SetMacAddressBySerial"},
        {OperationKind::UpdateBios, -1, "↓\t" + bios, "UpdateBiosBySerial"},
    };
    for (const TRun& run : runs) {
        SCOPED_TRACE(run.operation);
        Open();  // a window as the program starts it, the focus on the first choice
        ASSERT_EQ(QApplication::focusWidget(), Find("UploadNetRadio"));
        if (run.downs < 0)
            Find<QRadioButton>(Operation(run.kind).radio)->setChecked(true);
        else  // Down moves the check to the next choice offered
            Keys(QString(run.downs, QChar(0x2193)));
        EXPECT_TRUE(Find<QRadioButton>(Operation(run.kind).radio)->isChecked());
        Press(Find("NextButton"));
        ASSERT_EQ(Page(), Operation(run.kind).page);
        Keys(run.keys);
        Press(Find("NextButton"));
        ASSERT_EQ(Page(), "ConfirmSheet") << dialogs.Texts("error").size();
        runner.calls.clear();
        Press(Find("NextButton"));
        ASSERT_EQ(runner.calls.size(), 1u);
        EXPECT_EQ(runner.calls[0].operation, run.operation);
        dialogs.Clear();
    }
    Open();
    // The filter list's entry row: an address and a memo typed, the entry added from the keys.
    form->ShowPage(Find("MAFSettingSheet2"));
    Find("MAFAddressEdit1")->setFocus();
    Keys("001122\t334455\tprinter");
    Press(Find("AppendModifyButton"));
    ASSERT_EQ(Find<QListWidget>("MAFList")->count(), 1);
    EXPECT_EQ(Find<QListWidget>("MAFList")->item(0)->text(), "001122-334455 printer");
}

TEST_F(TAccessibility, TheSetupDialogIsCompletedWithTheKeyboardAlone) {
    TDmod dmod;
    TDlg8019Setup setup(dmod.rs232c1, TConfig8019Location{dir.Path("config"), dir.Path("")});
    setup.show();
    setup.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&setup, 5000));
    setup.findChild<TSerialEdit*>("EditMAC1")->setFocus();
    for (int i = 1; i <= 6; ++i)
        setup.findChild<TSerialEdit*>(QString("EditMAC%1").arg(i))->clear();
    Keys("02C0DE12AB3F");  // each field moves on by itself when full
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);   // the increment check box
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // OK is the default button
    EXPECT_EQ(setup.result(), QDialog::Accepted);
    EXPECT_FALSE(setup.isVisible());
    EXPECT_TRUE(setup.findChild<QCheckBox*>("CheckBoxAutoInc")->isChecked());
    EXPECT_EQ(setup.findChild<TSerialEdit*>("EditMAC6")->text(), "3F");
}

}  // namespace
