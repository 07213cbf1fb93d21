// Tests of THTTPGet's life cycle: one request at a time (also from inside its own events),
// cancelling, destruction with a worker still running or waiting for the main thread, and
// WaitThread's dispatch of pending calls.
#include <pthread.h>
#include <sys/resource.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <system_error>
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
        // A destruction that waited for the worker would last the rest of the dripping body
        // (about four seconds), or for ever while the worker waits for this thread.
        EXPECT_LT(MillisecondsSince(destroyed), 1500);
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

// A handler that throws ends with the handler: the component is idle again and takes the next
// request, and destroying it afterwards touches no worker that has gone.
TEST_F(HttpGetLifecycleTest, AThrowingHandlerLeavesTheComponentIdle) {
    StartSimulator("127.0.4.48");
    auto get = std::make_unique<THTTPGet>();
    AimAt(*get, "127.0.4.48", "read_maf.cgi");
    int done = 0;
    get->OnDoneString = [&](THTTPGet*, const std::string&) {
        ++done;
        throw std::runtime_error("handler failed");
    };
    for (int run = 1; run <= 2; ++run) {
        get->StartRequest();
        ASSERT_TRUE(ServeUntil([&] { return done == run && !get->Busy(); })) << "run " << run;
    }
    ASSERT_TRUE(WaitForHTTPGetThreads(5000));
    get.reset();
    EXPECT_EQ(Received(2).size(), 2u);
}

// A worker thread that cannot be started raises the system's error, leaves the component idle
// and leaves no worker behind for the end of the program to wait for.
TEST_F(HttpGetLifecycleTest, AWorkerThatCannotStartLeavesNothingBehind) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#else
    // New threads ask for a stack far larger than the address space left to the process, so
    // none can be mapped (and no cached stack of an ended thread is large enough).
    auto inUse = [] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
        }
        return 0ull;
    };
    pthread_attr_t defaults;
    ASSERT_EQ(pthread_getattr_default_np(&defaults), 0);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, std::size_t{1} << 40);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &previous), 0);
    rlimit tight{static_cast<rlim_t>(inUse() + (64u << 20)), previous.rlim_max};
    bool raised = false;
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    try {
        get_.StartRequest();
    } catch (const std::system_error&) {
        raised = true;
    }
    setrlimit(RLIMIT_AS, &previous);
    pthread_setattr_default_np(&defaults);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&defaults);
    EXPECT_TRUE(raised);
    EXPECT_FALSE(get_.Busy());
    EXPECT_EQ(THTTPGetThread::ActiveCount(), 0);
#endif
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
