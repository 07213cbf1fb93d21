// tcommthread: waits for line events and dispatches them to the component's handlers.
#include "CommThread.h"

#include <chrono>

#include "Rs232c.h"
#include "SerialDevice.h"

namespace {
// A wait that fails (the port is being closed) is retried only after this pause.
constexpr auto kFailedWaitPause = std::chrono::milliseconds(20);
}  // namespace

tcommthread::tcommthread(Trs232c& owner, TSerialDevice* portHandle, int packetSize)
    : PortHandle(portHandle), Owner(owner), packetSize_(packetSize) {}

tcommthread::~tcommthread() {
    Terminate();
    WaitFor();
}

bool tcommthread::IsCurrentThread() const { return threadId_.load() == std::this_thread::get_id(); }

void tcommthread::Execute() {
    threadId_ = std::this_thread::get_id();
    while (!Terminated()) {
        std::uint32_t events = 0;
        if (!PortHandle->WaitCommEvent(events)) {
            if (Terminated()) break;
            std::this_thread::sleep_for(kFailedWaitPause);
            continue;
        }
        if (Terminated()) break;
        Dispatch(events);
    }
}

void tcommthread::Dispatch(std::uint32_t events) {
    if (events & EV_ERR) Fire(Owner.OnERR);
    if (events & EV_RXCHAR) ReceiveEvent();
}

void tcommthread::ReceiveEvent() {
    TComStat stat;
    if (!PortHandle->ClearCommError(nullptr, &stat)) stat.cbInQue = 0;
    RxCount = static_cast<int>(stat.cbInQue);
    if (Owner.OnPACKET && packetSize_ != 0 && RxCount >= packetSize_) {
        RxCount = 0;
        Fire(Owner.OnPACKET);
    }
    Fire(Owner.OnRXCHAR);
}

void tcommthread::Fire(const TNotifyEvent& event) {
    try {
        event(this);
    } catch (...) {
        // A handler's failure is its own; the port keeps reporting events.
    }
}
