#include "Thread.h"

#include "MainThread.h"

TThread::~TThread() {
    if (!FreeOnTerminate) {
        Terminate();
        WaitFor();
    }
}

void TThread::Start() {
    if (started_.exchange(true)) return;
    thread_ = std::thread([this] { Run(); });
    if (FreeOnTerminate) thread_.detach();
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        fatal_ = std::current_exception();
    }
    if (FreeOnTerminate) {
        delete this;
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
