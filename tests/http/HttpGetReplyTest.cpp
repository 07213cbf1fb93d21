// Tests of how THTTPGet takes replies: the Content-Length rules in text and file mode, empty
// and cut-short bodies, progress in blocks of 1025 bytes, and the bound on a text reply.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "HttpTestSupport.h"
#include "TempDir.h"

namespace {

class HttpGetReplyTest : public THttpTest {
protected:
    // Requests the page with and without BinaryData; the logs of both.
    std::vector<TEventLog> EitherMode() {
        std::vector<TEventLog> logs;
        for (bool binary : {false, true}) {
            log_ = TEventLog();
            log_.Attach(get_);
            get_.BinaryData = binary;
            EXPECT_TRUE(Request());
            EXPECT_EQ(get_.LastSucceeded(), log_.Errors == 0);
            logs.push_back(log_);
        }
        return logs;
    }
};

TEST_F(HttpGetReplyTest, ReplyWithContentLengthSucceedsInEitherMode) {
    TApSimulator& simulator = StartSimulator("127.0.4.20");
    for (const TEventLog& log : EitherMode()) {
        ASSERT_EQ(log.Texts.size(), 1u);
        EXPECT_EQ(log.Texts[0], simulator.FilterList().ReplyText());
        EXPECT_EQ(log.Progress.back().TotalSize, static_cast<std::int32_t>(log.Texts[0].size()));
    }
}

TEST_F(HttpGetReplyTest, MissingContentLengthFailsOnlyWithBinaryData) {
    TApSimulator& simulator = StartSimulator(
        "127.0.4.21", [](TApSimOptions& options) { options.Faults.NoContentLength = true; });
    std::vector<TEventLog> logs = EitherMode();
    ASSERT_EQ(logs[0].Texts.size(), 1u);
    EXPECT_EQ(logs[0].Texts[0], simulator.FilterList().ReplyText());
    EXPECT_EQ(logs[0].Progress.back().TotalSize, 0);  // nothing was announced
    EXPECT_EQ(logs[1].Errors, 1);
    EXPECT_TRUE(logs[1].Progress.empty());
}

TEST_F(HttpGetReplyTest, BadRepliesFailInEitherMode) {
    // Sizes that are not a number (libcurl itself refuses the first and would take the leading
    // digits of the others), an empty body, a body cut short of its announced size (a filter
    // list that lost its tail must not pass for the whole list).
    auto badLength = [](const char* text) {
        return [text](TApSimOptions& options) {
            options.Faults.BadContentLength = true;
            options.Faults.BadLengthText = text;
        };
    };
    std::vector<std::function<void(TApSimOptions&)>> faults = {
        badLength("unknown"),
        badLength("1 0"),
        badLength("10x"),
        [](TApSimOptions& options) { options.Faults.EmptyBody = true; },
        [](TApSimOptions& options) { options.Faults.CutBody = 3000; },
    };
    for (std::size_t i = 0; i < faults.size(); ++i) {
        StartSimulator("127.0.4." + std::to_string(60 + i), [&](TApSimOptions& options) {
            options.FilterLines = LinesOfSize(5000);
            faults[i](options);
        });
        for (const TEventLog& log : EitherMode()) {
            EXPECT_EQ(log.Errors, 1) << i;
        }
        simulator_->Stop();
    }
}

// Without a Content-Length only the server's close ends a body; a reset cuts it short, and the
// part that arrived must not pass for the whole reply.
TEST_F(HttpGetReplyTest, ATextReplyEndedByAResetFails) {
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    sockaddr_in where{AF_INET, htons(80), {}, {}};
    inet_pton(AF_INET, "127.0.4.70", &where.sin_addr);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&where), sizeof(where)), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    std::thread server([listener] {
        pollfd entry{listener, POLLIN, 0};
        if (poll(&entry, 1, 10000) != 1) return;
        int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        char request[4096];
        recv(connection, request, sizeof(request), 0);
        const std::string reply = "HTTP/1.0 200 OK\r\n\r\n" + std::string(3000, 'm');
        send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        linger reset{1, 0};
        setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        close(connection);
    });
    AimAt(get_, "127.0.4.70", "read_maf.cgi");
    EXPECT_TRUE(Request());
    server.join();
    close(listener);
    EXPECT_EQ(log_.Errors, 1);
    EXPECT_TRUE(log_.Texts.empty());
}

TEST_F(HttpGetReplyTest, ProgressComesPerBlockFromTheWorker) {
    TApSimulator& simulator = StartSimulator(
        "127.0.4.25", [](TApSimOptions& options) { options.FilterLines = LinesOfSize(10000); });
    const std::string reply = simulator.FilterList().ReplyText();
    ASSERT_TRUE(Request());
    ASSERT_EQ(log_.Texts, std::vector<std::string>{reply});
    EXPECT_EQ(log_.Senders, std::vector<THTTPGet*>{&get_});

    const std::size_t blocks = (reply.size() + 1024) / 1025;
    ASSERT_EQ(log_.Progress.size(), blocks);
    for (std::size_t i = 0; i < blocks; ++i) {
        EXPECT_EQ(log_.Progress[i].Readed,
                  static_cast<std::int32_t>(std::min((i + 1) * 1025, reply.size())));
        EXPECT_EQ(log_.Progress[i].TotalSize, static_cast<std::int32_t>(reply.size()));
        EXPECT_NE(log_.Progress[i].Sender, nullptr);
        EXPECT_NE(static_cast<void*>(log_.Progress[i].Sender), static_cast<void*>(&get_));
    }
}

TEST_F(HttpGetReplyTest, TextReplyOver16MiBFails) {
    StartSimulator("127.0.4.26", [](TApSimOptions& options) {
        options.FilterLines = LinesOfSize(16 * 1024 * 1024 + 100);
        options.Faults.NoContentLength = true;
    });
    get_.OnProgress = nullptr;
    ASSERT_TRUE(Request());
    EXPECT_EQ(log_.Errors, 1);
}

// Runs a worker in file mode directly (the component itself always reads text).
bool RunFileMode(const std::string& url, const std::string& fileName, std::int32_t& total) {
    THTTPRequest request{"*/*", "", url, fileName, "root", "pw", "", "", false, false, true};
    bool done = false;
    bool success = false;
    THTTPGetThread::Run(request, nullptr, std::make_shared<THTTPGetLink>(),
                        [&](THTTPGetThread* worker) {
                            done = true;
                            success = worker->Success();
                            total = worker->Total();
                            if (success) {
                                EXPECT_EQ(worker->AnnouncedSize(), total);
                            }
                        });
    EXPECT_TRUE(ServeUntil([&] { return done; }));
    return success;
}

TEST_F(HttpGetReplyTest, FileModeSucceedsExactlyWhenTheAnnouncedSizeArrived) {
    TApSimulator& simulator = StartSimulator(
        "127.0.4.27", [](TApSimOptions& options) { options.FilterLines = LinesOfSize(4000); });
    TempDir dir;
    std::int32_t total = 0;
    EXPECT_TRUE(RunFileMode(get_.URL, dir.Path("maf.txt"), total));
    EXPECT_EQ(TempDir::Read(dir.Path("maf.txt")), simulator.FilterList().ReplyText());
    // A file that cannot be created fails.
    EXPECT_FALSE(RunFileMode(get_.URL, dir.Path("no/such/folder/x"), total));

    StartSimulator("127.0.4.28",
                   [](TApSimOptions& options) { options.Faults.NoContentLength = true; });
    EXPECT_FALSE(RunFileMode(get_.URL, dir.Path("maf.txt"), total));  // nothing was announced
    EXPECT_GT(total, 0);
}

}  // namespace
