// The MAC address filter pages of the frame: the connection page's check and the failed fetch,
// and the editor's widgets.
#include <QListWidget>

#include "FormFixture.h"

namespace {

using TMafPages = TFormTest;

TEST_F(TMafPages, ConnectionPageChecksItsFieldsAndStaysWhenTheFetchFails) {
    const char kInvalid[] =
        "設定項目が不正です。以下の項目を確認してください。\r・IPアドレス\r・ユーザ名";
    GoToParameterPage(OperationKind::MacFilter);
    EXPECT_EQ(Page(), "MAFConnectSettingSheet");
    EXPECT_EQ(QApplication::focusWidget(), Find("MAFIPEdit"));
    Next();
    Type("MAFIPEdit", "127.0.30");
    Type("MAFUserEdit", "root");
    Next();
    // Nothing answers on this address.
    Type("MAFIPEdit", "127.0.30.1");
    Type("MAFUserEdit", "");
    Next();
    Type("MAFUserEdit", "root");
    Next();
    EXPECT_EQ(dialogs.Texts("error"),
              (std::vector<std::string>{kInvalid, kInvalid, kInvalid,
                                        "エラーが発生しました。設定及び接続を確認してください。"}));
    EXPECT_EQ(Page(), "MAFConnectSettingSheet");
    EXPECT_TRUE(Find<QPlainTextEdit>("MAFMemo")->toPlainText().isEmpty());
}

TEST_F(TMafPages, EditorPageHoldsTheListAndItsEntryRow) {
    auto* list = Find<QListWidget>("MAFList");
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_EQ(Find<QLineEdit>("MAFAddressEdit1")->maxLength(), 6);
    EXPECT_EQ(Find<QLineEdit>("MAFAddressEdit2")->maxLength(), 6);
    EXPECT_EQ(Find<QLineEdit>("MAFMemoEdit")->maxLength(), 25);
    for (const char* inRow : {"MAFAddressEdit1", "MAFAddressEdit2", "MAFMemoEdit",
                              "AppendModifyButton", "SearchButton", "ClearButton"}) {
        EXPECT_TRUE(Find("Panel22")->isAncestorOf(Find(inRow))) << inRow;
    }
    const std::pair<const char*, const char*> captions[] = {
        {"AppendModifyButton", "追加"},
        {"SearchButton", "検索"},
        {"ClearButton", "クリア"},
        {"EditButton", "編集"},
        {"DeleteButton", "削除"},
        {"DeleteAllButton", "すべて削除"},
        {"ReadFileButton", "ファイル読込"},
        {"WriteFileButton", "ファイル書込"},
        {"MAFHelpLabel3", "　MAC アドレスは最大2000個まで指定できます。"},
    };
    for (const auto& [name, caption] : captions) EXPECT_EQ(Text(name), caption) << name;
    // The filter text lives on a page the wizard never shows.
    EXPECT_TRUE(Find("MAFSettingSheet1")->isAncestorOf(Find("MAFMemo")));
}

}  // namespace
