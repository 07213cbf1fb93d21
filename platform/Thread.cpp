// TThread on std::thread: start, stop request, wait, and the hand-over of calls to the main
// thread through the main-thread queue.
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
    // A free-on-terminate thread may delete this object as soon as it runs: decide before the
    // start and never touch a member afterwards.
    bool freeOnTerminate = FreeOnTerminate;
    std::thread thread;
    try {
        thread = std::thread([this] { Run(); });
    } catch (...) {
        started_ = false;  // no body runs, so no wait may expect one to finish
        throw;
    }
    if (freeOnTerminate) {
        thread.detach();
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
