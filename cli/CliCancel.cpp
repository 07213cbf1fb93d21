// Signal handlers that record a cancel request, and the gate that acts on it.
#include "CliCancel.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t cancelRequested = 0;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RecordCancel(int) { cancelRequested = 1; }

}  // namespace

void InstallCancelSignals() {
    struct sigaction action {};
    action.sa_handler = RecordCancel;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

bool CancelRequested() { return cancelRequested != 0; }

void ClearCancelRequest() { cancelRequested = 0; }

void TCancelGate::SetPolicy(std::function<bool()> allowed, std::function<void()> refused) {
    allowed_ = std::move(allowed);
    refused_ = std::move(refused);
}

void TCancelGate::Check() {
    if (!CancelRequested()) return;
    if (allowed_ && allowed_()) {
        ClearCancelRequest();
        throw ECliCancelled();
    }
    ClearCancelRequest();
    if (refused_) refused_();
}
