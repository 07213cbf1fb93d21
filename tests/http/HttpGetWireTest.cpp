// Tests of what THTTPGet puts on the wire, checked in the simulated access point's report:
// method, target, version, headers and body bytes of a post and a get, the credentials, the
// address forms, and port 80 whatever the address says.
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include "ApSimStreamSide.h"
#include "HttpTestSupport.h"

namespace {

class HttpGetWireTest : public THttpTest {};

TEST_F(HttpGetWireTest, PostThenGetCarryExactlyTheirProperties) {
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

    // The credentials went out with the first request: no challenge round trip.
    std::vector<TApSimRequest> requests = Received(2);
    ASSERT_EQ(requests.size(), 2u);
    const TApSimRequest& post = requests[0];
    EXPECT_EQ(post.Method + " " + post.Target + " " + post.Version,
              "POST /firmware_update.cgi HTTP/1.0");
    EXPECT_EQ(post.Body, "KeepUserSetting=1&DoUpdate=1");
    EXPECT_EQ(post.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(post.Header("Content-Length"), "28");
    EXPECT_EQ(post.Header("Accept"), "*/*");
    EXPECT_EQ(post.Header("User-Agent"), "Quarnel HTTPGet");
    EXPECT_EQ(post.Header("Pragma"), "no-cache");
    EXPECT_EQ(post.Header("Cache-Control"), "no-cache");
    EXPECT_EQ(post.Header("Referer"), "http://127.0.4.1/index.html");
    EXPECT_EQ(post.Header("Authorization"), "Basic cm9vdDpwdw==");  // root:pw
    EXPECT_EQ(post.Header("Host"), "127.0.4.1");
    EXPECT_FALSE(post.HasHeader("Expect"));

    const TApSimRequest& request = requests[1];
    EXPECT_EQ(request.Method + " " + request.Target + " " + request.Version,
              "GET /downfirm.cgi HTTP/1.0");
    EXPECT_EQ(request.Body, "");
    EXPECT_EQ(request.Header("Accept"), "text/plain");
    for (const char* absent :
         {"Content-Type", "Pragma", "Cache-Control", "User-Agent", "Referer"}) {
        EXPECT_FALSE(request.HasHeader(absent)) << absent;
    }
    EXPECT_EQ(simulator.Stream()->Armed(), TStreamMode::Send);
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
