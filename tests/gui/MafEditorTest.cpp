// The MAC address filter editor page: the entry row and its caption, the list buttons and
// their questions, filter files through the page, the filter check before the write-back
// (which selects the offending entry) and the write-back's question and result.
#include <QLabel>
#include <QListWidget>

#include "FormFixture.h"

namespace {

const char kTitle[] = "MACアドレスフィルタファイル";

class TMafEditor : public TFormTest {
protected:
    void SetUp() override {
        TFormTest::SetUp();
        form->MafWriteBackPauseMs = 0;
        Find<QRadioButton>("MAFRadio")->setChecked(true);
        form->ShowPage(Find("MAFSettingSheet2"));
    }

    QListWidget* List() { return Find<QListWidget>("MAFList"); }
    QStringList Entries() {
        QStringList texts;
        for (int i = 0; i < List()->count(); ++i) texts << List()->item(i)->text();
        return texts;
    }
    void Row(const QString& first, const QString& second, const QString& memo) {
        Type("MAFAddressEdit1", first);
        Type("MAFAddressEdit2", second);
        Type("MAFMemoEdit", memo);
    }
    void Add(const QString& first, const QString& second, const QString& memo) {
        Row(first, second, memo);
        Click("AppendModifyButton");
    }
    QStringList RowTexts() {
        return {Text("MAFAddressEdit1"), Text("MAFAddressEdit2"), Text("MAFMemoEdit")};
    }
    // Reads a filter file of these bytes through the page.
    void ReadFile(const std::string& bytes) {
        dialogs.PlanFile(dir.Write("in.mft", bytes));
        Click("ReadFileButton");
    }
};

TEST_F(TMafEditor, AddsModifiesAndCancelsAModificationByLeavingTheRow) {
    Add("00a0c9", "12ab34", "会議室");
    Add("001122", "334455", "");
    Add("00A0C9", "12AB34", "again");  // a duplicate whatever the letter case
    EXPECT_EQ(Entries(), (QStringList{"00a0c9-12ab34 会議室", "001122-334455 "}));
    EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{"MACアドレスが重複しています"});
    EXPECT_EQ(RowTexts(), (QStringList{"00A0C9", "12AB34", "again"}));  // a refusal keeps the row

    List()->setCurrentRow(0);
    Click("EditButton");
    EXPECT_EQ(RowTexts(), (QStringList{"00a0c9", "12ab34", "会議室"}));
    EXPECT_TRUE(form->MAFModifing);
    EXPECT_EQ(Text("AppendModifyButton"), "修正");
    EXPECT_EQ(QApplication::focusWidget(), Find("MAFAddressEdit1"));
    Type("MAFMemoEdit", "応接室");
    Click("AppendModifyButton");
    EXPECT_EQ(Entries(), (QStringList{"00a0c9-12ab34 応接室", "001122-334455 "}));
    EXPECT_EQ(RowTexts(), (QStringList{"", "", ""}));
    EXPECT_EQ(Text("AppendModifyButton"), "追加");

    // Taking an entry and then clicking into the list gives up the modification.
    List()->setCurrentRow(1);
    Click("EditButton");
    List()->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(form->MAFModifing);
    EXPECT_EQ(RowTexts(), (QStringList{"", "", ""}));
    EXPECT_EQ(form->MafEntries().size(), 2u);
}

TEST_F(TMafEditor, RefusesMemoCharactersThatCannotReachTheAccessPoint) {
    Add("001122", "334455", "ｶﾅ");
    Add("001122", "334455", "髙橋");
    Add("001122", "334455", QString::fromUcs4(U"\U0001F600", 1));
    EXPECT_EQ(dialogs.Texts("error"),
              (std::vector<std::string>{"半角カナは使用できません", "「髙」は使用できません",
                                        "「U+1F600」は使用できません"}));
    EXPECT_TRUE(Entries().isEmpty());
    // The memo field takes at most 25 Shift_JIS bytes: twelve kanji and one ASCII letter.
    auto* memo = Find<QLineEdit>("MAFMemoEdit");
    memo->clear();
    for (QChar typed : QString(13, QChar(0x6F22)) + "ab") memo->insert(typed);
    EXPECT_EQ(memo->text(), QString(12, QChar(0x6F22)) + "a");
    // A longer memo (from the access point) is shown whole and may be shortened.
    memo->setText(QString(14, QChar(0x6F22)));
    memo->backspace();
    memo->backspace();
    for (QChar typed : QString("ab")) memo->insert(typed);
    EXPECT_EQ(memo->text(), QString(12, QChar(0x6F22)) + "a");
}

TEST_F(TMafEditor, DeletesAfterAskingAndSearchesFromTheFirstEntry) {
    ReadFile("112233-445566 x\r\n00A0c9-12ab34 Printer\r\n00a1c9-ff0000 pc\r\n");
    ASSERT_EQ(Entries().size(), 3);

    Click("SearchButton");
    Row("00a", "", "");
    Click("SearchButton");
    EXPECT_EQ(List()->currentRow(), 1);
    EXPECT_EQ(RowTexts(), (QStringList{"00A0c9", "12ab34", "Printer"}));
    EXPECT_TRUE(form->MAFModifing);
    Row("", "", "print");
    Click("SearchButton");
    EXPECT_EQ(dialogs.Texts("warning"),
              std::vector<std::string>{"検索するMACアドレスまたはメモを指定してください"});
    EXPECT_EQ(dialogs.Texts("information"), std::vector<std::string>{"見つかりません"});

    List()->clearSelection();
    List()->item(0)->setSelected(true);
    List()->item(2)->setSelected(true);
    dialogs.Plan(TDialogs::Answer::Cancel);
    Click("DeleteButton");
    EXPECT_EQ(Entries().size(), 3);
    dialogs.Plan(TDialogs::Answer::Ok);
    Click("DeleteButton");
    EXPECT_EQ(Entries(), QStringList{"00A0c9-12ab34 Printer"});
    dialogs.Plan(TDialogs::Answer::Ok);
    Click("DeleteAllButton");
    Click("DeleteAllButton");  // nothing to delete: no question
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_TRUE(form->MafEntries().empty());
    EXPECT_EQ(dialogs.Texts("okcancel"),
              (std::vector<std::string>{"選択されたMACアドレスを削除します",
                                        "選択されたMACアドレスを削除します",
                                        "すべてのMACアドレスを削除します"}));
}

TEST_F(TMafEditor, ReadsAndWritesFilterFilesThroughThePage) {
    // Lines ended by LF alone, a comment and a blank line; memos stay Shift_JIS bytes.
    dialogs.Plan(TDialogs::Answer::Yes);
    ReadFile("# office\n\n001122 334455 " + Utf8ToSjis("事務所") + "\n0011-22 x\n");
    EXPECT_EQ(Entries(), QStringList{"001122-334455 事務所"});
    EXPECT_EQ(
        dialogs.Texts("yesnoignore"),
        std::vector<std::string>{"不正なMACアドレスです\r行数 : 4\r0011-22 x\r\r継続しますか？"
                                 "「無視」を選択すると以降のエラーは表示されなくなります"});
    EXPECT_EQ(dialogs.FileRequests().back().title, Utf8ToSjis(kTitle));
    EXPECT_EQ(dialogs.FileRequests().back().filter,
              Utf8ToSjis("MACアドレスフィルタファイル(*.mft)|*.mft|すべてのファイル(*.*)|*.*"));

    dialogs.PlanFile(dir.Path("list"));
    Click("WriteFileButton");
    EXPECT_EQ(TempDir::Read(dir.Path("list.mft")), Utf8ToSjis("001122-334455 事務所\r\n"));
    Add("aabbcc", "ddeeff", "");
    dialogs.PlanFile(dir.Path("list"));
    dialogs.Plan(TDialogs::Answer::Cancel);
    Click("WriteFileButton");
    EXPECT_EQ(dialogs.Texts("okcancel"),
              std::vector<std::string>{"ファイルが存在します。上書きしてよろしいですか？"});
    EXPECT_EQ(TempDir::Read(dir.Path("list.mft")), Utf8ToSjis("001122-334455 事務所\r\n"));

    dialogs.PlanFile(dir.Path("missing.mft"));
    Click("ReadFileButton");
    dialogs.PlanFile(dir.Path("no/folder/out.mft"));
    Click("WriteFileButton");
    EXPECT_EQ(dialogs.Texts("error"),
              (std::vector<std::string>{"ファイル読み込みでエラーが発生しました",
                                        "ファイル書き込みでエラーが発生しました"}));
}

TEST_F(TMafEditor, AFailedCheckSelectsTheEntryAndAnAnswerOtherThanOkCancels) {
    // A vendor-extension kanji read from a file passes the reader and is caught by the check.
    ReadFile("001122-334455 a\r\n001122-334466 \xFB\xFC\r\n");
    Next();
    EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{"「髙」は使用できません"});
    EXPECT_EQ(Page(), "MAFSettingSheet2");
    EXPECT_EQ(List()->currentRow(), 1);
    EXPECT_EQ(List()->selectedItems().size(), 1);
    EXPECT_TRUE(runner.calls.empty());

    List()->setCurrentRow(1);
    dialogs.Plan(TDialogs::Answer::Ok);
    Click("DeleteButton");
    Type("MAFIPEdit", "127.0.30.9");
    dialogs.Plan(TDialogs::Answer::Cancel);
    Next();
    EXPECT_EQ(Page(), "StatusSheet");
    EXPECT_EQ(dialogs.Texts("warning"), std::vector<std::string>{"キャンセルしました"});
    EXPECT_TRUE(runner.calls.empty());

    Back();
    dialogs.Plan(TDialogs::Answer::Ok);
    Next();
    ASSERT_EQ(runner.calls.size(), 2u);
    EXPECT_EQ(runner.calls[0].args[0], "127.0.30.9");
    EXPECT_EQ(runner.calls[1].operation, "SendFileBySocket");
    EXPECT_EQ(dialogs.Texts("information"), std::vector<std::string>{"完了しました"});
    EXPECT_EQ(Find<QPlainTextEdit>("MAFMemo")->toPlainText(), "00:11:22:33:44:55 a");
    ExpectButtons(true, false, "実行", true, "終了");
}

TEST_F(TMafEditor, EveryHelpLineShowsWhole) {
    QWidget* page = Find("MAFSettingSheet2");
    for (const char* name : {"MAFHelpLabel1", "MAFHelpLabel2", "MAFHelpLabel3", "MAFHelpLabel4"}) {
        auto* label = Find<QLabel>(name);
        const QRect box = label->geometry();
        EXPECT_TRUE(page->rect().contains(box)) << name;
        int needed =
            label->wordWrap() ? label->heightForWidth(box.width()) : label->fontMetrics().height();
        EXPECT_LE(needed, box.height()) << name;
        if (!label->wordWrap()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), box.width()) << name;
        }
        EXPECT_TRUE(label->text().startsWith(QChar(0x3000))) << name;
    }
}

}  // namespace
