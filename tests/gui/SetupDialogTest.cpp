// The Ethernet controller setup dialog and its address fields: what it shows, its two sizes,
// the checks on OK, Cancel without checks, and the fields' keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QtTest/QTest>
#include <vector>

#include "Cp932.h"
#include "Dlg8019Setup.h"
#include "Dmod.h"
#include "SerialEdit.h"
#include "TempDir.h"

namespace {

const char kNdis[] = "NDISドライバとの互換性のためには\"42\",\"57\"\rはMACアドレスに使用できません";
const char kBadChar[] = "不適切なキャラクタがMACアドレスに使用されています";

class TSetupDialogTest : public ::testing::Test {
protected:
    TSetupDialogTest() {
        dialog.ShowMessage = [this](QWidget*, const std::string& text) {
            messages.push_back(SjisToUtf8(text));
        };
    }
    void Show() {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, 5000));
    }
    template <class T = QWidget>
    T* Find(const char* name) {
        return dialog.findChild<T*>(QString::fromLatin1(name));
    }
    TSerialEdit* Field(int n) { return Find<TSerialEdit>(("EditMAC" + std::to_string(n)).c_str()); }
    void SetFields(const std::vector<QString>& texts) {
        for (int i = 0; i < 6; ++i) Field(i + 1)->setText(texts[i]);
    }
    QWidget* Focused() { return QApplication::focusWidget(); }

    TempDir dir;
    TDmod dmod;
    TDlg8019Setup dialog{dmod.rs232c1, TConfig8019Location{dir.Path("config"), dir.Path("")}};
    std::vector<std::string> messages;
};

TEST_F(TSetupDialogTest, ShowsTheRecordCollapsedAndExpandsOnRequest) {
    TConfig8019& config = dialog.Setup().Config;
    config.MACID = "02C0DE12AB3F";
    config.IOBase = 0x310;  // not in the list
    config.IRQ = 7;         // not in the list
    config.Connector = "10base5";
    config.FUDUP = true;
    dialog.Setup().Options.AutoInc = true;
    Show();
    std::vector<QString> shown;
    for (int n = 1; n <= 6; ++n) shown.push_back(Field(n)->text());
    EXPECT_EQ(shown, (std::vector<QString>{"02", "C0", "DE", "12", "AB", "3F"}));
    EXPECT_EQ(Find<QComboBox>("ComboBoxIOBase")->currentText(), "320");
    EXPECT_EQ(Find<QComboBox>("ComboBoxIRQ")->currentText(), "5");
    EXPECT_EQ(Find<QComboBox>("ComboBoxMedium")->currentIndex(), 2);
    EXPECT_TRUE(Find<QCheckBox>("CheckBoxDuplex")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("CheckBoxAutoInc")->isChecked());
    EXPECT_EQ(Focused(), Field(1));
    EXPECT_EQ(dialog.height(), 134);
    EXPECT_FALSE(Find("Panel1")->isVisible());
    QTest::mouseClick(Find<QPushButton>("ButtonAdvanced"), Qt::LeftButton);
    EXPECT_EQ(dialog.height(), 334);
    EXPECT_TRUE(Find("Panel1")->isVisible());
    EXPECT_FALSE(Find<QPushButton>("ButtonAdvanced")->isEnabled());
    dialog.reject();
    Show();  // every showing starts collapsed
    EXPECT_EQ(dialog.height(), 134);
    EXPECT_TRUE(Find<QPushButton>("ButtonAdvanced")->isEnabled());
    dialog.reject();
}

TEST_F(TSetupDialogTest, OkChecksTheAddressAndCollectsTheSettings) {
    struct Case {
        std::vector<QString> fields;
        bool ndis;
        const char* message;  // nullptr: accepted
        const char* macid;
    } cases[] = {
        {{"02", "C0", "DE", "42", "00", "01"}, true, kNdis, nullptr},
        {{"42", "C0", "DE", "00", "00", "57"}, true, kNdis, nullptr},
        {{"42", "C0", "DE", "00", "00", "01"}, true, nullptr, "42C0DE000001"},
        {{"02", "C0", "DE", "57", "42", "57"}, false, nullptr, "02C0DE574257"},
        {{"02", "c0", "de", "00", "7", "01"}, true, nullptr, "02C0DE000701"},
        {{"02", "C0", "", "00", "00", "01"}, true, kBadChar, nullptr},
    };
    for (const Case& c : cases) {
        messages.clear();
        Show();
        Find<QCheckBox>("CheckBoxNDIS")->setChecked(c.ndis);
        Find<QComboBox>("ComboBoxIRQ")->setCurrentText("11");
        Find<QComboBox>("ComboBoxMedium")->setCurrentIndex(3);
        SetFields(c.fields);
        dialog.accept();
        if (c.message) {
            EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.fields[3].toStdString();
            EXPECT_TRUE(dialog.isVisible());
            dialog.reject();  // Cancel is never refused
            EXPECT_FALSE(dialog.isVisible());
        } else {
            EXPECT_TRUE(messages.empty());
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(dialog.Setup().Config.MACID, c.macid);
            EXPECT_EQ(dialog.Setup().Config.IRQ, 11);
            EXPECT_EQ(dialog.Setup().Config.Connector, "10BASE2");
            EXPECT_EQ(dialog.Setup().Options.NDIS, c.ndis);
        }
    }
}

TEST_F(TSetupDialogTest, AddressFieldsFilterTypingAndMoveTheFocus) {
    Show();
    SetFields({"", "", "", "", "", ""});
    Field(1)->setFocus();
    QTest::keyClicks(Field(1), "g");  // not hexadecimal: dropped with a beep
    EXPECT_EQ(Field(1)->text(), "");
    QTest::keyClicks(Field(1), "a1");  // two digits move on
    EXPECT_EQ(Field(1)->text(), "a1");
    EXPECT_EQ(Focused(), Field(2));
    QTest::keyClick(Field(2), Qt::Key_Backspace);  // at position 0: back, nothing deleted
    EXPECT_EQ(Focused(), Field(1));
    EXPECT_EQ(Field(1)->text(), "a1");
    Field(1)->setCursorPosition(2);
    Field(1)->deselect();
    QTest::keyClick(Field(1), Qt::Key_Right);  // at the end: on to the next field
    EXPECT_EQ(Focused(), Field(2));
    QTest::keyClick(Field(2), Qt::Key_Left);
    EXPECT_EQ(Focused(), Field(1));
    QTest::keyClick(Field(1), Qt::Key_Return);  // moves on instead of pressing OK
    EXPECT_EQ(Focused(), Field(2));
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(Field(2), Qt::Key_Up);  // Up and Down are not used by the address fields
    EXPECT_EQ(Focused(), Field(2));
    Field(6)->setFocus();
    QTest::keyClicks(Field(6), "0F");
    EXPECT_EQ(Focused(), Find("CheckBoxAutoInc"));
    dialog.reject();
}

// Editing keys keep the edit's own handling whatever character the platform attaches to them:
// X11 gives Delete the character 0x7F, Backspace 0x08; a selection is replaced by typing.
TEST_F(TSetupDialogTest, EditingKeysEditTheAddressFields) {
    struct TEdit {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        int cursor;
        const char* after;
    } edits[] = {
        {Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)), 0, "B"},
        {Qt::Key_Delete, Qt::NoModifier, QString(), 1, "A"},
        {Qt::Key_Backspace, Qt::NoModifier, QString(QChar(0x08)), 2, "A"},
        {Qt::Key_End, Qt::ShiftModifier, QString(), 0, "AB"},            // selects for the next key
        {Qt::Key_X, Qt::ControlModifier, QString(QChar(0x18)), -1, ""},  // cut all
    };
    Show();
    for (const TEdit& edit : edits) {
        SCOPED_TRACE(edit.key);
        Field(3)->setText("AB");  // before the focus: a full field moves on when typed into
        Field(3)->setFocus();
        if (edit.cursor >= 0)
            Field(3)->setCursorPosition(edit.cursor);
        else
            Field(3)->selectAll();
        QKeyEvent press(QEvent::KeyPress, edit.key, edit.modifiers, edit.text);
        QApplication::sendEvent(Field(3), &press);
        EXPECT_EQ(Field(3)->text(), edit.after);
        EXPECT_EQ(Focused(), Field(3));
    }
    dialog.reject();
}

}  // namespace
