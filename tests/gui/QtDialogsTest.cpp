// The Qt dialogs: the filter conversion, the message boxes' titles, icons, buttons and
// answers, and the file dialogs' settings, checked on the real modal widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "Cp932.h"
#include "DialogFilter.h"
#include "QtDialogs.h"
#include "QtPrinters.h"
#include "TempDir.h"

namespace {

// Runs act on the modal window that the code under test opens next, while its exec() runs.
void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && !deadline.hasExpired()) return;
        timer->stop();
        timer->deleteLater();
        if (!modal) {
            ADD_FAILURE() << "no modal window appeared";
            return;
        }
        act(modal);
    });
    timer->start(10);
}

TEST(DialogFilter, PairsBecomeQtFiltersThatMatchWhatWindowsMatched) {
    EXPECT_EQ(ConvertDialogFilter("ファームウェアファイル(*.bin)|*.bin|すべてのファイル(*.*)|*.*"),
              (QStringList{"ファームウェアファイル(*.bin) (*.bin)", "すべてのファイル(*.*) (*)"}));
    EXPECT_EQ(ConvertDialogFilter("Pictures|*.jpg; *.png|Orphan"),
              (QStringList{"Pictures (*.jpg *.png)", "Orphan (*)"}));
    EXPECT_TRUE(ConvertDialogFilter("").isEmpty());
}

struct TBoxCase {
    const char* name;
    std::function<TDialogs::Answer(TQtDialogs&, const std::string&)> show;
    QMessageBox::Icon icon;
    const char* title;
    QStringList captions;  // in order; the first is the default button
    const char* press;     // caption of the button pressed; nullptr: Esc
    TDialogs::Answer answer;
};

template <void (TQtDialogs::*Show)(const std::string&)>
TDialogs::Answer Box(TQtDialogs& dialogs, const std::string& text) {
    (dialogs.*Show)(text);
    return TDialogs::Answer::Ok;
}

TEST(QtDialogs, MessageBoxesHaveTheSystemsTitlesButtonsAndIcons) {
    using A = TDialogs::Answer;
    const TBoxCase cases[] = {
        {"error", Box<&TQtDialogs::Error>, QMessageBox::Critical, "エラー", {"OK"}, "OK", A::Ok},
        {"information",
         Box<&TQtDialogs::Information>,
         QMessageBox::Information,
         "情報",
         {"OK"},
         nullptr,
         A::Ok},
        {"warning", Box<&TQtDialogs::Warning>, QMessageBox::Warning, "警告", {"OK"}, "OK", A::Ok},
        {"okcancel ok",
         &TQtDialogs::OkCancel,
         QMessageBox::Information,
         "情報",
         {"OK", "キャンセル"},
         "OK",
         A::Ok},
        {"okcancel esc",
         &TQtDialogs::OkCancel,
         QMessageBox::Information,
         "情報",
         {"OK", "キャンセル"},
         nullptr,
         A::Cancel},
        {"yesno yes",
         &TQtDialogs::YesNo,
         QMessageBox::Information,
         "情報",
         {"はい(&Y)", "いいえ(&N)"},
         "はい(&Y)",
         A::Yes},
        {"yesno no",
         &TQtDialogs::YesNo,
         QMessageBox::Information,
         "情報",
         {"はい(&Y)", "いいえ(&N)"},
         "いいえ(&N)",
         A::No},
        {"yesnoignore",
         &TQtDialogs::YesNoIgnore,
         QMessageBox::Critical,
         "エラー",
         {"はい(&Y)", "いいえ(&N)", "無視(&I)"},
         "無視(&I)",
         A::Ignore},
    };
    TQtDialogs dialogs;
    for (const TBoxCase& c : cases) {
        SCOPED_TRACE(c.name);
        bool seen = false;
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->windowTitle(), c.title);
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->text(), "一行目\n二行目");
            QStringList captions;
            QAbstractButton* press = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                captions << button->text();
                if (c.press && button->text() == c.press) press = button;
            }
            captions.sort();
            QStringList expected = c.captions;
            expected.sort();
            EXPECT_EQ(captions, expected);
            ASSERT_NE(box->defaultButton(), nullptr);
            EXPECT_EQ(box->defaultButton()->text(), c.captions.first());
            if (press) {
                press->click();
            } else {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        EXPECT_EQ(c.show(dialogs, Utf8ToSjis("一行目\r二行目")), c.answer);
        EXPECT_TRUE(seen);
    }
}

TEST(QtDialogs, FileDialogsStartFromThePageNameAndAddNothing) {
    TempDir dir;
    std::string old = dir.Write("old.bin", "x");
    TQtDialogs dialogs;
    TDialogs::FileDialogRequest request{Utf8ToSjis("ファームウェアファイル"),
                                        Utf8ToSjis("ファームウェアファイル(*.bin)|*.bin"), old};
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "ファームウェアファイル");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
        EXPECT_EQ(dialog->nameFilters(), QStringList{"ファームウェアファイル(*.bin) (*.bin)"});
        EXPECT_EQ(dialog->defaultSuffix(), "");
        EXPECT_EQ(dialog->selectedFiles().value(0), QString::fromStdString(old));
        dialog->selectFile(QString::fromStdString(dir.Path("新しい.img")));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept is protected
    });
    std::string chosen;
    EXPECT_TRUE(dialogs.OpenFile(request, chosen));
    EXPECT_EQ(chosen, dir.Path("新しい.img"));

    request.title.clear();
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_FALSE(dialog->windowTitle().isEmpty());  // the platform's own title
        dialog->reject();
    });
    EXPECT_FALSE(dialogs.SaveFile(request, chosen));
    EXPECT_EQ(chosen, dir.Path("新しい.img"));
}

}  // namespace

namespace {

// A failure's cause rides behind the error box's details; the box itself is the plain one.
TEST(QtDialogs, AnErrorBoxCarriesTheCauseAsItsDetail) {
    TQtDialogs dialogs;
    bool seen = false;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->windowTitle(), "エラー");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->text(), "エラーが発生しました");
        EXPECT_EQ(box->detailedText(), "port 8765 of 192.168.0.1: Connection refused");
        QTest::keyClick(box, Qt::Key_Escape);
    });
    dialogs.ErrorWithDetail(Utf8ToSjis("エラーが発生しました"),
                            "port 8765 of 192.168.0.1: Connection refused");
    EXPECT_TRUE(seen);
}

}  // namespace
