// A time limit for a test that waits on another thread: when the guarded scope has not ended
// within the limit, the test program reports it and exits, so a lost wake-up fails the test
// quickly instead of hanging the run. The watchdog's own thread ends with the scope.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class TWatchdog {
public:
    explicit TWatchdog(std::string what, std::chrono::milliseconds limit = std::chrono::seconds(10))
        : what_(std::move(what)), thread_([this, limit] { Watch(limit); }) {}
    ~TWatchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
        }
        endedSignal_.notify_all();
        thread_.join();
    }
    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

private:
    void Watch(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (endedSignal_.wait_for(lock, limit, [this] { return ended_; })) return;
        std::fprintf(stderr, "watchdog: %s did not end in time\n", what_.c_str());
        std::_Exit(3);
    }

    std::string what_;
    std::mutex mutex_;
    std::condition_variable endedSignal_;
    bool ended_ = false;
    std::thread thread_;
};
