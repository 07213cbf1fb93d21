// The main-thread queue: one list of waiting calls, guarded by one mutex, with a condition that
// wakes the main thread when a call arrives or a worker finishes. A thread with a TOwnQueue has
// such a queue of its own, which its workers find through a thread-local reference.
#include "MainThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "Thread.h"

namespace {

// One queued call; the caller waits on done until the main thread has run it.
struct PendingCall {
    std::function<void()> fn;
    bool done = false;
    std::exception_ptr error;
};

}  // namespace

struct mainthread_detail::TQueue {
    std::mutex mutex;
    std::condition_variable changed;  // a call was queued or a worker finished
    std::condition_variable ran;      // a queued call has run
    std::deque<PendingCall*> calls;
    std::function<void()> wakeHook;
    std::function<void()> processEventsHook;
    std::function<void(TCursor)> cursorHook;
    TCursor cursor = TCursor::Default;
    std::thread::id mainThread = std::this_thread::get_id();
    // A thread's own queue that has ended: calls go to the main thread's instead.
    bool closed = false;
};

namespace {

using Queue = mainthread_detail::TQueue;

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

// The queue the calling thread serves with a TOwnQueue, and the one a worker hands its calls
// to (null: the main thread's).
thread_local std::shared_ptr<Queue> ownQueue;
thread_local std::shared_ptr<Queue> workerQueue;

// The queue the calling thread serves, or null when it serves none.
Queue* ServedQueue() {
    if (ownQueue) return ownQueue.get();
    return IsMainThread() ? &TheQueue() : nullptr;
}

// Runs every call waiting in queue, in order; true when at least one ran. With close the queue
// closes when it is found empty.
bool RunWaitingCalls(Queue& queue, bool close) {
    bool any = false;
    for (;;) {
        PendingCall* call = nullptr;
        {
            std::lock_guard<std::mutex> lock(queue.mutex);
            if (queue.calls.empty()) {
                queue.closed = close;
                break;
            }
            call = queue.calls.front();
            queue.calls.pop_front();
        }
        try {
            call->fn();
        } catch (...) {
            call->error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(queue.mutex);
            call->done = true;
        }
        queue.ran.notify_all();
        any = true;
    }
    return any;
}

// The queue whose calls and worker ends the calling thread waits for.
Queue& WaitedQueue() {
    Queue* served = ServedQueue();
    return served ? *served : TheQueue();
}

// Creates the queue while the program loads, on its first thread, so that the main thread is
// that thread even when a worker is the first to use the queue.
[[maybe_unused]] const bool queueCreatedAtLoad = (TheQueue(), true);

}  // namespace

void SetMainThread() {
    std::lock_guard<std::mutex> lock(TheQueue().mutex);
    TheQueue().mainThread = std::this_thread::get_id();
}

bool IsMainThread() {
    std::lock_guard<std::mutex> lock(TheQueue().mutex);
    return TheQueue().mainThread == std::this_thread::get_id();
}

TOwnQueue::TOwnQueue() { ownQueue = std::make_shared<Queue>(); }

TOwnQueue::~TOwnQueue() {
    // Once the queue is found empty it closes in the same step, so no call is left unserved.
    RunWaitingCalls(*ownQueue, true);
    ownQueue.reset();
}

std::shared_ptr<Queue> mainthread_detail::QueueForNewWorker() {
    return ownQueue ? ownQueue : workerQueue;
}

void mainthread_detail::AdoptQueue(std::shared_ptr<Queue> queue) { workerQueue = std::move(queue); }

void Synchronize(const std::function<void()>& fn) {
    if (ServedQueue()) {
        fn();
        return;
    }
    PendingCall call{fn, false, nullptr};
    Queue* queue = workerQueue.get();
    if (queue) {
        std::lock_guard<std::mutex> lock(queue->mutex);
        if (queue->closed) {
            queue = nullptr;
        } else {
            queue->calls.push_back(&call);
        }
    }
    std::function<void()> wake;
    if (!queue) {
        queue = &TheQueue();
        std::lock_guard<std::mutex> lock(queue->mutex);
        queue->calls.push_back(&call);
        wake = queue->wakeHook;
    }
    queue->changed.notify_all();
    if (wake) wake();
    std::unique_lock<std::mutex> lock(queue->mutex);
    queue->ran.wait(lock, [&] { return call.done; });
    if (call.error) std::rethrow_exception(call.error);
}

bool CheckSynchronize() {
    // Queued calls belong to the thread that serves the queue; any other thread leaves them
    // waiting.
    Queue* served = ServedQueue();
    return served && RunWaitingCalls(*served, false);
}

void SetWakeMainThreadHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(TheQueue().mutex);
    TheQueue().wakeHook = std::move(hook);
}

void SetProcessEventsHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(TheQueue().mutex);
    TheQueue().processEventsHook = std::move(hook);
}

void ProcessMessages() {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(TheQueue().mutex);
        hook = TheQueue().processEventsHook;
    }
    if (hook) hook();
    CheckSynchronize();
}

void SetCursorHook(std::function<void(TCursor)> hook) {
    std::lock_guard<std::mutex> lock(TheQueue().mutex);
    TheQueue().cursorHook = std::move(hook);
}

void SetScreenCursor(TCursor cursor) {
    std::function<void(TCursor)> hook;
    {
        std::lock_guard<std::mutex> lock(TheQueue().mutex);
        TheQueue().cursor = cursor;
        hook = TheQueue().cursorHook;
    }
    if (hook) hook(cursor);
}

TCursor ScreenCursor() {
    std::lock_guard<std::mutex> lock(TheQueue().mutex);
    return TheQueue().cursor;
}

void WaitForQueueActivity(int milliseconds) {
    Queue& queue = WaitedQueue();
    std::unique_lock<std::mutex> lock(queue.mutex);
    queue.changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [&] { return !queue.calls.empty(); });
}

void WaitForWorkerServingQueue(TThread& thread) {
    Queue& queue = WaitedQueue();
    // A thread that was never started never finishes: there is nothing to wait for.
    auto ended = [&] { return !thread.Started() || thread.Finished(); };
    for (;;) {
        CheckSynchronize();
        std::unique_lock<std::mutex> lock(queue.mutex);
        queue.changed.wait(lock, [&] { return !queue.calls.empty() || ended(); });
        if (queue.calls.empty() && ended()) break;
    }
    CheckSynchronize();
    thread.WaitFor();
}

void mainthread_detail::NotifyWorkerFinished() {
    // The thread that started the worker waits on its own queue; once that queue has ended, the
    // main thread may be the one waiting.
    for (Queue* queue : {workerQueue.get(), &TheQueue()}) {
        if (!queue) continue;
        { std::lock_guard<std::mutex> lock(queue->mutex); }
        queue->changed.notify_all();
    }
}
