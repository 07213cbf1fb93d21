// TThSendLoader: the worker thread that hands the loader program to the access point's boot
// code. It opens the serial port, sends the wake-up string "DORBA" until the boot code answers
// "$" (the user switches the access point on meanwhile), replies "F", uploads the loader file
// in acknowledged blocks with checksums, closes the port and ends. Every report (waiting,
// sending with a percentage, done, failed with a code) goes to OnStatus on the main thread; the
// thread waits until the handler has run. The last report is state 7 (success) or 8 (failure).
//
// The termination request is honoured in every wait: the thread then ends with state 8, code 5.
// CancelHandshake is the user's way out while the access point has not answered yet; once it
// has, the upload runs to its end (only the termination request stops it).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "LoaderDialogue.h"
#include "Thread.h"

class Trs232c;

// True for a flock error that says the file system cannot lock at all (rather than that another
// program holds the lock): the loader file is then sent without the lock.
bool LockingUnsupported(int error);

class TThSendLoader : public TThread {
public:
    using TStatusEvent = std::function<void(TThread* sender, TLoaderState state, int percent,
                                            TLoaderError errorCode)>;

    // port: the shared serial port component (rs232c1), used only while the thread runs.
    explicit TThSendLoader(Trs232c& port);
    ~TThSendLoader() override;

    // Set by the creator before Start.
    std::string LoaderFile;      // full path of the loader file
    std::string SerialPortName;  // "COM1" and so on
    TStatusEvent OnStatus;
    // Time-outs of the two phases, ms. Tests may shorten them before Start.
    std::uint32_t HandshakeTimeout = 1200000;
    std::uint32_t TransferTimeout = 120000;

    // Maintained by the thread: the values of the next report, and the current time-out.
    TLoaderState State = lsWaiting;
    int Percent = 0;
    TLoaderError ErrorCode = leNone;
    std::uint32_t Timeout = 0;
    // Why the port could not be opened (UTF-8), set before the failure report; "" otherwise.
    std::string PortProblem;

    // Abandons the wait for the access point's first answer: true when the thread was still
    // waiting (it then ends with state 8, code 5, before any byte of the loader went out);
    // false once the answer came, when nothing may interrupt the upload any more.
    bool CancelHandshake();
    // True until the access point answered (or the thread was cancelled or ended).
    bool WaitingForAnswer() const { return handshake_ == kAwaitingAnswer; }

protected:
    void Execute() override;

private:
    void Run();
    void ConfigurePort();
    TLoaderError Handshake();
    TLoaderError SendLoaderFile();
    // Drives the block upload over the port; the file is open on fd.
    TLoaderError Upload(int fd);
    // Waits until n bytes are queued, then reads them: 0, 1 (time-out) or 6 (read failed); 0
    // without reading when termination is requested.
    TLoaderError ReceiveBytes(std::uint8_t* buffer, int n);
    // Writes until a write succeeds: 0, or 1 when the writes keep failing beyond the time-out;
    // 0 when termination is requested.
    TLoaderError SendBytes(const std::uint8_t* buffer, int n);
    void Report(TLoaderState state, int percent);
    void Fail(TLoaderError code, int percent);

    enum : int { kAwaitingAnswer, kAnswered, kAbandoned };
    // Who came first: the access point's answer or the user's cancel.
    std::atomic<int> handshake_{kAwaitingAnswer};
    Trs232c& port_;
};
