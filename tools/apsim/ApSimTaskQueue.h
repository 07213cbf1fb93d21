// TApSimTaskQueue: the worker pool of the simulator's web server, the library's own pool with a
// count of the jobs that have ended, kept under a lock that every new job passes through. The
// web server library is not built for the thread checker, which therefore cannot see how the
// library hands its lazily built state (the request parser's patterns) from the job that built
// it to later ones. Once the simulator has waited here for its warm-up requests to end, every
// later job is ordered after them in terms the checker understands.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

class TApSimTaskQueue : public httplib::TaskQueue {
public:
    explicit TApSimTaskQueue(std::size_t threads) : pool_(threads) {}

    void enqueue(std::function<void()> fn) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++started_;
        }
        pool_.enqueue([this, fn = std::move(fn)] {
            fn();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++ended_;
            }
            changed_.notify_all();
        });
    }
    void shutdown() override {
        // The server's thread ends the queue (and then deletes it) after the simulator's last
        // wait here; passing the lock orders that wait before the end.
        { std::lock_guard<std::mutex> lock(mutex_); }
        pool_.shutdown();
    }

    // Waits until count jobs have ended; false when the time passed first.
    bool WaitForEndedJobs(std::size_t count, int milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [&] { return ended_ >= count; });
    }

private:
    httplib::ThreadPool pool_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t started_ = 0;
    std::size_t ended_ = 0;
};
