// Ctrl-C (and SIGTERM, SIGHUP) during a run. The signal only records the request; the run
// acts on it at its next safe point: a question being asked is answered "cancel", and an
// operation that may be stopped at that moment is unwound from its next pass of message
// processing (where the wizard would have seen its Cancel button), closing its connection and
// removing its unfinished file on the way out. An operation that must not be interrupted (a
// firmware update that has begun) goes on, and the person is told so once per request.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>

// Thrown through a running operation when it is stopped.
class ECliCancelled : public std::runtime_error {
public:
    ECliCancelled() : std::runtime_error("cancelled") {}
};

// Installs the handlers (without SA_RESTART, so that a blocking read of an answer returns).
// They stay until the program ends: a Ctrl-C just after an update has finished must not turn
// its result into a death by signal.
void InstallCancelSignals();
bool CancelRequested();
void ClearCancelRequest();
// Becomes readable when a request arrives (-1 before the handlers are installed): a wait for
// input waits on it too, so that no request is lost between a check and the wait.
int CancelWakeDescriptor();

// A cancel request of a run over several access points, passed on to the gate of every access
// point's thread: the signal's request is taken once, by the thread that watches it, and each
// gate sees it as a new generation.
class TCancelBroadcast {
public:
    void Request();
    unsigned Generation() const;
    // Waits until the generation differs from seen or the time has passed.
    void WaitForChange(unsigned seen, int milliseconds) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    unsigned generation_ = 0;
};

// Decides at each safe point whether a pending request stops the operation.
class TCancelGate {
public:
    TCancelGate() = default;
    // A gate that takes its requests from a broadcast instead of the signal.
    explicit TCancelGate(const TCancelBroadcast& broadcast)
        : broadcast_(&broadcast), seen_(broadcast.Generation()) {}

    // allowed() tells whether the operation may be stopped now; refused(), called once per
    // request that cannot be honoured, tells the person why it goes on.
    void SetPolicy(std::function<bool()> allowed, std::function<void()> refused);
    // Throws ECliCancelled when a request is pending and allowed.
    void Check();

    // Waits the given time, waking at once for a request: one allowed now throws
    // ECliCancelled at once, one refused is told at once and the wait goes on. For the fixed
    // pause after the request to the access point, in which nothing else looks at requests.
    void Pause(int milliseconds);

private:
    // True when a request has arrived since the last look (and takes it).
    bool TakeRequest();

    std::function<bool()> allowed_;
    std::function<void()> refused_;
    const TCancelBroadcast* broadcast_ = nullptr;
    unsigned seen_ = 0;
};

// The gate that the process-events hook checks on the calling thread: each thread that runs an
// operation names its own for its lifetime.
class TThreadGate {
public:
    explicit TThreadGate(TCancelGate& gate);
    ~TThreadGate();
    TThreadGate(const TThreadGate&) = delete;
    TThreadGate& operator=(const TThreadGate&) = delete;
};
// Checks the calling thread's gate, if it has one (may throw ECliCancelled).
void CheckThreadGate();
