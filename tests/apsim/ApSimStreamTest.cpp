// Tests of port 8765 of the simulated access point with the client socket: the upload stream
// received byte for byte, the image sent byte for byte, a bound filter list that replaces the
// list, and the faults (refused, closed early) as the client sees them.
#include <chrono>
#include <thread>

#include "ApSimTestSupport.h"

namespace {

class ApSimStreamTest : public TApSimTest {
protected:
    // Arms port 8765 and connects to it.
    bool Connect(TStreamMode mode, TClientSocket& socket) {
        std::string error;
        socket.Address = simulator_->Options().Address;
        return simulator_->Stream()->Arm(mode, error) && socket.Open();
    }

    // Sends data in 1024-byte chunks as the upload does, until the peer is found closed.
    static std::size_t Upload(TClientSocket& socket, const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size() && socket.Connected()) {
            int chunk = static_cast<int>(std::min<std::size_t>(1024, data.size() - sent));
            int result = socket.SendBuf(data.data() + sent, chunk);
            if (result == TClientSocket::SocketWouldBlock) continue;
            if (result != chunk) break;
            sent += static_cast<std::size_t>(chunk);
        }
        socket.Close();
        return sent;
    }

    TApSimStream Recorded() {
        EXPECT_TRUE(simulator_->Report().WaitForStreams(1, 5000));
        return simulator_->Report().Streams().at(0);
    }
};

TEST_F(ApSimStreamTest, UploadIsReceivedByteForByteOncePerRequest) {
    StartSimulator("127.0.5.20");
    const std::string image = PatternBytes(300 * 1024 + 17);
    TClientSocket socket;
    ASSERT_TRUE(Connect(TStreamMode::Receive, socket));
    EXPECT_EQ(Upload(socket, image), image.size());
    TApSimStream stream = Recorded();
    EXPECT_EQ(stream.Direction + " " + stream.Kind, "received image");
    EXPECT_TRUE(stream.Complete);
    EXPECT_TRUE(stream.Data == image);
    // The port is closed again until the next request.
    EXPECT_FALSE(socket.Open());
}

TEST_F(ApSimStreamTest, ImageIsSentByteForByteThenTheConnectionCloses) {
    StartSimulator("127.0.5.21", [](TApSimOptions& o) { o.ImageSize = 200 * 1024 + 5; });
    TClientSocket socket;
    ASSERT_TRUE(Connect(TStreamMode::Send, socket));
    EXPECT_TRUE(Exchange("127.0.5.21", 0, "", &socket) == GenerateApSimImage(200 * 1024 + 5));
    TApSimStream stream = Recorded();
    EXPECT_EQ(stream.Direction, "sent");
    EXPECT_TRUE(stream.Complete);
}

TEST_F(ApSimStreamTest, ReceivedBoundFilterListReplacesTheList) {
    StartSimulator("127.0.5.22");
    const std::string text = "00:0A:0B:0C:0D:0E \xA4\xA2\n00:01:02:03:04:05 b\n";
    std::string bound = "\x33\xBB\x4D\x46";
    bound += static_cast<char>(text.size()) + std::string(3, '\0') + text + std::string(4, '\0');
    TClientSocket socket;
    ASSERT_TRUE(Connect(TStreamMode::Receive, socket));
    EXPECT_EQ(Upload(socket, bound), bound.size());
    EXPECT_EQ(Recorded().Kind, "filter list");
    EXPECT_EQ(simulator_->FilterList().ReplyText(), "MAFLIST 2\n" + text);
}

// The report tells an orderly end (a whole image) from a reset (a client that gave up), also
// when the access point has stopped reading (the stall fault).
TEST_F(ApSimStreamTest, RecordsWhetherTheClientClosedOrReset) {
    const std::string image = PatternBytes(20000);
    struct TCase {
        const char* address;
        std::int64_t stall;
        bool abort;
        const char* end;
    };
    for (const TCase& c :
         {TCase{"127.0.5.25", -1, false, "close"}, TCase{"127.0.5.26", -1, true, "reset"},
          TCase{"127.0.5.27", 5000, true, "reset"}}) {
        SCOPED_TRACE(c.address);
        StartSimulator(c.address, [&c](TApSimOptions& o) { o.Faults.Stall = c.stall; });
        TClientSocket socket;
        ASSERT_TRUE(Connect(TStreamMode::Receive, socket));
        ASSERT_EQ(socket.SendBuf(image.data(), static_cast<int>(image.size())),
                  static_cast<int>(image.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (c.abort) {
            socket.Abort();
        } else {
            socket.Close();
        }
        TApSimStream stream = Recorded();
        EXPECT_EQ(stream.End, c.end);
        EXPECT_EQ(stream.Complete, !c.abort);
        EXPECT_TRUE(stream.Data == image.substr(0, c.stall >= 0 ? c.stall : image.size()));
        simulator_->Stop();
    }
}

// With listen-always, a connection that no request armed the port for is taken and dropped:
// recorded as ignored, never as an image.
TEST_F(ApSimStreamTest, ListenAlwaysDropsUnarmedStreams) {
    StartSimulator("127.0.5.28", [](TApSimOptions& o) { o.Faults.ListenAlways = true; });
    TClientSocket socket;
    socket.Address = "127.0.5.28";
    ASSERT_TRUE(socket.Open());
    EXPECT_EQ(Upload(socket, PatternBytes(3000)), 3000u);
    EXPECT_EQ(Recorded().Kind, "ignored");
    ASSERT_TRUE(Connect(TStreamMode::Receive, socket)) << "the port still listens";
    EXPECT_EQ(Upload(socket, PatternBytes(3000)), 3000u);
    EXPECT_TRUE(simulator_->Report().WaitForStreams(2, 5000));
    EXPECT_EQ(simulator_->Report().Streams().at(1).Kind, "image");
}

TEST_F(ApSimStreamTest, RefuseFaultRefusesEvenWhenArmed) {
    StartSimulator("127.0.5.23", [](TApSimOptions& o) { o.Faults.Refuse = true; });
    TClientSocket socket;
    EXPECT_FALSE(Connect(TStreamMode::Receive, socket));
    EXPECT_EQ(socket.LastError(), ECONNREFUSED);
}

TEST_F(ApSimStreamTest, ClosingEarlyCutsBothDirectionsShort) {
    StartSimulator("127.0.5.24", [](TApSimOptions& o) { o.Faults.CloseEarly = 5000; });
    const std::string image = PatternBytes(4 * 1024 * 1024);
    TClientSocket socket;
    ASSERT_TRUE(Connect(TStreamMode::Receive, socket));
    // The client finds the connection closed (or reset) long before the end of the image.
    EXPECT_LT(Upload(socket, image), image.size());
    TApSimStream stream = Recorded();
    EXPECT_FALSE(stream.Complete);
    EXPECT_TRUE(stream.Data == image.substr(0, 5000));

    ASSERT_TRUE(Connect(TStreamMode::Send, socket));
    EXPECT_TRUE(Exchange("", 0, "", &socket) == GenerateApSimImage(65536).substr(0, 5000));
}

}  // namespace
