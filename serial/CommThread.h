// tcommthread: the event thread of an open Trs232c. It sleeps until the port reports one of the
// events of the mask, then calls the component's handlers on its own thread in a fixed order:
// OnERR, then the receive event (OnPACKET, then OnRXCHAR). The component creates, starts, stops
// and frees it.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "Thread.h"

class Trs232c;
class TSerialDevice;
class TNotifyEvent;

class tcommthread : public TThread {
public:
    // packetSize is the component's packetsize at Open.
    tcommthread(Trs232c& owner, TSerialDevice* portHandle, int packetSize);
    ~tcommthread() override;

    TSerialDevice* const PortHandle;
    Trs232c& Owner;
    // Receive queue level seen at the last receive event; 0 after OnPACKET fired.
    int RxCount = 0;

    // True when called from this event thread (from inside a handler).
    bool IsCurrentThread() const;

protected:
    void Execute() override;

private:
    void Dispatch(std::uint32_t events);
    // EV_RXCHAR: the queue level, OnPACKET when it reaches the packet size, then OnRXCHAR.
    void ReceiveEvent();
    // Calls a handler; an exception from it ends that call only, never the thread.
    void Fire(const TNotifyEvent& event);

    const int packetSize_;
    std::atomic<std::thread::id> threadId_{};
};
