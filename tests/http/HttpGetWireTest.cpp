// Tests of what THTTPGet puts on the wire, checked in the simulated access point's report:
// method, target, version, headers and body bytes of a post and a get, the credentials, the
// address forms, and port 80 whatever the address says.
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include "ApSimStreamSide.h"
#include "HttpTestSupport.h"
#include "RawHttpPeer.h"

namespace {

class HttpGetWireTest : public THttpTest {};

TEST_F(HttpGetWireTest, PostThenGetArmTheAccessPointsReceiverAndSender) {
    TApSimulator& simulator = StartSimulator("127.0.4.1", nullptr, "firmware_update.cgi");
    get_.PostQuery = "KeepUserSetting=1&DoUpdate=1";
    get_.Referer = "http://127.0.4.1/index.html";
    ASSERT_TRUE(Request());
    EXPECT_EQ(simulator.Stream()->Armed(), TStreamMode::Receive);

    get_.URL = "HTTP://127.0.4.1/downfirm.cgi";
    get_.PostQuery.clear();
    get_.Referer.clear();
    get_.UseCache = true;
    get_.Agent.clear();
    get_.AcceptTypes = "text/plain";
    ASSERT_TRUE(Request());
    EXPECT_EQ(log_.Texts.size(), 2u);

    // The bytes of both requests are pinned by RequestsGoOutExactlyAsTheAccessPointExpectsThem;
    // here the simulated access point took them as its update and download requests.
    ASSERT_EQ(Received(2).size(), 2u);
    EXPECT_EQ(simulator.Stream()->Armed(), TStreamMode::Send);
}

// The update request and the download request, byte for byte as they leave the component.
TEST_F(HttpGetWireTest, RequestsGoOutExactlyAsTheAccessPointExpectsThem) {
    struct TCase {
        std::function<void(THTTPGet&)> set;
        std::string request;
    };
    const TCase cases[] = {
        {[](THTTPGet& get) {
             get.PostQuery = "KeepUserSetting=1&DoUpdate=1";
             get.Referer = "http://127.0.4.9/index.html";
         },
         "POST /firmware_update.cgi HTTP/1.0\r\n"
         "Host: 127.0.4.9\r\n"
         "Authorization: Basic cm9vdDpwdw==\r\n"
         "User-Agent: Quarnel HTTPGet\r\n"
         "Referer: http://127.0.4.9/index.html\r\n"
         "Accept: */*\r\n"
         "Pragma: no-cache\r\n"
         "Cache-Control: no-cache\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: 28\r\n"
         "\r\n"
         "KeepUserSetting=1&DoUpdate=1"},
        {[](THTTPGet& get) {
             get.URL = "http://127.0.4.9/downfirm.cgi";
             get.UseCache = true;
             get.Agent.clear();
             get.AcceptTypes = "text/plain";
         },
         "GET /downfirm.cgi HTTP/1.0\r\n"
         "Host: 127.0.4.9\r\n"
         "Authorization: Basic cm9vdDpwdw==\r\n"
         "Accept: text/plain\r\n"
         "\r\n"},
    };
    for (const TCase& c : cases) {
        THTTPGet get;
        log_.Attach(get);
        get.URL = "http://127.0.4.9/firmware_update.cgi";
        get.UserName = "root";
        get.Password = "pw";
        c.set(get);
        std::string received;
        {
            TRawHttpPeer peer("127.0.4.9", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
            int before = log_.Completions();
            get.StartRequest();
            ASSERT_TRUE(ServeUntil([&] { return log_.Completions() > before; }));
            received = peer.Received();
        }
        EXPECT_EQ(received, c.request);
        EXPECT_EQ(log_.Texts.back(), "ok");
    }
}

TEST_F(HttpGetWireTest, WithoutUserNameTheRefusalArrivesAsText) {
    StartSimulator("127.0.4.3");
    get_.UserName.clear();
    ASSERT_TRUE(Request());
    EXPECT_FALSE(Received(1)[0].HasHeader("Authorization"));
    // The status is not examined: the refusal is a reply like any other.
    ASSERT_EQ(log_.Texts.size(), 1u);
    const std::string& text = log_.Texts[0];
    EXPECT_NE(text.substr(0, text.find('\n')).find("401 Unauthorized"), std::string::npos);
}

TEST_F(HttpGetWireTest, AddressWithoutSlashHasAnEmptyHostAndFails) {
    TApSimulator& simulator = StartSimulator("127.0.4.5");
    get_.URL = "http://127.0.4.5";
    ASSERT_TRUE(Request());
    EXPECT_EQ(log_.Errors, 1);
    EXPECT_FALSE(get_.LastSucceeded());
    EXPECT_TRUE(simulator.Report().Requests().empty());
}

TEST_F(HttpGetWireTest, PortSuffixStaysInTheHostNameAndNothingIsReached) {
    TApSimulator& simulator = StartSimulator("127.0.4.6");
    // Something listens on port 81 of the same address; it must not be reached.
    int port81 = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{AF_INET, htons(81), {}, {}};
    inet_pton(AF_INET, "127.0.4.6", &where.sin_addr);
    ASSERT_EQ(bind(port81, reinterpret_cast<sockaddr*>(&where), sizeof(where)), 0);
    ASSERT_EQ(listen(port81, 4), 0);
    get_.URL = "http://127.0.4.6:81/read_maf.cgi";
    ASSERT_TRUE(Request());
    EXPECT_EQ(log_.Errors, 1);
    pollfd entry{port81, POLLIN, 0};
    EXPECT_EQ(poll(&entry, 1, 0), 0);
    close(port81);
    EXPECT_TRUE(simulator.Report().Requests().empty());
}

}  // namespace
