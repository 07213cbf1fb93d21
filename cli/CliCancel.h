// Ctrl-C (and SIGTERM, SIGHUP) during a run. The signal only records the request; the run
// acts on it at its next safe point: a question being asked is answered "cancel", and an
// operation that may be stopped at that moment is unwound from its next pass of message
// processing (where the wizard would have seen its Cancel button), closing its connection and
// removing its unfinished file on the way out. An operation that must not be interrupted (a
// firmware update that has begun) goes on, and the person is told so once per request.
#pragma once

#include <functional>
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

// Decides at each safe point whether a pending request stops the operation.
class TCancelGate {
public:
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
    std::function<bool()> allowed_;
    std::function<void()> refused_;
};
