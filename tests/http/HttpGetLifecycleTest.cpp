// Tests of THTTPGet's life cycle: one request at a time (also from inside its own events),
// cancelling, destruction with a worker still running or waiting for the main thread, and
// WaitThread's dispatch of pending calls.
#include <atomic>
#include <thread>

#include "HttpTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A slow body: many lines that leave the simulator 1024 bytes at a time.
void SlowBody(TApSimOptions& options) {
    options.FilterLines = LinesOfSize(40000);
    options.Faults.DripMs = 100;
}

class HttpGetLifecycleTest : public THttpTest {};

TEST_F(HttpGetLifecycleTest, SecondStartWhileBusyIsIgnored) {
    StartSimulator("127.0.4.40", [](TApSimOptions& options) { options.Faults.DelayMs = 300; });
    get_.StartRequest();
    EXPECT_TRUE(get_.Busy());
    get_.URL = "http://127.0.4.40/downfirm.cgi";
    ASSERT_TRUE(Request());
    ServeFor(300);
    EXPECT_EQ(log_.Completions(), 1);
    EXPECT_FALSE(get_.Busy());
    std::vector<TApSimRequest> requests = Received(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Target, "/read_maf.cgi");
}

TEST_F(HttpGetLifecycleTest, StartFromInsideItsEventsIsIgnored) {
    StartSimulator("127.0.4.41");
    bool busyInside = false;
    get_.OnDoneString = [&](THTTPGet* sender, const std::string& text) {
        log_.Texts.push_back(text);
        busyInside = sender->Busy();
        sender->StartRequest();
    };
    get_.OnError = [&](THTTPGet* sender) {
        ++log_.Errors;
        sender->StartRequest();
    };
    ASSERT_TRUE(Request());
    get_.URL = "http://no-slash-so-no-host";
    ASSERT_TRUE(Request());
    ServeFor(300);
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(get_.Busy());
    EXPECT_EQ(log_.Texts.size(), 1u);
    EXPECT_EQ(log_.Errors, 1);
    EXPECT_EQ(Received(1).size(), 1u);
}

TEST_F(HttpGetLifecycleTest, CancelEndsWithErrorOnly) {
    StartSimulator("127.0.4.42", SlowBody);
    // While the body is being read: promptly.
    get_.StartRequest();
    ASSERT_TRUE(ServeUntil([&] { return !log_.Progress.empty(); }));
    Clock::time_point cancelled = Clock::now();
    get_.CancelRequest();
    ASSERT_TRUE(ServeUntil([&] { return log_.Completions() == 1; }));
    EXPECT_LT(MillisecondsSince(cancelled), 3000);

    // After a body that ended well, while the completion waits for the main thread.
    get_.OnProgress = nullptr;
    get_.URL = "http://127.0.4.42/downfirm.cgi";
    get_.StartRequest();
    WaitForQueueActivity(5000);
    get_.CancelRequest();
    ASSERT_TRUE(ServeUntil([&] { return log_.Completions() == 2; }));
    ServeFor(200);
    EXPECT_EQ(log_.Errors, 2);
    EXPECT_TRUE(log_.Texts.empty());
    EXPECT_FALSE(get_.LastSucceeded());
}

TEST_F(HttpGetLifecycleTest, DestroyedComponentGetsNoEventAndDoesNotWait) {
    StartSimulator("127.0.4.44", SlowBody);
    TEventLog log;
    for (bool waitForProgress : {true, false}) {
        auto get = std::make_unique<THTTPGet>();
        log.Attach(*get);
        AimAt(*get, "127.0.4.44", "read_maf.cgi");
        get->StartRequest();
        if (waitForProgress) {
            // While the body is being read.
            ASSERT_TRUE(ServeUntil([&] { return !log.Progress.empty(); }));
        } else {
            // While the worker waits for the main thread to run its progress call.
            WaitForQueueActivity(5000);
        }
        std::size_t progressSeen = log.Progress.size();
        Clock::time_point destroyed = Clock::now();
        get.reset();
        EXPECT_LT(MillisecondsSince(destroyed), 100);
        EXPECT_TRUE(WaitForHTTPGetThreads(5000));
        EXPECT_EQ(log.Progress.size(), progressSeen);
        EXPECT_EQ(log.Completions(), 0);
    }
}

TEST_F(HttpGetLifecycleTest, DestroyedFromInsideItsOwnEvents) {
    StartSimulator("127.0.4.46", SlowBody);
    int calls = 0;
    auto get = std::make_unique<THTTPGet>();
    AimAt(*get, "127.0.4.46", "read_maf.cgi");
    get->OnProgress = [&](THTTPGetThread*, std::int32_t, std::int32_t) {
        ++calls;
        get.reset();
    };
    get->OnError = [&](THTTPGet*) { ++calls; };
    get->StartRequest();
    ASSERT_TRUE(ServeUntil([&] { return get == nullptr; }));
    EXPECT_TRUE(WaitForHTTPGetThreads(5000));
    EXPECT_EQ(calls, 1);

    get = std::make_unique<THTTPGet>();
    AimAt(*get, "127.0.4.46", "downfirm.cgi");
    get->OnDoneString = [&](THTTPGet*, const std::string&) { get.reset(); };
    get->StartRequest();
    EXPECT_TRUE(ServeUntil([&] { return get == nullptr; }));
}

TEST_F(HttpGetLifecycleTest, WaitThreadDispatchesPendingCallsAndReturns) {
    StartSimulator("127.0.4.47", [](TApSimOptions& options) { options.Faults.DelayMs = 2000; });
    get_.WaitThread = true;
    // With nothing pending it returns at once.
    Clock::time_point start = Clock::now();
    get_.StartRequest();
    EXPECT_LT(MillisecondsSince(start), 1000);
    EXPECT_TRUE(get_.Busy());
    get_.CancelRequest();
    ASSERT_TRUE(ServeUntil([&] { return log_.Completions() == 1; }));

    // A call another thread has waiting runs before it returns.
    std::atomic<bool> ran{false};
    std::thread other([&] { Synchronize([&] { ran = true; }); });
    WaitForQueueActivity(5000);
    get_.StartRequest();
    EXPECT_TRUE(ran);
    other.join();
    get_.CancelRequest();
    ASSERT_TRUE(ServeUntil([&] { return log_.Completions() == 2; }));
}

}  // namespace
