// TThread on std::thread: start, stop request, wait, and the hand-over of calls to the main
// thread through the main-thread queue.
#include "Thread.h"

#include <chrono>
#include <map>
#include <vector>

#include "MainThread.h"

namespace {

// The system threads of free-on-terminate workers. A worker hands its own thread over to
// `ended` as its very last step; whoever joins next (a later Start, or the end of the
// program) waits out the little that remains of it. The lock also orders a worker's hand-over
// after the Start that registered it.
struct TFreedThreads {
    std::mutex mutex;
    std::map<std::thread::id, std::thread> running;
    std::vector<std::thread> ended;
};

TFreedThreads& FreedThreads() {
    static TFreedThreads* threads = new TFreedThreads;  // lives until the very end of the process
    return *threads;
}

void MarkFreedThreadEnded(std::thread::id id) {
    TFreedThreads& threads = FreedThreads();
    std::lock_guard<std::mutex> lock(threads.mutex);
    auto found = threads.running.find(id);
    if (found == threads.running.end()) return;
    threads.ended.push_back(std::move(found->second));
    threads.running.erase(found);
}

}  // namespace

void TThread::Terminate() {
    {
        std::lock_guard<std::mutex> lock(sleepMutex_);
        terminated_ = true;
    }
    terminateWake_.notify_all();
}

void TThread::SleepUnlessTerminated(std::uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(sleepMutex_);
    terminateWake_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                            [this] { return terminated_.load(); });
}

bool TThread::JoinFreedThreads() {
    TFreedThreads& threads = FreedThreads();
    std::vector<std::thread> ended;
    bool noneRunning;
    {
        std::lock_guard<std::mutex> lock(threads.mutex);
        ended.swap(threads.ended);
        noneRunning = threads.running.empty();
    }
    for (std::thread& thread : ended) thread.join();
    return noneRunning;
}

TThread::~TThread() {
    if (!FreeOnTerminate) {
        Terminate();
        WaitFor();
    }
}

void TThread::Start() {
    if (started_.exchange(true)) return;
    // A free-on-terminate thread may delete this object as soon as it runs: decide before the
    // start and never touch a member afterwards.
    bool freeOnTerminate = FreeOnTerminate;
    if (freeOnTerminate) JoinFreedThreads();  // keeps the list of ended threads short
    TFreedThreads& freed = FreedThreads();
    std::unique_lock<std::mutex> registering(freed.mutex, std::defer_lock);
    if (freeOnTerminate) registering.lock();
    std::thread thread;
    try {
        // The worker hands its calls to the thread that starts it when that one serves a queue
        // of its own.
        thread = std::thread([this, queue = mainthread_detail::QueueForNewWorker()]() mutable {
            mainthread_detail::AdoptQueue(std::move(queue));
            Run();
        });
    } catch (...) {
        started_ = false;  // no body runs, so no wait may expect one to finish
        throw;
    }
    if (freeOnTerminate) {
        std::thread::id id = thread.get_id();
        freed.running.emplace(id, std::move(thread));
    } else {
        thread_ = std::move(thread);
    }
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        fatal_ = std::current_exception();
    }
    if (FreeOnTerminate) {
        delete this;
        // Nothing but the never-destroyed list is touched from here on: the program may be
        // ending already, and waiters for freed threads look again at short intervals.
        MarkFreedThreadEnded(std::this_thread::get_id());
        return;
    }
    finished_ = true;
    mainthread_detail::NotifyWorkerFinished();
}

void TThread::WaitFor() {
    if (!started_ || FreeOnTerminate) return;
    std::call_once(joined_, [this] {
        if (thread_.joinable()) thread_.join();
    });
}

void TThread::Synchronize(const std::function<void()>& fn) { ::Synchronize(fn); }
