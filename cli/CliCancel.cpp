// Signal handlers that record a cancel request, and the gate that acts on it.
#include "CliCancel.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>

namespace {

// The signal may arrive on any thread of a run over several access points while the main
// thread reads the flag: a lock-free atomic is both safe in the handler and free of a race.
std::atomic<int> cancelRequested{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");
// A pipe the handler writes a byte into, so that a wait on the terminal wakes even when the
// signal came just before the wait began.
int wakePipe[2] = {-1, -1};

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RecordCancel(int) {
    cancelRequested = 1;
    if (wakePipe[1] >= 0) {
        int saved = errno;
        char byte = 1;
        [[maybe_unused]] ssize_t ignored = write(wakePipe[1], &byte, 1);
        errno = saved;
    }
}

void DrainWakePipe() {
    char buffer[64];
    while (wakePipe[0] >= 0 && read(wakePipe[0], buffer, sizeof(buffer)) > 0) {
    }
}

}  // namespace

void InstallCancelSignals() {
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        wakePipe[0] = wakePipe[1] = -1;
    }
    struct sigaction action {};
    action.sa_handler = RecordCancel;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

bool CancelRequested() { return cancelRequested != 0; }

void ClearCancelRequest() {
    cancelRequested = 0;
    DrainWakePipe();
}

int CancelWakeDescriptor() { return wakePipe[0]; }

void TCancelBroadcast::Request() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
    }
    changed_.notify_all();
}

unsigned TCancelBroadcast::Generation() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

void TCancelBroadcast::WaitForChange(unsigned seen, int milliseconds) const {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                      [&] { return generation_ != seen; });
}

void TCancelGate::SetPolicy(std::function<bool()> allowed, std::function<void()> refused) {
    allowed_ = std::move(allowed);
    refused_ = std::move(refused);
}

bool TCancelGate::TakeRequest() {
    if (broadcast_) {
        const unsigned generation = broadcast_->Generation();
        if (generation == seen_) return false;
        seen_ = generation;
        return true;
    }
    if (!CancelRequested()) return false;
    ClearCancelRequest();
    return true;
}

void TCancelGate::Check() {
    if (!TakeRequest()) return;
    if (allowed_ && allowed_()) throw ECliCancelled();
    if (refused_) refused_();
}

void TCancelGate::Pause(int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        Check();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return;
        const int wait = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
        if (broadcast_) {
            broadcast_->WaitForChange(seen_, wait);
            continue;
        }
        pollfd entry{CancelWakeDescriptor(), POLLIN, 0};
        // Without the handlers (-1) poll only sleeps.
        poll(&entry, 1, wait);
    }
}

namespace {
thread_local TCancelGate* threadGate = nullptr;
}  // namespace

TThreadGate::TThreadGate(TCancelGate& gate) { threadGate = &gate; }

TThreadGate::~TThreadGate() { threadGate = nullptr; }

void CheckThreadGate() {
    if (threadGate) threadGate->Check();
}
