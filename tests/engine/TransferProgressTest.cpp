// The transfer's reports, delivered by a worker thread through Synchronize: the status line,
// the size fields and the gauge for each status, the error box for each code, and the success
// flag that the serial operations read.
#include <utility>
#include <vector>

#include "CountFormat.h"
#include "EngineFixture.h"

namespace {

using TTransferProgressTest = TEngineTest;

const char kOld[] = "old";
constexpr int kOldPercent = 7;

struct TStatusCase {
    int status;
    const char* label;  // UTF-8; nullptr: the label keeps its text
    bool counts;        // the size fields change
    bool gauge;         // the gauge takes the percent
};

TEST_F(TTransferProgressTest, EachStatusWritesItsLineCountsAndGauge) {
    StoreControls();
    const std::string sep = UserThousandsSeparator();
    const std::vector<TStatusCase> cases = {
        {0, "通信しています．．．", false, false},
        {1, "調査中です．．．", false, false},
        {2, "送信しています．．．", true, true},
        {3, "消去しています．．．", false, true},
        {4, "書き込み中です．．．", true, true},
        {5, "読み込み中です．．．", true, true},
        {6, "ファイルを作成中です．．．", false, true},
        {7, "終了しました", false, false},
        {9, nullptr, false, false},
        {200, nullptr, false, false},
    };
    int reports = 0;
    for (const TStatusCase& c : cases) {
        totalSize.SetText(kOld);
        proceedSize.SetText(kOld);
        statusLabel.SetText(kOld);
        gauge.SetProgress(kOldPercent);
        DeliverFromWorker(
            {TransferReport(static_cast<std::uint8_t>(c.status), 50, 131072, 0, 262144)});
        ++reports;
        EXPECT_EQ(Label(), c.label ? c.label : kOld) << "status " << c.status;
        EXPECT_EQ(proceedSize.Text(), c.counts ? "        131" + sep + "072" : kOld)
            << "status " << c.status;
        EXPECT_EQ(totalSize.Text(), c.counts ? "        262" + sep + "144" : kOld)
            << "status " << c.status;
        EXPECT_EQ(gauge.Progress(), c.gauge ? 50 : kOldPercent) << "status " << c.status;
        EXPECT_EQ(processPasses, reports) << "status " << c.status;
    }
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(TTransferProgressTest, ATotalOfZeroKeepsTheSizeFieldsButMovesTheGauge) {
    StoreControls();
    for (std::uint8_t status : {2, 4, 5}) {
        totalSize.SetText(kOld);
        proceedSize.SetText(kOld);
        gauge.SetProgress(kOldPercent);
        DeliverFromWorker({TransferReport(status, 30, 4096, 0, 0)});
        EXPECT_EQ(totalSize.Text(), kOld) << int(status);
        EXPECT_EQ(proceedSize.Text(), kOld) << int(status);
        EXPECT_EQ(gauge.Progress(), 30) << int(status);
    }
}

TEST_F(TTransferProgressTest, TheGaugeStaysWithinItsRange) {
    StoreControls();
    DeliverFromWorker({TransferReport(5, 150, 1, 0, 1)});
    EXPECT_EQ(gauge.Progress(), 100);
    DeliverFromWorker({TransferReport(4, -3, 1, 0, 1)});
    EXPECT_EQ(gauge.Progress(), 0);
}

TEST_F(TTransferProgressTest, FailureShowsTheCodesTextAloneAndSetsTheFailure) {
    StoreControls();
    statusLabel.SetText(kOld);
    gauge.SetProgress(kOldPercent);
    const std::vector<std::pair<int, const char*>> cases = {
        {1, "通信タイムアウトしました"},
        {2, "操作に失敗しました（１）"},
        {3, "操作に失敗しました（２）"},
        {4, "フラッシュアクセスのエラーが発生しました"},
        {6, "シリアルポート通信エラーが発生しました"},
        {7, "シリアルポートのオープンに失敗しました"},
        {8, "ディスクの容量が足りません"},
        {11, "ファイルの読み込みエラー"},
        {12, "ファイルへの書き込みエラー"},
        {15, "指定されたファイルは正しくありません"},
        {0, "操作に失敗しました"},
        {9, "操作に失敗しました"},
        {10, "操作に失敗しました"},
        {13, "操作に失敗しました"},
        {14, "操作に失敗しました"},
        {16, "操作に失敗しました"},
        {17, "操作に失敗しました"},
        {255, "操作に失敗しました"},
        {5, nullptr},  // stopped: no box, still a failure
    };
    for (const auto& [code, text] : cases) {
        dialogs.Clear();
        module.WorkerFailed = 0;
        DeliverFromWorker({TransferReport(8, 60, 100, static_cast<std::uint8_t>(code), 200)});
        std::vector<std::string> expected;
        if (text) expected.push_back(text);
        // The transfer's box is the plain system box, not the loader's error dialog.
        EXPECT_EQ(dialogs.Texts("exclamation"), expected) << "code " << code;
        EXPECT_EQ(dialogs.History().size(), expected.size()) << "code " << code;
        EXPECT_EQ(module.WorkerFailed, 1) << "code " << code;
    }
    // A failure report leaves the line, the sizes and the gauge as they were.
    EXPECT_EQ(statusLabel.Text(), kOld);
    EXPECT_EQ(totalSize.Text(), "");
    EXPECT_EQ(gauge.Progress(), kOldPercent);
    EXPECT_EQ(processPasses, static_cast<int>(cases.size()));
}

TEST_F(TTransferProgressTest, TheFinalReportDecidesTheOutcome) {
    StoreControls();
    DeliverFromWorker({TransferReport(0, 0, 0, 0, 0), TransferReport(4, 100, 10, 0, 10),
                       TransferReport(8, 0, 0, 1, 0)});
    EXPECT_EQ(module.WorkerFailed, 1);
    DeliverFromWorker({TransferReport(0, 0, 0, 0, 0), TransferReport(5, 100, 10, 0, 10),
                       TransferReport(7, 0, 0, 0, 0)});
    EXPECT_EQ(module.WorkerFailed, 0);
    EXPECT_EQ(Label(), "終了しました");
    EXPECT_EQ(processPasses, 6);
}

TEST_F(TTransferProgressTest, ReportsBeforeAnyOperationStoredControlsAreSafe) {
    // No controls stored: the reports still keep the flag and show their boxes.
    DeliverFromWorker({TransferReport(4, 10, 1, 0, 2), TransferReport(8, 0, 0, 2, 0),
                       LoaderReport(11, 30, 0), LoaderReport(8, 0, 7)});
    EXPECT_EQ(module.WorkerFailed, 1);
    EXPECT_EQ(dialogs.Texts("exclamation").size(), 1u);
    EXPECT_EQ(dialogs.Texts("error").size(), 1u);
}

}  // namespace
