// The main-thread queue: worker threads hand calls to the main (user interface) thread with
// Synchronize and block until they have run; the main thread runs them in CheckSynchronize.
// A wake hook lets the GUI loop know that work is waiting; ProcessMessages is one pass of
// pending GUI events plus the queue. Tests drive the same queue without a GUI.
#pragma once

#include <functional>

class TThread;

// Records the calling thread as the main thread. Called once at start-up (and by tests).
void SetMainThread();
bool IsMainThread();

// Runs fn on the main thread and returns when it has run. On the main thread it runs at once.
// An exception thrown by fn is rethrown in the calling thread.
void Synchronize(const std::function<void()>& fn);

// Runs every call waiting in the queue. True when at least one ran. On any thread but the main
// thread it runs nothing and returns false.
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
// Wakes a main thread that waits in WaitForWorkerServingQueue (a worker has finished).
void NotifyWorkerFinished();
}  // namespace mainthread_detail
