// Trs232c: the serial port component. It owns one RS-232C port: it opens the port by name,
// applies the line settings and time-outs of its published properties, reads and writes blocks
// of bytes, reports the receive queue level, drives DTR and, while the port is open, runs the
// event thread tcommthread that calls the handlers of received bytes and line errors. The program
// has one instance, rs232c1 on TDmod; every serial activity sets the properties it needs, opens,
// works, closes.
//
// Failures are reported only through results (false, -1, null); nothing is thrown. Settings
// take effect at the next Open; handlers are looked up on every event, but the event mask is
// built at Open. Line-event handlers run on the event thread and may call Read, Write,
// WriteByte and InQueueCount; Close called from a handler is refused (it would wait for itself).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "NotifyEvent.h"
#include "ParityTable.h"
#include "SerialDevice.h"

class tcommthread;

// The stop bits a stopbit text stands for: "1", "1.5" or "2"; nullopt for any other text.
std::optional<TStopBits> StopBitsFromText(const std::string& text);

class Trs232c {
public:
    Trs232c();
    // Closes the port first.
    ~Trs232c();
    Trs232c(const Trs232c&) = delete;
    Trs232c& operator=(const Trs232c&) = delete;

    // Published properties, with the values of the stored description.
    int charbit = 8;            // data bits; the low byte becomes the DCB ByteSize
    std::string stopbit = "1";  // "1", "1.5" or "2" (StopBitsFromText); others keep the driver's
    int bps = 9600;             // baud rate
    std::string portname = "COM1";
    int rxbuffsize = 1024;                    // receive queue, bytes
    int txbuffsize = 1024;                    // transmit queue, bytes
    int readinterval = 0;                     // read interval time-out, ms
    int txtimeout = 30000;                    // constant part of the write time-out, ms
    int rxtimeout = 30000;                    // constant part of the read time-out, ms
    std::string paritymode = ParityWordNone;  // a word of the parity table (Shift_JIS)
    int flowflag = 1;                         // the DCB flag word, stored unchanged
    int packetsize = 0;  // queue level at which OnPACKET fires; 0 switches it off
    int XonLim = 0;      // the limits and characters below apply only when not 0
    int XoffLim = 0;
    char XonChar = 0x13;
    char XoffChar = 0x11;
    char ErrorChar = 0x00;
    char EofChar = 0x00;
    char EvtChar = 0x00;

    // Line events (sender: the tcommthread), in the order they are dispatched: a line error,
    // then bytes received (OnPACKET below first, then OnRXCHAR).
    TNotifyEvent OnERR;
    TNotifyEvent OnRXCHAR;
    // Component events (sender: the component).
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    // Receive queue holds at least packetsize bytes (sender: the tcommthread).
    TNotifyEvent OnPACKET;

    // Opens and configures the port and starts the event thread. False when already open, when
    // the device cannot be opened, or when a configuration step fails (the device is then free).
    bool Open();
    // Stops the event thread and closes the port; false when not open.
    bool Close();
    // Reads exactly count bytes; false when not open, on failure, or when the port's time-outs
    // ended the read early.
    bool Read(void* buffer, int count);
    // Writes exactly count bytes; false as Read.
    bool Write(const void* buffer, int count);
    bool WriteByte(std::uint8_t byte);
    // Writes count bytes within milliseconds, whatever txtimeout says: true when all went out;
    // written tells how many did. For users whose steps have time limits of their own.
    bool WriteWithin(const void* buffer, int count, int milliseconds, int& written);
    // Bytes waiting in the receive queue, -1 when not open. Clears the line error state.
    int InQueueCount();
    // The open port, for clearing its error state (ClearCommError); null when not open.
    TSerialDevice* PortHandle();
    // Raises or lowers DTR; false when not open or refused.
    bool SetDTR(bool on);

    // Sleeps until the receive queue holds count bytes: 1 when it does, 0 when milliseconds
    // passed first, -1 when the port is not open, went away or is closing. For users that wait
    // for bytes without an event handler (the loader upload).
    int WaitForInQueue(int count, int milliseconds);
    bool IsOpen() const { return open_; }
    // The line settings, time-outs and event mask last applied by Open.
    const TCommState& AppliedCommState() const { return dcb_; }
    const TCommTimeouts& AppliedCommTimeouts() const { return timeouts_; }
    std::uint32_t AppliedEventMask() const { return eventMask_; }

private:
    // DCB fields from the properties, over what the driver reported.
    void FillCommState(TCommState& dcb) const;
    std::uint32_t BuildEventMask() const;
    bool FailOpen();

    TSerialDevice device_;
    std::atomic<bool> open_{false};
    TCommState dcb_;
    TCommTimeouts timeouts_;
    std::uint32_t eventMask_ = 0;
    std::unique_ptr<tcommthread> thread_;
};
