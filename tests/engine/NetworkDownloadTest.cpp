// The firmware download over the network, against the simulated access point: the download
// request, the image stored exactly as it arrived until the access point closes the
// connection, the percentage against the assumed 4 MiB, and the failures.
#include <sys/socket.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CountFormat.h"
#include "NetworkTestSupport.h"

namespace {

using TNetworkDownload = TNetworkTest;
using TAnswer = TDialogs::Answer;

constexpr std::int64_t kAssumedSize = 4194304;

TEST_F(TNetworkDownload, StoresTheImageExactlyAsSent) {
    TApSimulator& simulator = StartSimulator(
        "127.0.8.1", [](TApSimOptions& options) { options.ImageSize = kAssumedSize; });
    // The file name is the file system's bytes, passed on unchanged.
    const std::string file = dir.Write("ダウンロード 像.bin", std::string(5000000, 'x'));
    dialogs.Plan(TAnswer::Ok);

    ASSERT_EQ(Download("127.0.8.1", file), orDone);

    EXPECT_EQ(dialogs.Texts("okcancel"),
              std::vector<std::string>{"ファームウェアをダウンロードします"});
    std::vector<TApSimRequest> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method, "GET");
    EXPECT_EQ(requests[0].Path, "/downfirm.cgi");
    EXPECT_TRUE(requests[0].Body.empty());
    EXPECT_TRUE(requests[0].Authorized);
    std::vector<TApSimStream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_TRUE(streams[0].Complete);
    const std::string stored = TempDir::Read(file);
    EXPECT_EQ(stored.size(), static_cast<std::size_t>(kAssumedSize));
    EXPECT_EQ(Sha256Hex(stored), Sha256Hex(simulator.Report().Streams()[0].Data));

    EXPECT_EQ(totalSize.Text(), FormatCount(4194304));
    EXPECT_EQ(proceedSize.Text(), FormatCount(4194304));
    EXPECT_EQ(progress.values.front(), 0);
    EXPECT_EQ(progress.values.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.values.begin(), progress.values.end()));
    EXPECT_EQ(Label(), "終了しました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
}

TEST_F(TNetworkDownload, ThePercentageIsTakenAgainstFourMebibytes) {
    struct TCase {
        const char* address;
        std::int64_t size;
        int lastPercent;
    };
    const TCase cases[] = {
        {"127.0.8.2", 100000, 2},                 // 2.38 %
        {"127.0.8.3", kAssumedSize + 5000, 100},  // beyond the assumption: the gauge stops at 100
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.address);
        StartSimulator(c.address, [&c](TApSimOptions& options) { options.ImageSize = c.size; });
        progress.values.clear();
        dialogs.Plan(TAnswer::Ok);
        const std::string file = dir.Path(std::string(c.address) + ".bin");
        ASSERT_EQ(Download(c.address, file), orDone);
        EXPECT_EQ(TempDir::Read(file).size(), static_cast<std::size_t>(c.size));
        EXPECT_EQ(totalSize.Text(), FormatCount(4194304));
        EXPECT_EQ(proceedSize.Text(), FormatCount(static_cast<double>(c.size)));
        ASSERT_FALSE(progress.values.empty());
        EXPECT_EQ(progress.values.back(), c.lastPercent);
        EXPECT_LE(*std::max_element(progress.values.begin(), progress.values.end()), 100);
        FinishHttpRequest();
    }
}

TEST_F(TNetworkDownload, AnImmediateCloseGivesAnEmptyFile) {
    StartSimulator("127.0.8.4", [](TApSimOptions& options) { options.Faults.CloseEarly = 0; });
    const std::string file = dir.Write("out.bin", "old content");
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Download("127.0.8.4", file), orDone);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(TempDir::Read(file), "");
    EXPECT_EQ(progress.values, std::vector<int>{0});
    EXPECT_EQ(Label(), "終了しました");
}

TEST_F(TNetworkDownload, ARefusedConnectionLeavesTheFileAlone) {
    StartSimulator("127.0.8.5", [](TApSimOptions& options) { options.Faults.Refuse = true; });
    const std::string file = dir.Write("out.bin", "keep me");
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Download("127.0.8.5", file), orError);
    EXPECT_EQ(TempDir::Read(file), "keep me");
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
}

// Only a close is the end of the image; a reset cuts it short and must not pass for a download
// that is complete. What arrived stays in the file.
TEST_F(TNetworkDownload, AResetConnectionIsAnErrorAndKeepsWhatArrived) {
    const std::string sent = NetworkPattern(5000);
    const std::string file = dir.Path("out.bin");
    int result;
    {
        TStreamPeer peer("127.0.8.6", [&sent](int connection) {
            send(connection, sent.data(), sent.size(), MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            linger reset{1, 0};
            setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        });
        dialogs.Plan(TAnswer::Ok);
        result = Download("127.0.8.6", file);
    }
    EXPECT_EQ(result, orError);
    EXPECT_EQ(TempDir::Read(file), sent);
    EXPECT_EQ(proceedSize.Text(), FormatCount(5000));
    EXPECT_EQ(Label(), "エラーが発生しました");
}

// An access point that sends part of its image and then goes silent without closing: once no
// byte has moved for the idle limit, the download ends as an error instead of waiting for ever.
TEST_F(TNetworkDownload, ASilentAccessPointEndsTheDownloadAfterTheIdleLimit) {
    const std::string sent = NetworkPattern(3000);
    const std::string file = dir.Path("out.bin");
    module.NetworkIdleLimitMs = 1500;
    int result;
    auto started = std::chrono::steady_clock::now();
    {
        TStreamPeer peer("127.0.8.9", [&sent](int connection) {
            send(connection, sent.data(), sent.size(), MSG_NOSIGNAL);
            char byte;
            recv(connection, &byte, 1, 0);  // silent until the wizard gives up and closes
        });
        dialogs.Plan(TAnswer::Ok);
        result = Download("127.0.8.9", file);
    }
    auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result, orError);
    EXPECT_EQ(TempDir::Read(file), sent);
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_GE(elapsed, std::chrono::milliseconds(kTestPauseMs + 1500));
    EXPECT_LT(elapsed, std::chrono::seconds(20));
}

TEST_F(TNetworkDownload, AFileThatCannotBeCreatedIsAnError) {
    StartSimulator("127.0.8.7");
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Download("127.0.8.7", dir.Path("no such folder/out.bin")), orError);
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
}

}  // namespace
