// The MAC address filter end to end: the real wizard and data module fetch the list from a
// simulated access point on the test's own loopback address, the list is edited on the page
// (add, modify, delete, a filter file read), and the write-back's bytes that reach the
// simulator decode back to the edited list, kanji memos included.
#include <QListWidget>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "../engine/Watchdog.h"
#include "ApSimForTest.h"
#include "ApSimulator.h"
#include "DataModuleRunner.h"
#include "FormFixture.h"
#include "HttpGet.h"
#include "JConvert.h"
#include "NavrilDataModule.h"

namespace {

class TMafEndToEnd : public TFormTest {
protected:
    void SetUp() override {
        setenv("NO_PROXY", "*", 1);
        setenv("no_proxy", "*", 1);
        TFormTest::SetUp();
        form->SetOperationRunner(&dataModuleRunner_);
        // Time enough for the update request to reach the access point before the stream.
        form->MafWriteBackPauseMs = 1000;
    }

    void TearDown() override {
        EXPECT_TRUE(WaitForHTTPGetThreads(10000));
        if (simulator_) simulator_->Stop();
        TFormTest::TearDown();
    }

    TApSimulator& StartSimulator(const std::string& address) {
        simulator_ = StartedApSim(address, [](TApSimOptions& options) {
            options.FilterLines = {SjisToEuc(Utf8ToSjis("00:A0:C9:12:AB:34 事務所PC")),
                                   "00:11:22:33:44:55 printer", "0:1:2:3:4:5 old"};
        });
        return *simulator_;
    }

    QStringList Entries() {
        auto* list = Find<QListWidget>("MAFList");
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        return texts;
    }

    TWatchdog watchdog_{"filter end-to-end test", std::chrono::seconds(60)};
    TnavrilDataModule dataModule_{dialogs};
    TDataModuleRunner dataModuleRunner_{dataModule_};
    std::unique_ptr<TApSimulator> simulator_;
};

TEST_F(TMafEndToEnd, FetchesEditsAndWritesTheListBack) {
    TApSimulator& simulator = StartSimulator("127.0.30.2");
    GoToParameterPage(OperationKind::MacFilter);
    Type("MAFIPEdit", "127.0.30.2");
    Type("MAFPasswordEdit", "pw");
    Next();
    ASSERT_EQ(Page(), "MAFSettingSheet2");
    EXPECT_EQ(Entries(), (QStringList{"00A0C9-12AB34 事務所PC", "001122-334455 printer",
                                      "000102-030405 old"}));

    // Add, modify the second entry, delete the third, and read a file with LF line ends.
    Type("MAFAddressEdit1", "02aabb");
    Type("MAFAddressEdit2", "ccddee");
    Type("MAFMemoEdit", "会議室ｰ");
    Click("AppendModifyButton");
    Find<QListWidget>("MAFList")->setCurrentRow(1);
    Click("EditButton");
    Type("MAFMemoEdit", "プリンタ");
    Click("AppendModifyButton");
    Find<QListWidget>("MAFList")->setCurrentRow(2);
    dialogs.Plan(TDialogs::Answer::Ok);
    Click("DeleteButton");
    dialogs.PlanFile(dir.Write("more.mft", Utf8ToSjis("# more\n0a0b0c-0d0e0f 倉庫\n")));
    Click("ReadFileButton");

    dialogs.Plan(TDialogs::Answer::Ok);
    Next();
    EXPECT_EQ(dialogs.Texts("okcancel").back(), "設定します。よろしいですか？");
    EXPECT_EQ(dialogs.Texts("information"), std::vector<std::string>{"完了しました"});
    EXPECT_TRUE(dialogs.Texts("error").empty());
    ASSERT_TRUE(simulator.Report().WaitForStreams(1, 10000));
    std::vector<TApSimStream> streams = simulator.Report().Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].Kind, "filter list");
    std::vector<std::string> received;
    for (const std::string& line : simulator.FilterList().Lines()) {
        received.push_back(SjisToUtf8(EucToSjis(line)));
    }
    EXPECT_EQ(received,
              (std::vector<std::string>{"00:A0:C9:12:AB:34 事務所PC", "00:11:22:33:44:55 プリンタ",
                                        "02:aa:bb:cc:dd:ee 会議室ｰ", "0a:0b:0c:0d:0e:0f 倉庫"}));
    std::vector<TApSimRequest> requests = simulator.Report().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Target, "/read_maf.cgi");
    EXPECT_EQ(requests[1].Path, "/firmware_update.cgi");
    EXPECT_EQ(requests[1].Body, "KeepUserSetting=1&DoUpdate=1");

    // The list written back comes again with the next fetch.
    Back();
    Back();
    Next();
    EXPECT_EQ(Entries(), (QStringList{"00A0C9-12AB34 事務所PC", "001122-334455 プリンタ",
                                      "02aabb-ccddee 会議室ｰ", "0a0b0c-0d0e0f 倉庫"}));
}

}  // namespace
