// TApSimStopSignal: a flag that ends the simulator's waits at once when a side stops, so that a
// delayed reply or a paused body never holds up the shutdown.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class TApSimStopSignal {
public:
    void Raise() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            raised_ = true;
        }
        changed_.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        raised_ = false;
    }
    bool Raised() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return raised_;
    }
    // Waits the time unless the signal is raised; false when it was.
    bool Sleep(int milliseconds) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return !changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [this] { return raised_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool raised_ = false;
};
