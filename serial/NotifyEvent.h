// TNotifyEvent: an event of a component (OnOpen, OnRXCHAR, ...): one handler that receives the
// sender. Handlers may be assigned, removed and called from different threads at any time; a
// call runs a copy taken under the lock, so a handler may even reassign its own event.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <utility>

class TNotifyEvent {
public:
    using THandler = std::function<void(void* sender)>;

    TNotifyEvent() = default;
    TNotifyEvent(const TNotifyEvent&) = delete;
    TNotifyEvent& operator=(const TNotifyEvent&) = delete;

    TNotifyEvent& operator=(THandler handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        handler_ = std::move(handler);
        return *this;
    }
    TNotifyEvent& operator=(std::nullptr_t) { return *this = THandler(); }

    // True while a handler is assigned.
    explicit operator bool() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<bool>(handler_);
    }

    // Calls the handler, if one is assigned.
    void operator()(void* sender) const {
        THandler handler;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            handler = handler_;
        }
        if (handler) handler(sender);
    }

private:
    mutable std::mutex mutex_;
    THandler handler_;
};
