// The window as it starts: the choices offered, the buttons, the fields' initial values, the
// font, the names screen readers announce, the Tab order, and keys that must press nothing.
#include <QAccessible>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>

#include "FormFixture.h"

namespace {

using TStartState = TFormTest;

TEST_F(TStartState, OffersFourChoicesWithTheFirstCheckedAndBackDisabled) {
    EXPECT_EQ(Page(), "TopSheet");
    EXPECT_EQ(form->windowTitle(), "TIVRA for Windows");
    EXPECT_EQ(form->minimumSize(), QSize(520, 290));
    EXPECT_EQ(form->maximumSize(), QSize(520, 290));
    for (const char* shown : {"UploadNetRadio", "UploadSerialRadio", "DownloadSerialRadio",
                              "MAFRadio", "TopSeparator1"}) {
        EXPECT_TRUE(Find(shown)->isVisible()) << shown;
    }
    for (const char* hidden :
         {"DownloadNetRadio", "SetMacAddressRadio", "UpdateBIOSRadio", "TopSeparator2"}) {
        EXPECT_FALSE(Find(hidden)->isVisible()) << hidden;
    }
    EXPECT_TRUE(Find<QRadioButton>("UploadNetRadio")->isChecked());
    EXPECT_EQ(Text("MAFRadio"), "MACアドレスフィルタ設定");
    EXPECT_EQ(Text("UploadNetRadio"), "ファームウェア アップロード(ネットワーク経由)");
    EXPECT_EQ(Text("VersionLabel"), QString("Version %1a").arg(TIVRA_VERSION_TEXT));
    ExpectButtons(false, true, "次へ(&N) >", true, "キャンセル");
    // The pages sit in a container that has no tabs at all.
    EXPECT_NE(Find<QStackedWidget>("PageControl"), nullptr);
}

TEST_F(TStartState, FieldsStartWithTheirValuesAndPasswordsShowStars) {
    for (const char* user : {"UploadNetUserEdit", "DownloadNetUserEdit", "MAFUserEdit"}) {
        EXPECT_EQ(Text(user), "root") << user;
    }
    for (const char* empty : {"UploadIPEdit", "UploadNetFileNameEdit", "DownloadIPEdit",
                              "UPBiosFileNameEdit", "MAFIPEdit"}) {
        EXPECT_EQ(Text(empty), "") << empty;
    }
    for (const char* password :
         {"UploadNetPasswordEdit", "DownloadNetPasswordEdit", "MAFPasswordEdit"}) {
        Type(password, "abcde");
        EXPECT_EQ(Find<QLineEdit>(password)->displayText(), "*****") << password;
    }
    for (const char* port :
         {"UploadComCombo", "DownloadComCombo", "MACSetupComCombo", "UpBIOSComCombo"}) {
        auto* combo = Find<QComboBox>(port);
        EXPECT_EQ(combo->currentIndex(), -1) << port;
        EXPECT_FALSE(combo->isEditable()) << port;
        ASSERT_EQ(combo->count(), 4) << port;
        EXPECT_EQ(combo->itemText(0), "COM1");
        EXPECT_EQ(combo->itemText(3), "COM4");
    }
    EXPECT_TRUE(Find<QRadioButton>("UploadNetKeepSettingKeep")->isChecked());
    EXPECT_EQ(Find<QWidget>("UploadNetKeepSettingRadio")->property("title").toString(),
              " [ ユーザ設定 ] ");
}

TEST_F(TStartState, TextsRenderInAJapaneseFontOfTwelvePixels) {
    QFont font = form->font();
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(font.families().value(0), "ＭＳ Ｐゴシック");
    // Without the Windows font installed, a Japanese IPA font stands in.
    EXPECT_TRUE(QFontInfo(font).family().startsWith("IPA"))
        << QFontInfo(font).family().toStdString();
}

// Every input is announced by its caption: a buddy label or an accessible name.
TEST_F(TStartState, EveryInputIsNamedForScreenReaders) {
    QList<QWidget*> inputs;
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
            qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QListWidget*>(widget)) {
            inputs << widget;
        }
    }
    ASSERT_GE(inputs.size(), 20);
    QList<QWidget*> buddies;
    for (QLabel* label : form->findChildren<QLabel*>()) buddies << label->buddy();
    for (QWidget* input : inputs) {
        EXPECT_TRUE(!input->accessibleName().isEmpty() || buddies.contains(input))
            << input->objectName().toStdString();
    }
    QAccessibleInterface* address = QAccessible::queryAccessibleInterface(Find("UploadIPEdit"));
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->text(QAccessible::Name), "IPアドレス");
}

// Tab walks the page's fields in their order, then Back, Next and Cancel, and wraps around.
TEST_F(TStartState, TabWalksThePageFieldsThenTheButtons) {
    GoToParameterPage(OperationKind::UploadNet);
    const char* order[] = {"UploadIPEdit",
                           "UploadNetUserEdit",
                           "UploadNetPasswordEdit",
                           "UploadNetFileNameEdit",
                           "UploadNetRefButton",
                           "UploadNetKeepSettingKeep",
                           "BackButton",
                           "NextButton",
                           "CancelButton",
                           "UploadIPEdit"};
    ASSERT_EQ(QApplication::focusWidget(), Find("UploadIPEdit"));
    for (size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget()->objectName(), order[i]) << "after " << order[i - 1];
    }
}

// None of the three buttons is a default or cancel button.
TEST_F(TStartState, EnterAndEscapePressNoButton) {
    GoToParameterPage(OperationKind::UploadNet);
    FillValid(OperationKind::UploadNet);
    for (const char* target : {"UploadIPEdit", "NextButton"}) {
        Find(target)->setFocus();
        QTest::keyClick(Find(target), Qt::Key_Return);
        QTest::keyClick(Find(target), Qt::Key_Enter);
        QTest::keyClick(Find(target), Qt::Key_Escape);
    }
    EXPECT_EQ(Page(), "UploadNetConfSheet");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(dialogs.History().empty());
    // The mnemonic of Next does press it (a button pressed by its mnemonic clicks a moment later).
    QTest::keyClick(Find("UploadIPEdit"), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page() == "ConfirmSheet"; }, 2000));
}

}  // namespace
