// Tests of the blocking TCP client against a plain peer on the test's own loopback address:
// refused connections, a silent host, time-outs that report "would block", and a peer's close
// or reset as the caller sees it, without losing data still waiting to be read.
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "ApSimTestSupport.h"

namespace {

// A listener on address:8765 whose one connection does what the test tells it.
class TTestPeer {
public:
    explicit TTestPeer(const std::string& address, int backlog = 1, int receiveBuffer = 0) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        if (receiveBuffer > 0) {
            setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof(receiveBuffer));
        }
        sockaddr_in where{AF_INET, htons(8765), {}, {}};
        inet_pton(AF_INET, address.c_str(), &where.sin_addr);
        EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof(where)), 0);
        EXPECT_EQ(listen(listener_, backlog), 0);
    }
    ~TTestPeer() {
        if (connection_ >= 0) close(connection_);
        close(listener_);
    }
    // Connects client to the peer and accepts the connection.
    bool Connect(TClientSocket& client, const std::string& address) {
        client.Address = address;
        pollfd entry{listener_, POLLIN, 0};
        if (!client.Open() || poll(&entry, 1, 5000) != 1) return false;
        connection_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return connection_ >= 0;
    }
    void Send(const std::string& data) {
        EXPECT_EQ(send(connection_, data.data(), data.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(data.size()));
    }
    // Closes; with hard set, a reset instead of an orderly close.
    void Close(bool hard) {
        linger reset{1, 0};
        if (hard) setsockopt(connection_, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        close(connection_);
        connection_ = -1;
        poll(nullptr, 0, 50);  // for the close to reach the client
    }

private:
    int listener_ = -1;
    int connection_ = -1;
};

TEST(ClientSocketTest, ConnectionThatCannotBeMadeFails) {
    for (const char* address : {"127.0.6.1", "127.0.6.1:81"}) {
        TClientSocket socket;
        socket.Address = address;
        EXPECT_EQ(socket.Port, 8765);
        EXPECT_FALSE(socket.Open());
        EXPECT_FALSE(socket.ErrorText().empty());
        EXPECT_FALSE(socket.Active());
        EXPECT_FALSE(socket.Connected());
        char byte = 0;
        EXPECT_EQ(socket.SendBuf(&byte, 1), TClientSocket::SocketError);
        EXPECT_EQ(socket.ReceiveBuf(&byte, 1), TClientSocket::SocketError);
    }
    TClientSocket refused;
    refused.Address = "127.0.6.1";
    EXPECT_FALSE(refused.Open());
    EXPECT_EQ(refused.LastError(), ECONNREFUSED);
}

TEST(ClientSocketTest, SilentHostEndsTheConnectWithinItsTimeOut) {
    // A full backlog leaves further connection attempts unanswered, like a silent host.
    TTestPeer peer("127.0.6.7", 0);
    std::vector<std::unique_ptr<TClientSocket>> sockets;
    bool timedOut = false;
    int slices = 0;
    for (int i = 0; i < 8 && !timedOut; ++i) {
        sockets.push_back(std::make_unique<TClientSocket>());
        sockets.back()->Address = "127.0.6.7";
        sockets.back()->ConnectTimeoutMs = 300;
        slices = 0;
        timedOut = !sockets.back()->OpenWhile(50, [&slices] { ++slices; });
    }
    ASSERT_TRUE(timedOut);
    EXPECT_EQ(sockets.back()->LastError(), ETIMEDOUT);
    // The caller was given its turn after the slices of the wait (each at least 50 ms long).
    EXPECT_GE(slices, 2);
    EXPECT_LE(slices, 7);
}

TEST(ClientSocketTest, DataLeftAfterThePeersCloseIsStillRead) {
    TTestPeer peer("127.0.6.2");
    TClientSocket socket;
    ASSERT_TRUE(peer.Connect(socket, "127.0.6.2"));
    const std::string tail = PatternBytes(3000);
    peer.Send(tail);
    peer.Close(false);
    std::string data;
    char buffer[1024];
    while (socket.Connected()) {
        int received = socket.ReceiveBuf(buffer, sizeof(buffer));
        ASSERT_GT(received, 0);
        data.append(buffer, static_cast<std::size_t>(received));
    }
    EXPECT_TRUE(data == tail);
    EXPECT_EQ(socket.ReceiveBuf(buffer, sizeof(buffer)), 0);
    EXPECT_TRUE(socket.Active());
    socket.Close();
    EXPECT_FALSE(socket.Active());
}

TEST(ClientSocketTest, TimeOutsReportWouldBlock) {
    TTestPeer peer("127.0.6.4", 1, 4096);
    TClientSocket socket;
    socket.ReceiveTimeoutMs = 50;
    socket.SendTimeoutMs = 50;
    ASSERT_TRUE(peer.Connect(socket, "127.0.6.4"));
    char byte;
    EXPECT_EQ(socket.ReceiveBuf(&byte, 1), TClientSocket::SocketWouldBlock);
    // The peer never reads: sooner or later a whole chunk cannot go out.
    const std::string chunk = PatternBytes(1024);
    int result = 0;
    for (int i = 0; i < 100000 && result != TClientSocket::SocketWouldBlock; ++i) {
        result = socket.SendBuf(chunk.data(), 1024);
        ASSERT_TRUE(result == 1024 || result == TClientSocket::SocketWouldBlock) << result;
    }
    EXPECT_EQ(result, TClientSocket::SocketWouldBlock);
    EXPECT_EQ(socket.SendSome(chunk.data(), 1024, 50), TClientSocket::SocketWouldBlock);
    EXPECT_TRUE(socket.Connected());
}

TEST(ClientSocketTest, PeerThatClosedOrResetIsFoundClosed) {
    for (bool reset : {false, true}) {
        TTestPeer peer("127.0.6.5");
        TClientSocket socket;
        ASSERT_TRUE(peer.Connect(socket, "127.0.6.5"));
        EXPECT_TRUE(socket.Connected());
        peer.Close(reset);
        EXPECT_FALSE(socket.Connected());
        if (reset) {
            const std::string chunk = PatternBytes(1024);
            EXPECT_EQ(socket.SendBuf(chunk.data(), 1024), TClientSocket::SocketClosed);
        }
    }
}

}  // namespace
