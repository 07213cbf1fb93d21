// The truth of a network transfer's end: an upload is done only once the access point's TCP
// acknowledged every byte, a request that never reached the access point ends the operation
// before port 8765, and proxy variables never take the access point's requests.
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "NetworkTestSupport.h"

namespace {

using TNetworkDelivery = TNetworkTest;
using TAnswer = TDialogs::Answer;
using Clock = std::chrono::steady_clock;

// An update request that never reached the access point (its port 80 refuses) did not arm it:
// whatever answers on port 8765 must get no image, and no download may replace a file with
// what it hands back. The operation ends at the end of the pause, with the system's reason.
TEST_F(TNetworkDelivery, ARequestThatNeverReachedTheAccessPointEndsBeforePort8765) {
    TApSimulator& simulator = StartSimulator("127.0.7.22", [](TApSimOptions& options) {
        options.HttpPort = 8080;  // port 80 refuses
        options.Faults.ListenAlways = true;
    });
    const std::string file = dir.Write("fw.bin", NetworkPattern(65536));
    const std::string backup = dir.Write("backup.bin", "the old image");
    const std::function<int()> operations[] = {
        [&] {
            dialogs.Plan(TAnswer::Ok);
            return Upload("127.0.7.22", file);
        },
        [&] {
            dialogs.Plan(TAnswer::Ok);
            return Download("127.0.7.22", backup);
        },
        [&] {  // the filter write-back: its own request, its own pause, then the file send
            module.KickFirmwareUpdate("127.0.7.22", "root", "pw", "firmware_update.cgi",
                                      "KeepUserSetting=1&DoUpdate=1");
            std::this_thread::sleep_for(std::chrono::milliseconds(kTestPauseMs));
            return SendFile("127.0.7.22", file);
        },
    };
    // A front end's listener learns the end as one event, with the same reason.
    struct TResults : TOperationReport {
        std::vector<std::pair<OperationResult, std::string>> ends;
        void Phase(TPhase) override {}
        void Total(double) override {}
        void Done(double) override {}
        void Percent(int) override {}
        void Prompt(TPrompt) override {}
        void OtherPhase(const std::string&) override {}
        void Result(OperationResult result, const std::string& cause) override {
            ends.emplace_back(result, cause);
        }
    } listener;
    module.Listener = &listener;
    for (const auto& operation : operations) {
        EXPECT_EQ(operation(), orError);
        EXPECT_EQ(Label(), "エラーが発生しました");
        EXPECT_NE(module.LastFailureCause.find("never reached the access point: Connection "
                                               "refused"),
                  std::string::npos)
            << module.LastFailureCause;
        ASSERT_FALSE(listener.ends.empty());
        EXPECT_EQ(listener.ends.back(), std::make_pair(orError, module.LastFailureCause));
    }
    EXPECT_EQ(listener.ends.size(), 3u);
    module.Listener = nullptr;
    EXPECT_EQ(TempDir::Read(backup), "the old image");
    EXPECT_TRUE(simulator.Report().Streams().empty()) << "port 8765 was touched";
}

// The access point is on the local network: proxy variables, as many company laptops set
// them, must not take its requests (here they name a proxy that refuses everything).
TEST_F(TNetworkDelivery, ProxyVariablesDoNotTakeTheAccessPointsRequests) {
    TApSimulator& simulator = StartSimulator("127.0.7.23");
    const std::string image = NetworkPattern(65536);
    const std::string file = dir.Write("fw.bin", image);
    unsetenv("NO_PROXY");
    unsetenv("no_proxy");
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy"}) {
        setenv(name, "http://127.0.0.1:9", 1);
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(Upload("127.0.7.23", file), orDone) << name << ": " << module.LastFailureCause;
        unsetenv(name);
    }
    std::vector<TApSimStream> streams = Streams(3);
    ASSERT_EQ(streams.size(), 3u);
    for (const TApSimStream& stream : streams) EXPECT_TRUE(stream.Data == image);
    EXPECT_EQ(simulator.Report().Requests().size(), 3u);
}

// The last send returning proves only that the bytes reached our own send buffer. An access
// point that fails part way (it closes, resets, or ends its side and stops reading) must not
// pass for a finished update, wherever it stops: the upload waits for its acknowledgement of
// every byte. The simulated access point holds little before it reads (as a real one does,
// about 32 KiB here, less than any cut leaves unread, so that its acknowledgements cannot
// cover the rest), and every cut is played several times so that a race cannot hide.
TEST_F(TNetworkDelivery, AnUploadIsDoneOnlyWhenTheAccessPointTookEveryByte) {
    constexpr std::int64_t kSize = 2097152;
    const std::string image = NetworkPattern(kSize);
    const std::string file = dir.Write("fw.bin", image);
    struct TEnd {
        const char* name;
        std::int64_t TApSimFaults::*cut;
    };
    const TEnd ends[] = {{"close", &TApSimFaults::CloseEarly},
                         {"reset", &TApSimFaults::ResetAt},
                         {"end in order", &TApSimFaults::EndAt}};
    for (const TEnd& end : ends) {
        for (std::int64_t cut : {std::int64_t{4096}, std::int64_t{1000000}, kSize - 60000}) {
            SCOPED_TRACE(std::string(end.name) + " after " + std::to_string(cut));
            StartSimulator("127.0.7.20", [&](TApSimOptions& options) {
                options.Faults.ListenAlways = true;
                options.Faults.ReceiveBuffer = 16384;
                options.Faults.*end.cut = cut;
            });
            constexpr int kRuns = 4;
            for (int run = 0; run < kRuns; ++run) {
                EXPECT_EQ(SendFile("127.0.7.20", file), orError) << "run " << run;
                EXPECT_EQ(Label(), "エラーが発生しました");
                EXPECT_NE(module.LastFailureCause.find("of 2,097,152 bytes"), std::string::npos)
                    << module.LastFailureCause;
            }
            for (const TApSimStream& stream : Streams(kRuns)) {
                EXPECT_EQ(stream.Data, image.substr(0, static_cast<std::size_t>(cut)));
            }
        }
    }
}

// Success waits for the access point's acknowledgement, not for its close: one that keeps the
// connection (it starts flashing) or vanishes later still took the whole image.
TEST_F(TNetworkDelivery, ATakenImageIsDoneWithoutWaitingForTheAccessPointToClose) {
    const std::string image = NetworkPattern(2097152);
    const std::string file = dir.Write("fw.bin", image);
    std::string received;
    int result;
    long long elapsedMs;
    {
        TStreamPeer peer(
            "127.0.7.21",
            [&](int connection) {
                received = TStreamPeer::ReadCount(connection, image.size());
                std::this_thread::sleep_for(std::chrono::seconds(3));
            },
            16384);
        const Clock::time_point start = Clock::now();
        result = SendFile("127.0.7.21", file);
        elapsedMs = MillisecondsSince(start);
    }
    EXPECT_EQ(result, orDone) << module.LastFailureCause;
    EXPECT_LT(elapsedMs, 2500) << "the upload waited for the access point's close";
    EXPECT_TRUE(received == image) << "received " << received.size();
    EXPECT_EQ(Label(), "終了しました");
    EXPECT_TRUE(module.LastFailureCause.empty());
}

}  // namespace
