// The firmware upload over the network and the filter write-back's socket stream, against the
// simulated access point: the update request with its form data and login, the image on port
// 8765 byte for byte, the progress shown, and every way the transfer can fail.
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "CountFormat.h"
#include "NetworkTestSupport.h"

namespace {

using TNetworkUpload = TNetworkTest;
using TAnswer = TDialogs::Answer;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunk = 1024;

std::size_t Chunks(std::size_t size) { return (size + kChunk - 1) / kChunk; }

TEST_F(TNetworkUpload, DecliningTheQuestionSendsNothing) {
    TApSimulator& simulator = StartSimulator("127.0.7.10");
    dialogs.Plan(TAnswer::Cancel);
    EXPECT_EQ(Upload("127.0.7.10", dir.Write("fw.bin", NetworkPattern(5000))), orCancelled);
    dialogs.Plan(TAnswer::Cancel);
    EXPECT_EQ(Download("127.0.7.10", dir.Path("out.bin")), orCancelled);

    EXPECT_EQ(dialogs.Texts("okcancel"),
              (std::vector<std::string>{"ファームウェアを更新します",
                                        "ファームウェアをダウンロードします"}));
    EXPECT_EQ(Label(), "キャンセルしました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    // No request was started, so the access point was never armed, and no file was created.
    EXPECT_FALSE(module.KickFirmUpload.Busy());
    EXPECT_TRUE(module.KickFirmUpload.URL.empty());
    EXPECT_EQ(simulator.Stream()->Armed(), TStreamMode::None);
    EXPECT_TRUE(simulator.Report().Requests().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out.bin")));
}

TEST_F(TNetworkUpload, StreamsTheFileByteForByteAfterTheUpdateRequest) {
    StartSimulator("127.0.7.1", [](TApSimOptions& options) {
        options.User = "admin";
        options.Password = "s3cret";
    });
    const std::string image = NetworkPattern(2 * 1048576 + 777);
    const std::string file = dir.Write("fw.bin", image);
    std::vector<TCursor> cursorAtPass;
    SetProcessEventsHook([&] {
        ++processPasses;
        cursorAtPass.push_back(ScreenCursor());
    });
    dialogs.Plan(TAnswer::Ok);

    ASSERT_EQ(Upload("127.0.7.1", file, true, "admin", "s3cret"), orDone);

    EXPECT_EQ(dialogs.Texts("okcancel"), std::vector<std::string>{"ファームウェアを更新します"});
    std::vector<TApSimRequest> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method, "POST");
    EXPECT_EQ(requests[0].Path, "/firmware_update.cgi");
    EXPECT_EQ(requests[0].Body, "KeepUserSetting=1&DoUpdate=1");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].Header("Authorization"), "Basic YWRtaW46czNjcmV0");
    EXPECT_TRUE(requests[0].Authorized);

    std::vector<TApSimStream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].Direction, "received");
    EXPECT_TRUE(streams[0].Complete) << "the end of the image is the end of the connection";
    EXPECT_EQ(streams[0].End, "close");
    EXPECT_EQ(streams[0].Data.size(), image.size());
    EXPECT_EQ(Sha256Hex(streams[0].Data), Sha256Hex(image));

    // Progress: 0 before the first chunk, one step per chunk, never back, exactly 100 at the end.
    const std::size_t chunks = Chunks(image.size());
    ASSERT_EQ(progress.values.size(), chunks + 1);
    EXPECT_EQ(progress.values.front(), 0);
    EXPECT_EQ(progress.values[1], 0);  // 1024 of 2,097,929 bytes
    EXPECT_EQ(progress.values[chunks / 2], 49);
    EXPECT_EQ(progress.values.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.values.begin(), progress.values.end()));
    EXPECT_EQ(totalSize.Text(), FormatCount(static_cast<double>(image.size())));
    EXPECT_EQ(proceedSize.Text(), FormatCount(static_cast<double>(image.size())));

    // A message pass per chunk besides the status texts and the pass that shows the size (and
    // one per short wait for room, when the simulator lags); the hourglass stays until the
    // final text.
    EXPECT_GE(processPasses, static_cast<int>(chunks + 4));
    ASSERT_FALSE(cursorAtPass.empty());
    EXPECT_EQ(std::count(cursorAtPass.begin(), cursorAtPass.end() - 1, TCursor::Default), 0);
    EXPECT_EQ(cursorAtPass.back(), TCursor::Default);
    EXPECT_EQ(Label(), "終了しました");
}

TEST_F(TNetworkUpload, TheKeepFlagChoosesTheFormData) {
    StartSimulator("127.0.7.2");
    const std::string image = NetworkPattern(3000);
    const std::string file = dir.Write("fw.bin", image);
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Upload("127.0.7.2", file, false), orDone);
    FinishHttpRequest();
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Upload("127.0.7.2", file, true), orDone);

    std::vector<TApSimRequest> requests = Requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Body, "KeepUserSetting=0&DoUpdate=1");
    EXPECT_EQ(requests[1].Body, "KeepUserSetting=1&DoUpdate=1");
    EXPECT_EQ(requests[1].Header("Authorization"), "Basic cm9vdDpwdw==");
    std::vector<TApSimStream> streams = Streams(2);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].Data, image);
    EXPECT_EQ(streams[1].Data, image);
}

TEST_F(TNetworkUpload, AnEmptyFileOpensAndClosesTheConnection) {
    StartSimulator("127.0.7.3");
    totalSize.SetText("before");
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Upload("127.0.7.3", dir.Write("empty.bin", "")), orDone);

    std::vector<TApSimStream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_TRUE(streams[0].Complete);
    EXPECT_TRUE(streams[0].Data.empty());
    EXPECT_EQ(totalSize.Text(), FormatCount(0));
    EXPECT_EQ(progress.values, std::vector<int>{0});
    EXPECT_EQ(Label(), "終了しました");
}

TEST_F(TNetworkUpload, ARefusedConnectionFailsAfterTheFullPause) {
    TApSimulator& simulator =
        StartSimulator("127.0.7.4", [](TApSimOptions& options) { options.Faults.Refuse = true; });
    TnavrilDataModule fresh(dialogs);
    module.KickPauseMs = fresh.KickPauseMs;
    ASSERT_EQ(module.KickPauseMs, 2000);
    EXPECT_EQ(fresh.NetworkIdleLimitMs, 120000);  // two minutes without a byte moving
    dialogs.Plan(TAnswer::Ok);
    const Clock::time_point start = Clock::now();

    EXPECT_EQ(Upload("127.0.7.4", dir.Write("fw.bin", NetworkPattern(4096))), orError);

    EXPECT_GE(MillisecondsSince(start), 2000);
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    EXPECT_EQ(Requests().size(), 1u) << "the update request goes out before the connection";
    // The filter write-back's file send meets the same refusal.
    statusLabel.SetText("before");
    EXPECT_EQ(SendFile("127.0.7.4", dir.Path("fw.bin")), orError);
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_TRUE(simulator.Report().Streams().empty());
}

// A connection that the access point closes before the whole image is through must not pass for
// a finished update: the user would wait for a restart that never comes.
TEST_F(TNetworkUpload, AStreamCutShortByTheAccessPointIsAnError) {
    TApSimulator& simulator = StartSimulator(
        "127.0.7.5", [](TApSimOptions& options) { options.Faults.CloseEarly = 65536; });
    const std::string image = NetworkPattern(8 * 1048576);
    const std::string file = dir.Write("fw.bin", image);
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Upload("127.0.7.5", file), orError);
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    EXPECT_LT(progress.values.back(), 100);

    std::string error;
    ASSERT_TRUE(simulator.Stream()->Arm(TStreamMode::Receive, error)) << error;
    statusLabel.SetText("before");
    EXPECT_EQ(SendFile("127.0.7.5", file), orError);
    EXPECT_EQ(Label(), "エラーが発生しました");

    std::vector<TApSimStream> streams = Streams(2);
    ASSERT_EQ(streams.size(), 2u);
    for (const TApSimStream& stream : streams) {
        EXPECT_FALSE(stream.Complete);
        EXPECT_EQ(stream.Data, image.substr(0, 65536));
    }

    // A peer that ends its side while still taking bytes: only the check before each chunk
    // sees it, since every send still succeeds.
    std::string received;
    int result;
    {
        TStreamPeer peer("127.0.7.11", [&received](int connection) {
            received = TStreamPeer::ReadCount(connection, 65536);
            shutdown(connection, SHUT_WR);
            received += TStreamPeer::ReadAll(connection);
        });
        result = SendFile("127.0.7.11", file);
    }
    EXPECT_EQ(result, orError);
    EXPECT_LT(received.size(), image.size());
    EXPECT_EQ(received, image.substr(0, received.size()));

    // A peer that resets the connection part way.
    {
        TStreamPeer peer("127.0.7.16", [](int connection) {
            TStreamPeer::ReadCount(connection, 65536);
            const linger abort{1, 0};
            setsockopt(connection, SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
        });
        result = SendFile("127.0.7.16", file);
    }
    EXPECT_EQ(result, orError);
    EXPECT_EQ(Label(), "エラーが発生しました");
}

// The file is opened and sized before the update request: a file that cannot be read (missing,
// or a folder) never arms the access point and never reaches it as an empty image.
TEST_F(TNetworkUpload, AFileThatCannotBeReadIsAnErrorBeforeTheRequest) {
    TApSimulator& simulator = StartSimulator(
        "127.0.7.6", [](TApSimOptions& options) { options.Faults.ListenAlways = true; });
    std::filesystem::create_directory(dir.Path("folder.bin"));
    for (const char* name : {"missing.bin", "folder.bin"}) {
        SCOPED_TRACE(name);
        dialogs.Plan(TAnswer::Ok);
        statusLabel.SetText("before");
        EXPECT_EQ(Upload("127.0.7.6", dir.Path(name)), orError);
        EXPECT_EQ(Label(), "エラーが発生しました");
        EXPECT_EQ(ScreenCursor(), TCursor::Default);
        statusLabel.SetText("before");
        EXPECT_EQ(SendFile("127.0.7.6", dir.Path(name)), orError);
        EXPECT_EQ(Label(), "エラーが発生しました");
    }
    EXPECT_FALSE(module.KickFirmUpload.Busy());
    EXPECT_TRUE(module.KickFirmUpload.URL.empty()) << "no update request went out";
    EXPECT_EQ(simulator.Stream()->Armed(), TStreamMode::None);
    EXPECT_FALSE(simulator.Report().WaitForStreams(1, 300)) << "no connection came";
}

// An access point that refuses the login answers the update request with its 401 page and
// takes nothing on port 8765: the upload (and the filter write-back after its own request and
// pause) ends as an error without streaming, and so does a refused download request.
TEST_F(TNetworkUpload, ARefusedLoginEndsTheTransferBeforeAnyByteMoves) {
    TApSimulator& simulator = StartSimulator(
        "127.0.7.12", [](TApSimOptions& options) { options.Faults.ListenAlways = true; });
    const std::string file = dir.Write("fw.bin", NetworkPattern(5000));
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Upload("127.0.7.12", file, true, "root", "wrong"), orError);
    EXPECT_EQ(Label(), "エラーが発生しました");

    module.KickFirmwareUpdate("127.0.7.12", "root", "wrong", "firmware_update.cgi",
                              "KeepUserSetting=1&DoUpdate=1");
    std::this_thread::sleep_for(std::chrono::milliseconds(kTestPauseMs));
    statusLabel.SetText("before");
    EXPECT_EQ(SendFile("127.0.7.12", file), orError);
    EXPECT_EQ(Label(), "エラーが発生しました");

    module.NetworkIdleLimitMs = 1000;
    dialogs.Plan(TAnswer::Ok);
    const std::string out = dir.Write("out.bin", "keep me");
    int result = module.DownloadFirmwareByNetwork("127.0.7.12", out, "root", "wrong", totalSize,
                                                  proceedSize, progress, statusLabel);
    EXPECT_EQ(result, orError);
    EXPECT_EQ(TempDir::Read(out), "keep me");

    std::vector<TApSimRequest> requests = Requests(3);
    ASSERT_EQ(requests.size(), 3u);
    for (const TApSimRequest& request : requests) EXPECT_EQ(request.Status, 401);
    EXPECT_FALSE(simulator.Report().WaitForStreams(1, 300)) << "port 8765 was used";

    // The refusal is forgotten once looked at: a file send of its own goes out.
    std::string error;
    ASSERT_TRUE(simulator.Stream()->Arm(TStreamMode::Receive, error)) << error;
    EXPECT_EQ(SendFile("127.0.7.12", file), orDone);
}

// An update request whose reply is still outstanding gives way to the next one, so a second
// run arms the access point again instead of streaming to a port nobody prepared.
TEST_F(TNetworkUpload, ANewUpdateRequestReplacesOneStillOutstanding) {
    StartSimulator("127.0.7.13", [](TApSimOptions& options) { options.Faults.DelayMs = 2000; });
    const std::string image = NetworkPattern(3000);
    const std::string file = dir.Write("fw.bin", image);
    for (int run = 0; run < 2; ++run) {
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(Upload("127.0.7.13", file), orDone) << "run " << run;
    }
    EXPECT_EQ(Requests(2).size(), 2u);
    std::vector<TApSimStream> streams = Streams(2);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].Data, image);
}

// Once the access point stops taking bytes, nothing moves; after the idle limit the upload and
// the filter write-back give up, also in the middle of a chunk, and end the connection with a
// reset, so the access point cannot take the part it has for a whole image.
TEST_F(TNetworkUpload, AStalledUploadEndsAfterTheIdleLimitWithAReset) {
    TApSimulator& simulator = StartSimulator(
        "127.0.7.14", [](TApSimOptions& options) { options.Faults.Stall = 65536 + 512; });
    const std::string image = NetworkPattern(16 * 1048576);
    const std::string file = dir.Write("fw.bin", image);
    module.NetworkIdleLimitMs = 800;
    std::string error;
    for (bool viaRequest : {true, false}) {
        SCOPED_TRACE(viaRequest ? "upload" : "file send");
        if (viaRequest) {
            dialogs.Plan(TAnswer::Ok);
        } else {
            ASSERT_TRUE(simulator.Stream()->Arm(TStreamMode::Receive, error)) << error;
        }
        const int passesBefore = processPasses;
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(viaRequest ? Upload("127.0.7.14", file) : SendFile("127.0.7.14", file), orError);
        const long long elapsed = MillisecondsSince(start);
        EXPECT_GE(elapsed, 800);
        EXPECT_LT(elapsed, 20000);
        // The window was serviced at least every 100 ms while nothing moved.
        EXPECT_GE(processPasses - passesBefore, 8);
        EXPECT_EQ(Label(), "エラーが発生しました");
        FinishHttpRequest();
    }
    std::vector<TApSimStream> streams = Streams(2);
    ASSERT_EQ(streams.size(), 2u);
    for (const TApSimStream& stream : streams) {
        EXPECT_EQ(stream.End, "reset");
        EXPECT_FALSE(stream.Complete);
        EXPECT_EQ(stream.Data, image.substr(0, 65536 + 512));
    }
}

TEST_F(TNetworkUpload, SendFileBySocketSendsWithoutQuestionRequestOrPause) {
    TApSimulator& simulator = StartSimulator("127.0.7.7");
    std::string error;
    ASSERT_TRUE(simulator.Stream()->Arm(TStreamMode::Receive, error)) << error;
    const std::string data = NetworkPattern(5 * 1024 + 1);
    module.KickPauseMs = 2000;
    const Clock::time_point start = Clock::now();

    EXPECT_EQ(SendFile("127.0.7.7", dir.Write("MAF.DAT", data)), orDone);

    EXPECT_LT(MillisecondsSince(start), 1500);
    EXPECT_TRUE(dialogs.History().empty());
    EXPECT_FALSE(module.KickFirmUpload.Busy());
    EXPECT_TRUE(simulator.Report().Requests().empty());
    std::vector<TApSimStream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_TRUE(streams[0].Complete);
    EXPECT_EQ(streams[0].End, "close");
    EXPECT_EQ(streams[0].Data, data);
    EXPECT_EQ(progress.values, (std::vector<int>{0, 19, 39, 59, 79, 99, 100}));
    EXPECT_EQ(totalSize.Text(), FormatCount(5 * 1024 + 1));
    EXPECT_EQ(proceedSize.Text(), FormatCount(5 * 1024 + 1));
    EXPECT_EQ(Label(), "終了しました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
}

// A file cut short while it is being sent (its end comes before its size) must not reach the
// access point as a whole image.
TEST_F(TNetworkUpload, AFileCutWhileItIsSentIsAnError) {
    const std::string file = dir.Write("fw.bin", NetworkPattern(16 * 1048576));
    std::string received;
    int result;
    {
        TStreamPeer peer("127.0.7.15", [&](int connection) {
            received = TStreamPeer::ReadCount(connection, 65536);
            std::filesystem::resize_file(file, 65536);
            received += TStreamPeer::ReadAll(connection);
        });
        result = SendFile("127.0.7.15", file);
    }
    EXPECT_EQ(result, orError);
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_LT(received.size(), 16u * 1048576);
}

// A receiver that stops reading fills the connection: the chunk that finds no room waits and is
// offered again, the window is serviced meanwhile, and no byte is lost or doubled.
TEST_F(TNetworkUpload, AChunkThatFindsNoRoomIsOfferedAgain) {
    const std::string data = NetworkPattern(8 * 1048576 + 333);
    std::string received;
    int result;
    const Clock::time_point start = Clock::now();
    {
        TStreamPeer peer(
            "127.0.7.8",
            [&received](int connection) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2500));
                received = TStreamPeer::ReadAll(connection);
            },
            4096);
        result = SendFile("127.0.7.8", dir.Write("fw.bin", data));
    }
    EXPECT_EQ(result, orDone);
    EXPECT_GE(MillisecondsSince(start), 2000);
    EXPECT_EQ(received.size(), data.size());
    EXPECT_EQ(Sha256Hex(received), Sha256Hex(data));
    // Passes beyond one per chunk and the four of the status steps are the waits for room.
    EXPECT_GT(processPasses, static_cast<int>(Chunks(data.size()) + 4));
    EXPECT_EQ(progress.values.back(), 100);
}

}  // namespace
