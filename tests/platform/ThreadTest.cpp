// Worker threads and the main-thread queue: calls handed over with Synchronize run on the main
// thread while the worker waits (or on the thread with a queue of its own that started the
// worker), exceptions stay on their side of the hand-over, and the main thread's wait for a
// worker sleeps, serves the queue and ends when the worker has ended.
#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "MainThread.h"
#include "Thread.h"

namespace {

using namespace std::chrono_literals;

// Ends the test program when the guarded scope outlives its limit, so a lost wake-up fails
// quickly instead of hanging the run.
class TWatchdog {
public:
    explicit TWatchdog(const char* what) : what_(what), thread_([this] { Watch(); }) {}
    ~TWatchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
        }
        endedSignal_.notify_all();
        thread_.join();
    }

private:
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (endedSignal_.wait_for(lock, 10s, [this] { return ended_; })) return;
        std::fprintf(stderr, "watchdog: %s did not end in time\n", what_);
        std::_Exit(3);
    }

    const char* what_;
    std::mutex mutex_;
    std::condition_variable endedSignal_;
    bool ended_ = false;
    std::thread thread_;
};

// A thread whose body is a function of the test.
class TBodyThread : public TThread {
public:
    explicit TBodyThread(std::function<void(TBodyThread&)> body) : body_(std::move(body)) {}
    ~TBodyThread() override { WaitFor(); }
    using TThread::SleepUnlessTerminated;
    using TThread::Synchronize;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(TBodyThread&)> body_;
};

double ThreadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

class TThreadTest : public ::testing::Test {
protected:
    void SetUp() override { SetMainThread(); }
    void TearDown() override { SetProcessEventsHook(nullptr); }
};

TEST(MainThreadQueue, TheProgramsFirstThreadIsTheMainThreadWithoutBeingTold) {
    // The first use of the queue in this program is on a worker.
    bool workerIsMain = true;
    std::thread worker([&] { workerIsMain = IsMainThread(); });
    worker.join();
    EXPECT_FALSE(workerIsMain);
    EXPECT_TRUE(IsMainThread());
}

TEST_F(TThreadTest, SynchronizeRunsOnTheMainThreadWhileTheWorkerWaits) {
    TWatchdog watchdog("synchronize");
    std::thread::id ranOn;
    int value = 0;  // written on the main thread, read by the worker after the hand-over
    int seenByWorker = -1;
    bool returned = false;
    std::mutex mutex;
    std::condition_variable returnedChanged;
    TBodyThread worker([&](TBodyThread& self) {
        self.Synchronize([&] {
            ranOn = std::this_thread::get_id();
            value = 42;
        });
        seenByWorker = value;
        std::lock_guard<std::mutex> lock(mutex);
        returned = true;
        returnedChanged.notify_all();
    });
    worker.Start();
    WaitForQueueActivity(5000);
    {
        // A worker that did not wait for its call would return now: give it every chance.
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_FALSE(returnedChanged.wait_for(lock, 300ms, [&] { return returned; }));
    }
    EXPECT_TRUE(CheckSynchronize());
    worker.WaitFor();
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_TRUE(returned);
    }
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(seenByWorker, 42);

    // On the main thread itself the call runs at once.
    bool ranInline = false;
    Synchronize([&] { ranInline = true; });
    EXPECT_TRUE(ranInline);
}

TEST_F(TThreadTest, OnlyTheMainThreadRunsQueuedCalls) {
    TWatchdog watchdog("queued call");
    bool ran = false;
    TBodyThread worker([&](TBodyThread& self) { self.Synchronize([&] { ran = true; }); });
    worker.Start();
    WaitForQueueActivity(5000);
    bool otherRanSome = true;
    std::thread other([&] { otherRanSome = CheckSynchronize(); });
    other.join();
    EXPECT_FALSE(otherRanSome);
    WaitForWorkerServingQueue(worker);
    EXPECT_TRUE(ran);
}

TEST_F(TThreadTest, AThreadWithItsOwnQueueServesTheWorkersItStarts) {
    TWatchdog watchdog("own queue");
    std::thread::id owner, ranOn, lateRanOn;
    std::mutex mutex;
    std::condition_variable goChanged;
    bool go = false;
    // The second worker calls only once the queue of the thread that started it has ended.
    TBodyThread late([&](TBodyThread& self) {
        std::unique_lock<std::mutex> lock(mutex);
        goChanged.wait(lock, [&] { return go; });
        lock.unlock();
        self.Synchronize([&] { lateRanOn = std::this_thread::get_id(); });
    });
    std::thread side([&] {
        TOwnQueue queue;
        owner = std::this_thread::get_id();
        TBodyThread worker([&](TBodyThread& self) {
            self.Synchronize([&] { ranOn = std::this_thread::get_id(); });
        });
        worker.Start();
        late.Start();
        WaitForWorkerServingQueue(worker);
    });
    side.join();
    EXPECT_EQ(ranOn, owner);
    EXPECT_FALSE(CheckSynchronize());  // the main thread's queue never saw that call
    {
        std::lock_guard<std::mutex> lock(mutex);
        go = true;
    }
    goChanged.notify_all();
    WaitForWorkerServingQueue(late);
    EXPECT_EQ(lateRanOn, std::this_thread::get_id());
}

TEST_F(TThreadTest, AnExceptionInASynchronizedCallReachesTheWorker) {
    TWatchdog watchdog("throwing call");
    std::string caught;
    TBodyThread worker([&](TBodyThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("from the handler"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
    });
    worker.Start();
    WaitForWorkerServingQueue(worker);
    EXPECT_EQ(caught, "from the handler");
    EXPECT_FALSE(worker.FatalException());
}

TEST_F(TThreadTest, AnExceptionEscapingTheBodyIsKeptAndEndsTheThread) {
    TWatchdog watchdog("throwing body");
    TBodyThread worker([](TBodyThread&) { throw std::logic_error("body failed"); });
    worker.Start();
    WaitForWorkerServingQueue(worker);
    EXPECT_TRUE(worker.Finished());
    ASSERT_TRUE(worker.FatalException());
    try {
        std::rethrow_exception(worker.FatalException());
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "body failed");
    }
}

TEST_F(TThreadTest, TheWaitEndsWhenAWorkerThatNeverSynchronizesEnds) {
    TWatchdog watchdog("silent worker");
    std::atomic<bool> bodyDone{false};
    TBodyThread worker([&](TBodyThread&) {
        std::this_thread::sleep_for(50ms);
        bodyDone = true;
    });
    worker.Start();
    WaitForWorkerServingQueue(worker);
    EXPECT_TRUE(bodyDone);
    EXPECT_TRUE(worker.Finished());
}

TEST_F(TThreadTest, TheWaitServesManyCallsInOrderAndNoOtherEvents) {
    TWatchdog watchdog("many calls");
    int eventPasses = 0;
    SetProcessEventsHook([&] { ++eventPasses; });
    constexpr int kCalls = 2000;
    int served = 0;  // touched only on the main thread
    bool inOrder = true;
    bool allOnMain = true;
    TBodyThread worker([&](TBodyThread& self) {
        for (int i = 0; i < kCalls; ++i) {
            self.Synchronize([&, i] {
                inOrder = inOrder && served == i;
                allOnMain = allOnMain && IsMainThread();
                ++served;
            });
        }
    });
    worker.Start();
    WaitForWorkerServingQueue(worker);
    EXPECT_EQ(served, kCalls);
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(eventPasses, 0);  // the wait serves the queue only
}

TEST_F(TThreadTest, WaitingForAThreadThatNeverStartedReturnsAtOnce) {
    TWatchdog watchdog("unstarted thread");
    TBodyThread never([](TBodyThread&) {});
    WaitForWorkerServingQueue(never);
    EXPECT_FALSE(never.Started());
    EXPECT_FALSE(never.Finished());
}

TEST_F(TThreadTest, TheBodySeesTheStopRequest) {
    TWatchdog watchdog("stop request");
    std::atomic<bool> sawStop{false};
    std::atomic<bool> running{false};
    TBodyThread worker([&](TBodyThread& self) {
        running = true;
        self.SleepUnlessTerminated(3600 * 1000);  // the stop request ends the hour at once
        sawStop = self.Terminated();
    });
    worker.Start();
    worker.Terminate();
    worker.WaitFor();
    EXPECT_TRUE(worker.Terminated());
    EXPECT_TRUE(running);
    EXPECT_TRUE(sawStop);
}

TEST_F(TThreadTest, TheMainThreadSleepsWhileItWaits) {
    TWatchdog watchdog("sleeping wait");
    TBodyThread worker([](TBodyThread&) { std::this_thread::sleep_for(300ms); });
    auto start = std::chrono::steady_clock::now();
    double cpuBefore = ThreadCpuMilliseconds();
    worker.Start();
    WaitForWorkerServingQueue(worker);
    double cpuUsed = ThreadCpuMilliseconds() - cpuBefore;
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_LT(cpuUsed, 30.0);
}

TEST_F(TThreadTest, FreeOnTerminateThreadsDeleteThemselvesSafely) {
    TWatchdog watchdog("free-on-terminate threads");
    struct Tally {
        std::mutex mutex;
        std::condition_variable changed;
        int deleted = 0;
    } tally;
    class TSelfDeleting : public TThread {
    public:
        explicit TSelfDeleting(Tally& tally) : tally_(tally) {}
        ~TSelfDeleting() override {
            // Notified under the lock: the test may destroy the tally once it sees the count.
            std::lock_guard<std::mutex> lock(tally_.mutex);
            ++tally_.deleted;
            tally_.changed.notify_all();
        }

    protected:
        void Execute() override {}  // ends at once, racing the owner's Start

    private:
        Tally& tally_;
    };
    constexpr int kThreads = 200;
    for (int i = 0; i < kThreads; ++i) {
        auto* thread = new TSelfDeleting(tally);
        thread->FreeOnTerminate = true;
        thread->Start();
    }
    std::unique_lock<std::mutex> lock(tally.mutex);
    tally.changed.wait(lock, [&] { return tally.deleted == kThreads; });
    EXPECT_EQ(tally.deleted, kThreads);
    lock.unlock();
    while (!TThread::JoinFreedThreads()) WaitForQueueActivity(20);
}

// The end of the program must not race a freed thread's own clean-up: the thread-local state a
// library keeps per thread is released after the object has deleted itself.
TEST_F(TThreadTest, FreedThreadsAreJoinedAfterTheirThreadLocalCleanUp) {
    TWatchdog watchdog("joining freed threads");
    static std::atomic<int> cleanedUp{0};
    cleanedUp = 0;
    struct TSlowThreadState {
        ~TSlowThreadState() {
            std::this_thread::sleep_for(150ms);
            ++cleanedUp;
        }
    };
    class TWithThreadState : public TThread {
    protected:
        void Execute() override {
            thread_local TSlowThreadState state;
            (void)state;
        }
    };
    constexpr int kThreads = 3;
    for (int i = 0; i < kThreads; ++i) {
        auto* thread = new TWithThreadState;
        thread->FreeOnTerminate = true;
        thread->Start();
    }
    while (!TThread::JoinFreedThreads()) WaitForQueueActivity(20);
    EXPECT_EQ(cleanedUp, kThreads);
}

}  // namespace
