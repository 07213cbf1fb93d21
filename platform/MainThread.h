// The main-thread queue: worker threads hand calls to the main (user interface) thread with
// Synchronize and block until they have run; the main thread runs them in CheckSynchronize.
// A wake hook lets the GUI loop know that work is waiting; ProcessMessages is one pass of
// pending GUI events plus the queue. Tests drive the same queue without a GUI.
//
// A thread that runs an operation of its own beside others (tivra-cli runs one per access
// point) holds a TOwnQueue: the workers it starts hand their calls to it, not to the main
// thread, so that each operation's components live on one thread as they do in the wizard.
#pragma once

#include <functional>
#include <memory>

class TThread;

namespace mainthread_detail {
struct TQueue;
}  // namespace mainthread_detail

// For its lifetime the calling thread serves a queue of its own: Synchronize runs at once on
// it, CheckSynchronize and the waits below serve its queue, and every TThread it starts hands
// its calls to it. At its end the calls still waiting are run; later ones (from a worker that
// outlives it) go to the main thread.
class TOwnQueue {
public:
    TOwnQueue();
    ~TOwnQueue();
    TOwnQueue(const TOwnQueue&) = delete;
    TOwnQueue& operator=(const TOwnQueue&) = delete;
};

// Records the calling thread as the main thread. Called once at start-up (and by tests).
void SetMainThread();
bool IsMainThread();

// Runs fn on the main thread (or the thread that started the calling worker and serves a queue
// of its own) and returns when it has run. On a thread that serves a queue it runs at once.
// An exception thrown by fn is rethrown in the calling thread.
void Synchronize(const std::function<void()>& fn);

// Runs every call waiting in the calling thread's queue. True when at least one ran. On a
// thread that serves no queue (neither the main thread nor one with a TOwnQueue) it runs nothing
// and returns false.
bool CheckSynchronize();

// Called (from any thread) whenever a call is put on the queue, so that an event loop can
// schedule CheckSynchronize. The Qt front end posts a queued call.
void SetWakeMainThreadHook(std::function<void()> hook);

// One pass of pending GUI events (the hook installed by the front end, if any), then the queue.
void ProcessMessages();
void SetProcessEventsHook(std::function<void()> hook);

// Screen cursor of the running program: the hourglass while a step runs.
enum class TCursor { Default, HourGlass };
void SetScreenCursor(TCursor cursor);
TCursor ScreenCursor();
void SetCursorHook(std::function<void(TCursor)> hook);

// Blocks the main thread until thread has finished, serving only its Synchronize calls
// meanwhile (ordinary GUI events are processed only inside the calls). Sleeps while there is
// nothing to do. Returns at once for a thread that was never started. Not for free-on-terminate
// threads, which delete themselves and so cannot be waited for.
void WaitForWorkerServingQueue(TThread& thread);

// Sleeps on the queue's condition until a call is waiting or the time has passed; used by
// waits that also serve the queue. Returns when woken or timed out.
void WaitForQueueActivity(int milliseconds);

namespace mainthread_detail {
// Wakes the thread that waits in WaitForWorkerServingQueue (a worker has finished).
void NotifyWorkerFinished();
// The queue a worker started now by the calling thread hands its calls to (null: the main
// thread's), and the adoption of it as the first step of the worker's thread.
std::shared_ptr<TQueue> QueueForNewWorker();
void AdoptQueue(std::shared_ptr<TQueue> queue);
}  // namespace mainthread_detail
