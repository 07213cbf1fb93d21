// The fixture of the window tests: a real TNAVRILForm, shown and active on the offscreen
// platform, with scripted dialogs, a recording operation runner and a temporary program folder
// (removed after the test). Helpers press buttons, fill pages and read the window's state.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QtTest/QTest>
#include <memory>

#include "Cp932.h"
#include "NavrilForm.h"
#include "QtPrinters.h"
#include "RecordingRunner.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"

struct TOperationPages {
    OperationKind kind;
    const char* radio;
    const char* page;
};

// Operations in the order of OperationKind, with their radio buttons and parameter pages.
inline const TOperationPages kOperations[] = {
    {OperationKind::UploadNet, "UploadNetRadio", "UploadNetConfSheet"},
    {OperationKind::DownloadNet, "DownloadNetRadio", "DownloadNetConfSheet"},
    {OperationKind::UploadSerial, "UploadSerialRadio", "UploadSerialConfSheet"},
    {OperationKind::DownloadSerial, "DownloadSerialRadio", "DownloadSerialConfSheet"},
    {OperationKind::SetMacAddress, "SetMacAddressRadio", "SetMacAddressConfSheet"},
    {OperationKind::UpdateBios, "UpdateBIOSRadio", "UpdateBIOSConfSheet"},
    {OperationKind::MacFilter, "MAFRadio", "MAFConnectSettingSheet"},
};

inline const TOperationPages& Operation(OperationKind kind) {
    return kOperations[static_cast<int>(kind) - 1];
}

class TFormTest : public ::testing::Test {
public:
    void SetUp() override { Open(); }

    void TearDown() override {
        EXPECT_EQ(dialogs.UnusedAnswers(), 0u) << "a planned answer was never asked for";
        form.reset();
    }

    // Creates the window on the temporary program folder (again, after files were put there).
    void Open() {
        form.reset();
        form = std::make_unique<TNAVRILForm>(dialogs, dir.Path(""));
        form->SetOperationRunner(&runner);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), 5000));
    }

    template <class T = QWidget>
    T* Find(const char* name) const {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << "no widget " << name;
        return widget;
    }

    QString Page() const { return form->ActivePage()->objectName(); }
    void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    void Next() { Click("NextButton"); }
    void Back() { Click("BackButton"); }
    void Type(const char* name, const QString& text) { Find<QLineEdit>(name)->setText(text); }
    void Choose(const char* name, int index) { Find<QComboBox>(name)->setCurrentIndex(index); }
    QString Text(const char* name) const;
    QString Memo() const { return Find<QPlainTextEdit>("ConfirmMemo")->toPlainText(); }
    std::string Title() const { return SjisToUtf8(form->OperationTitle); }

    // From the first page, checks the operation's choice and presses Next.
    void GoToParameterPage(OperationKind kind) {
        form->ShowPage(Find("TopSheet"));
        Find<QRadioButton>(Operation(kind).radio)->setChecked(true);
        Next();
    }
    // Fills the operation's page with values that pass its check.
    void FillValid(OperationKind kind);
    // Fills the page and goes on to the confirmation page.
    void GoToConfirmation(OperationKind kind) {
        GoToParameterPage(kind);
        FillValid(kind);
        Next();
        ASSERT_EQ(Page(), "ConfirmSheet");
    }

    std::string Firmware(const char* name = "fw.bin") { return dir.Write(name, "firmware image"); }
    QString Q(const std::string& text) const { return QString::fromStdString(text); }

    // Expected state of the three buttons.
    void ExpectButtons(bool back, bool next, const char* nextCaption, bool cancel,
                       const char* cancelCaption) const;

    TempDir dir;
    TScriptedDialogs dialogs;
    TRecordingRunner runner;
    std::unique_ptr<TNAVRILForm> form;
};

inline QString TFormTest::Text(const char* name) const {
    QWidget* widget = Find(name);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    return widget->property("text").toString();
}

inline void TFormTest::FillValid(OperationKind kind) {
    switch (kind) {
        case OperationKind::UploadNet:
            Type("UploadIPEdit", "192.168.0.1");
            Type("UploadNetFileNameEdit", Q(Firmware()));
            break;
        case OperationKind::DownloadNet:
            Type("DownloadIPEdit", "192.168.0.1");
            Type("DownloadNetFileNameEdit", Q(dir.Path("out.bin")));
            break;
        case OperationKind::UploadSerial:
            Choose("UploadComCombo", 1);
            Type("UploadSerialFileNameEdit", Q(Firmware()));
            break;
        case OperationKind::DownloadSerial:
            Choose("DownloadComCombo", 1);
            Type("DownloadSerialFileNameEdit", Q(dir.Path("out.bin")));
            break;
        case OperationKind::SetMacAddress:
            Choose("MACSetupComCombo", 1);
            break;
        case OperationKind::UpdateBios:
            Choose("UpBIOSComCombo", 1);
            Type("UPBiosFileNameEdit", Q(dir.Write("bios.brm", "bios")));
            break;
        case OperationKind::MacFilter:
            Type("MAFIPEdit", "192.168.0.1");
            break;
    }
}

inline void TFormTest::ExpectButtons(bool back, bool next, const char* nextCaption, bool cancel,
                                     const char* cancelCaption) const {
    auto* backButton = Find<QAbstractButton>("BackButton");
    auto* nextButton = Find<QAbstractButton>("NextButton");
    auto* cancelButton = Find<QAbstractButton>("CancelButton");
    EXPECT_EQ(backButton->isEnabled(), back);
    EXPECT_EQ(backButton->text(), "< 戻る(&B)");
    EXPECT_EQ(nextButton->isEnabled(), next);
    EXPECT_EQ(nextButton->text(), nextCaption);
    EXPECT_EQ(cancelButton->isEnabled(), cancel);
    EXPECT_EQ(cancelButton->text(), cancelCaption);
}
