// TThFupd: the transfer thread of the serial firmware upload, firmware download and BIOS
// update. It runs after the loader upload, while the loader listens on the access point: it
// opens the serial port, runs the loader's dialogue (TFirmwareDialogue) for its Mode and
// FileName, closes the port and ends with one final report (status 7 finished, or 8 failed with
// an ErrorCode). Every report goes to OnStatus on the main thread, and the thread waits until
// the handler has run.
//
// Bytes from the line reach the thread through the port's event thread: PortReceived appends
// them to the 2048-byte receive ring, PortError records a line error. Receives sleep on the
// ring until enough bytes came, a line error, a stop request, or the step's time-out.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "FirmwareDialogue.h"
#include "ThFupdRing.h"
#include "Thread.h"

class Trs232c;

class TThFupd : public TThread, private TTransferLine {
public:
    using TStatusEvent = std::function<void(TThread* sender, TransferStatus status,
                                            std::int32_t percent, std::int32_t doneBytes,
                                            TransferError errorCode, std::int32_t totalBytes)>;

    // port: the shared serial port component (rs232c1), used only while the thread runs.
    explicit TThFupd(Trs232c& port);
    ~TThFupd() override;

    // Set by the owner before Start.
    std::string FileName;  // the source of an upload or BIOS update, the destination of a download
    std::string PortName;  // "COM1" and so on
    TTransferMode Mode = tmUpload;
    TStatusEvent OnStatus;
    TTransferTimeouts Timeouts;  // tests shorten them
    TFreeSpaceQuery FreeSpace;   // the download's free-space query (tests replace it)

    // The values of the current report, and the time-out of the current step (ms).
    TransferStatus Status = tsCommunicating;
    std::int32_t Percent = 0;
    std::int32_t DoneBytes = 0;
    TransferError ErrorCode = teNone;
    std::uint32_t Timeout = 0;
    std::int32_t TotalBytes = 0;

    // The port's handlers while the thread runs (on the port's event thread).
    void PortReceived(void* sender);
    void PortError(void* sender);

protected:
    void Execute() override;

private:
    void Run();
    void ConfigurePort();
    void NotifyProgress();
    void Final(TransferStatus status, TransferError code);

    // TTransferLine.
    void SetTimeout(std::uint32_t milliseconds) override { Timeout = milliseconds; }
    void Discard() override { ring_.Discard(); }
    TransferError Send(const std::uint8_t* data, std::size_t size) override;
    TransferError Receive(std::uint8_t* data, std::size_t size) override;
    bool Pending() override { return ring_.Count() != 0; }
    bool Stopped() override { return Terminated(); }
    void Pause(std::uint32_t milliseconds) override;
    void Report(TransferStatus status, std::int32_t percent, std::int32_t doneBytes,
                std::int32_t totalBytes) override;

    // A line error, or bytes the ring could not hold: every receive and send fails with 6.
    bool LineFailed() const { return lineError_.load() || ring_.Overflowed(); }

    Trs232c& port_;
    TRxRing ring_;
    std::atomic<bool> lineError_{false};
};
