// The filter fetch against the simulated access point (each test on its own loopback
// address) and the write-back's files, pause and calls, with a recording runner.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "../gui/RecordingRunner.h"
#include "ApSimForTest.h"
#include "ApSimulator.h"
#include "Cp932.h"
#include "HttpGetThread.h"
#include "MafTransfer.h"
#include "MainThread.h"
#include "TempDir.h"

namespace {

std::string S(const std::string& utf8) { return Utf8ToSjis(utf8); }

class MafFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThread();
        setenv("NO_PROXY", "*", 1);
        setenv("no_proxy", "*", 1);
        fetch_ = std::make_unique<TMafFetch>();
        fetch_->OnStatusText = [this](const std::string& text) {
            statusTexts_.push_back(SjisToUtf8(text));
        };
    }
    void TearDown() override {
        fetch_.reset();
        EXPECT_TRUE(WaitForHTTPGetThreads(10000));
        if (simulator_) simulator_->Stop();
    }

    TApSimulator& Start(const std::string& address, int delayMs = 0) {
        simulator_ = StartedApSim(address, [&](TApSimOptions& options) {
            // EUC-JP: 事務所PC, ア
            options.FilterLines = {"00:A0:C9:12:AB:34 \xBB\xF6\xCC\xB3\xBD\xEAPC",
                                   "0:1:2:3:4:5 printer", "00:11:22:33:44:66 \xA5\xA2"};
            options.Faults.DelayMs = delayMs;
        });
        return *simulator_;
    }

    std::unique_ptr<TMafFetch> fetch_;
    std::vector<std::string> statusTexts_;
    std::unique_ptr<TApSimulator> simulator_;
};

TEST_F(MafFetchTest, ReadsEveryLineAfterTheFirstInShiftJis) {
    TApSimulator& simulator = Start("127.0.29.1");
    std::vector<std::string> lines = {"left over"};
    ASSERT_TRUE(fetch_->FetchMafList("127.0.29.1", "root", "pw", lines));
    EXPECT_EQ(lines, (std::vector<std::string>{S("00:A0:C9:12:AB:34 事務所PC"),
                                               "0:1:2:3:4:5 printer", S("00:11:22:33:44:66 ア")}));
    EXPECT_EQ(fetch_->MafFetchState, TMafFetchState::Idle);
    EXPECT_EQ(statusTexts_,
              (std::vector<std::string>{"MACアドレスフィルタ取得中...", "処理中...", ""}));
    std::vector<TApSimRequest> requests = simulator.Report().Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method, "GET");
    EXPECT_EQ(requests[0].Target, "/read_maf.cgi");
    EXPECT_TRUE(requests[0].Authorized);
}

TEST_F(MafFetchTest, FailsOnARefusalOrWithoutAnAccessPointAndKeepsTheList) {
    Start("127.0.29.2");
    const std::vector<std::string> before = {"kept"};
    std::vector<std::string> lines = before;
    EXPECT_FALSE(fetch_->FetchMafList("127.0.29.2", "root", "wrong", lines));
    EXPECT_EQ(lines, before);
    EXPECT_EQ(fetch_->MafReplyText, "");
    EXPECT_EQ(fetch_->FailureCause,
              "the access point refused the user name or password (401 Unauthorized)");
    // The address goes out as given (the pages tidy it first): with a blank it names no host.
    EXPECT_FALSE(fetch_->FetchMafList(" 127.0.29.2", "root", "pw", lines));
    EXPECT_NE(fetch_->FailureCause.find("is not a host name"), std::string::npos)
        << fetch_->FailureCause;
    EXPECT_FALSE(fetch_->FetchMafList("127.0.29.3", "root", "pw", lines));
    EXPECT_EQ(fetch_->FailureCause,
              "the request to port 80 of 127.0.29.3 never reached the access point: Connection "
              "refused");
    EXPECT_EQ(lines, before);
    EXPECT_EQ(fetch_->MafFetchState, TMafFetchState::Idle);
}

TEST_F(MafFetchTest, ALateAnswerIsTakenByTheNextFetchWithoutASecondRequest) {
    TApSimulator& simulator = Start("127.0.29.4", 900);
    fetch_->WaitLimitMs = 300;
    std::vector<std::string> lines;
    EXPECT_FALSE(fetch_->FetchMafList("127.0.29.4", "root", "pw", lines));
    EXPECT_TRUE(lines.empty());
    fetch_->WaitLimitMs = 5000;
    EXPECT_TRUE(fetch_->FetchMafList("127.0.29.4", "root", "pw", lines));
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_EQ(simulator.Report().Requests().size(), 1u);
}

// Answers the one question of the write-back.
class TAnswer : public TDialogs {
public:
    explicit TAnswer(Answer answer) : answer_(answer) {}
    std::vector<std::string> asked;
    void Error(const std::string&) override {}
    void Information(const std::string&) override {}
    void Warning(const std::string&) override {}
    void ExclamationError(const std::string&) override {}
    Answer OkCancel(const std::string& text) override {
        asked.push_back(SjisToUtf8(text));
        return answer_;
    }
    Answer YesNo(const std::string&) override { return Answer::No; }
    Answer YesNoIgnore(const std::string&) override { return Answer::No; }
    bool OpenFile(const FileDialogRequest&, std::string&) override { return false; }
    bool SaveFile(const FileDialogRequest&, std::string&) override { return false; }

private:
    Answer answer_;
};

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

struct TWriteBackCase {
    TDialogs::Answer answer;
    int sendResult;
    bool throwOnSend;
    int result;
};

TEST(MafWriteBack, SendsTheBoundEucTextAndLeavesNoFileBehind) {
    SetMainThread();
    const std::vector<std::string> lines = {S("00:A0:C9:12:AB:34 事務所PC"),
                                            S("00:11:22:33:44:55 ｰ")};
    const std::string text =
        "00:A0:C9:12:AB:34 \xBB\xF6\xCC\xB3\xBD\xEAPC\n"
        "00:11:22:33:44:55 \x8E\xB0\n";
    const TWriteBackCase cases[] = {
        {TDialogs::Answer::Ok, 0, false, 0},
        {TDialogs::Answer::Ok, 1, false, 1},
        {TDialogs::Answer::Ok, 0, true, 1},
        {TDialogs::Answer::Cancel, 0, false, 2},
    };
    for (const TWriteBackCase& c : cases) {
        TRecordingRunner runner;
        runner.results = {c.sendResult};
        runner.throwInside = c.throwOnSend;
        std::string sentBytes, statusWhileSending;
        runner.during = [&](TEditControl&, TEditControl&, TGaugeControl&, TLabelControl& s) {
            sentBytes = TempDir::Read(runner.calls.back().args[1]);
            statusWhileSending = SjisToUtf8(s.Text());
        };
        TAnswer dialogs(c.answer);
        TPlainText total, proceed, status;
        TPlainGauge gauge;
        TMafWriteBack target{" 127.0.29.9 ", "root", "pw", 50, nullptr, nullptr};
        EXPECT_EQ(WriteBackMafText(lines, target, runner, dialogs, total, proceed, gauge, status),
                  c.result);
        EXPECT_EQ(dialogs.asked, std::vector<std::string>{"設定します。よろしいですか？"});
        if (c.answer != TDialogs::Answer::Ok) {
            EXPECT_TRUE(runner.calls.empty());
            continue;
        }
        ASSERT_EQ(runner.calls.size(), 2u);
        EXPECT_EQ(runner.calls[0].operation, "KickFirmwareUpdate");
        EXPECT_EQ(runner.calls[0].args,
                  (std::vector<std::string>{" 127.0.29.9 ", "root", "pw", "firmware_update.cgi",
                                            "KeepUserSetting=1&DoUpdate=1"}));
        EXPECT_EQ(runner.calls[1].operation, "SendFileBySocket");
        const std::string sentFile = runner.calls[1].args[1];
        EXPECT_EQ(runner.calls[1].args[0], "127.0.29.9");
        EXPECT_EQ(statusWhileSending, "準備中...");
        EXPECT_EQ(sentBytes, std::string("\x33\xBB\x4D\x46", 4) +
                                 std::string(1, static_cast<char>(text.size())) +
                                 std::string(3, '\0') + text + std::string(4, '\0'));
        ASSERT_GT(sentFile.size(), 8u);
        EXPECT_EQ(sentFile.substr(sentFile.size() - 8), "/MAF.DAT");
        // The private folder is gone, MAF.TXT and MAF.DAT with it.
        EXPECT_FALSE(Exists(sentFile.substr(0, sentFile.size() - 8)));
    }
}

}  // namespace
