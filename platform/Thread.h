// TThread: the worker thread class of the runtime. A thread is created suspended, configured,
// started with Start(), asked to stop with Terminate() (the body polls Terminated()), and
// waited for with WaitFor(). Synchronize hands a call to the main thread and blocks until it
// has run. No exception escapes Execute: one that does is caught at the thread's edge and kept
// in FatalException().
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TThread {
public:
    TThread() = default;
    // Asks the body to stop and waits for it. A subclass whose body uses its own members waits
    // (WaitFor) before those members are destroyed, that is in its own destructor at the latest.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts Execute on a new thread; a second call does nothing.
    void Start();
    // Asks the body to stop at its next check of Terminated(); ends a SleepUnlessTerminated.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Blocks until Execute has returned (at once when never started).
    void WaitFor();
    // True once Execute has returned.
    bool Finished() const { return finished_; }
    bool Started() const { return started_; }
    // The exception that escaped Execute, if any. Read it once Finished() or WaitFor() says
    // that the body has returned.
    std::exception_ptr FatalException() const { return fatal_; }

    // With FreeOnTerminate the thread deletes itself after Execute; the owner must not touch it
    // afterwards. Set before Start().
    bool FreeOnTerminate = false;

    // Joins every free-on-terminate thread whose body has returned; true when no such thread is
    // left running. A thread that has deleted itself still runs its thread-local clean-up (the
    // TLS libraries keep per thread) before it is gone; the end of the program joins it here so
    // that nothing it owned is still in flight when the process exits.
    static bool JoinFreedThreads();

protected:
    virtual void Execute() = 0;
    // Runs fn on the main thread and blocks until it has run.
    void Synchronize(const std::function<void()>& fn);
    // Sleeps for milliseconds, or until Terminate is called.
    void SleepUnlessTerminated(std::uint32_t milliseconds);

private:
    void Run();

    std::thread thread_;
    std::once_flag joined_;
    std::atomic<bool> started_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::mutex sleepMutex_;
    std::condition_variable terminateWake_;
    std::exception_ptr fatal_;
};
