// Tests of the simulated access point's web pages: the filter list in EUC-JP, the refusal,
// the arming of port 8765, a delayed reply at shutdown, and the report. (The reply faults are
// checked through the HTTP component's tests.)
#include <chrono>

#include "ApSimTestSupport.h"
#include "TempDir.h"

namespace {

class ApSimPagesTest : public TApSimTest {};

TEST_F(ApSimPagesTest, FilterPageServesTheListInEucJp) {
    StartSimulator("127.0.5.1");
    std::string reply = Exchange("127.0.5.1", 80, Request("GET", "read_maf.cgi"));
    EXPECT_EQ(reply.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(BodyOf(reply),
              "MAFLIST 2\n"
              "00:A0:C9:12:AB:34 \xBB\xF6\xCC\xB3\xBD\xEAPC\n"
              "00:11:22:33:44:55 printer\n");
    ASSERT_TRUE(simulator_->Report().WaitForRequests(1, 5000));
    TApSimRequest request = simulator_->Report().Requests()[0];
    EXPECT_EQ(request.Method + " " + request.Target + " " + request.Version,
              "GET /read_maf.cgi HTTP/1.0");
    EXPECT_EQ(request.Status, 200);
    EXPECT_TRUE(request.Authorized);
}

TEST_F(ApSimPagesTest, WrongOrMissingLoginIsRefusedOnEveryPage) {
    StartSimulator("127.0.5.2");
    for (const std::string& credentials : {std::string(), std::string("cm9vdDpiYWQ=")}) {
        for (const std::string& request : {Request("GET", "read_maf.cgi", "", credentials),
                                           Request("GET", "downfirm.cgi", "", credentials),
                                           Request("POST", "firmware_update.cgi",
                                                   "KeepUserSetting=1&DoUpdate=1", credentials)}) {
            std::string reply = Exchange("127.0.5.2", 80, request);
            EXPECT_EQ(reply.substr(0, 12), "HTTP/1.1 401") << request;
            EXPECT_NE(reply.find("WWW-Authenticate: Basic"), std::string::npos);
            std::string body = BodyOf(reply);
            EXPECT_NE(body.substr(0, body.find('\n')).find("401 Unauthorized"), std::string::npos);
        }
    }
    // A refused update arms nothing: port 8765 still refuses.
    EXPECT_EQ(simulator_->Stream()->Armed(), TStreamMode::None);
    TClientSocket socket;
    socket.Address = "127.0.5.2";
    EXPECT_FALSE(socket.Open());
}

TEST_F(ApSimPagesTest, UpdateRequestArmsTheReceiverOnlyWithDoUpdate) {
    StartSimulator("127.0.5.3");
    Exchange("127.0.5.3", 80, Request("POST", "firmware_update.cgi", "KeepUserSetting=1"));
    EXPECT_EQ(simulator_->Stream()->Armed(), TStreamMode::None);
    Exchange("127.0.5.3", 80,
             Request("POST", "firmware_update.cgi", "KeepUserSetting=0&DoUpdate=1"));
    EXPECT_EQ(simulator_->Stream()->Armed(), TStreamMode::Receive);
    ASSERT_TRUE(simulator_->Report().WaitForRequests(2, 5000));
    EXPECT_EQ(simulator_->Report().Requests()[1].Body, "KeepUserSetting=0&DoUpdate=1");
}

TEST_F(ApSimPagesTest, DelayedReplyDoesNotHoldUpTheStop) {
    StartSimulator("127.0.5.9", [](TApSimOptions& o) { o.Faults.DelayMs = 60000; });
    TClientSocket socket;
    socket.Address = "127.0.5.9";
    socket.Port = 80;
    ASSERT_TRUE(socket.Open());
    std::string request = Request("GET", "read_maf.cgi");
    ASSERT_EQ(socket.SendBuf(request.data(), static_cast<int>(request.size())),
              static_cast<int>(request.size()));
    char byte;
    socket.ReceiveTimeoutMs = 300;
    EXPECT_EQ(socket.ReceiveBuf(&byte, 1), TClientSocket::SocketWouldBlock);
    auto start = std::chrono::steady_clock::now();
    simulator_->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(ApSimPagesTest, SecondSimulatorOnTheSameAddressFailsToStart) {
    StartSimulator("127.0.5.10");
    TApSimOptions options;
    options.Address = "127.0.5.10";
    TApSimulator second(options);
    std::string error;
    ASSERT_TRUE(second.AddNetworkSides(error));
    EXPECT_FALSE(second.Start(error));
    EXPECT_NE(error.find("http"), std::string::npos);
    // The first one still answers.
    EXPECT_EQ(BodyOf(Exchange("127.0.5.10", 80, Request("GET", "read_maf.cgi"))),
              simulator_->FilterList().ReplyText());
}

TEST_F(ApSimPagesTest, ReportFileHoldsRequestsAndStreams) {
    TempDir dir;
    StartSimulator("127.0.5.11", [&](TApSimOptions& o) {
        o.ReportFile = dir.Path("report.json");
        o.StoreDir = dir.Path("");
    });
    Exchange("127.0.5.11", 80,
             Request("POST", "firmware_update.cgi", "KeepUserSetting=1&DoUpdate=1"));
    TClientSocket socket;
    socket.Address = "127.0.5.11";
    ASSERT_TRUE(socket.Open());
    ASSERT_EQ(socket.SendBuf("\x01\x02\xFF image", 9), 9);
    socket.Close();
    ASSERT_TRUE(simulator_->Report().WaitForStreams(1, 5000));
    std::string error;
    ASSERT_TRUE(simulator_->WriteReport(error)) << error;
    std::string json = TempDir::Read(dir.Path("report.json"));
    for (const char* part :
         {"\"address\": \"127.0.5.11\"", "\"body\": \"KeepUserSetting=1&DoUpdate=1\"",
          "[\"Authorization\", \"Basic cm9vdDpwdw==\"]", "\"direction\": \"received\", \"size\": 9",
          "\"file\": "}) {
        EXPECT_NE(json.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(TempDir::Read(simulator_->Report().Streams().at(0).File), "\x01\x02\xFF image");
}

}  // namespace
