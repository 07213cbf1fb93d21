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
    struct TLineEvent {
        std::uint32_t bit;
        const TNotifyEvent Trs232c::*handler;
    };
    static constexpr TLineEvent kBefore[] = {
        {EV_BREAK, &Trs232c::OnBREAK}, {EV_CTS, &Trs232c::OnCTS},   {EV_DSR, &Trs232c::OnDSR},
        {EV_ERR, &Trs232c::OnERR},     {EV_RING, &Trs232c::OnRING}, {EV_RLSD, &Trs232c::OnRLSD},
    };
    static constexpr TLineEvent kAfter[] = {
        {EV_RXFLAG, &Trs232c::OnRXFLAG},
        {EV_TXEMPTY, &Trs232c::OnTXEMPTY},
    };
    for (const TLineEvent& line : kBefore)
        if (events & line.bit) Fire(Owner.*line.handler);
    if (events & EV_RXCHAR) ReceiveEvent();
    for (const TLineEvent& line : kAfter)
        if (events & line.bit) Fire(Owner.*line.handler);
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
