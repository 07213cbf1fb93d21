// TBootCodeSim: the access point's boot code on a pseudo-terminal. Start opens a pty whose
// slave is the "serial port" the program opens (by its path, through a symlink, or through the
// TIVRA_COMn variable); a thread of its own feeds every byte from the line to TBootCodeMachine
// and writes the answers back. Tests run it in-process and check what arrived; tivra-apsim runs
// it from the command line. Bytes that arrive after the loader was accepted go to the loader
// stage, when one is set (a simulated loader), and are otherwise ignored.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BootCodeMachine.h"

class TBootCodeSim {
public:
    // Takes the bytes from the line after the upload; returns the bytes to send back.
    using TLoaderStage = std::function<std::vector<std::uint8_t>(const std::uint8_t*, std::size_t)>;

    explicit TBootCodeSim(TBootCodeConfig config = {});
    ~TBootCodeSim();
    TBootCodeSim(const TBootCodeSim&) = delete;
    TBootCodeSim& operator=(const TBootCodeSim&) = delete;

    // Opens the pseudo-terminal and starts the thread; false with an error text.
    bool Start(std::string& error);
    // Ends the thread, closes the pseudo-terminal and removes the link. Safe to call twice.
    void Stop();

    // Path of the slave side, the device the program opens ("" before Start).
    std::string SlavePath() const { return slavePath_; }
    // Makes linkPath a symbolic link to the slave (replacing an old link); removed by Stop.
    bool LinkTo(const std::string& linkPath, std::string& error);

    // Back to power-off: the next byte from the line switches the boot code on again.
    void PowerCycle();
    void SetLoaderStage(TLoaderStage stage);
    // Sends bytes to the line unasked, as a loader that speaks first does (recorded as sent).
    bool SendFromLoader(const std::vector<std::uint8_t>& bytes);

    // The loader bytes accepted so far, and whether the end marker was acknowledged.
    std::vector<std::uint8_t> ReceivedLoader() const;
    bool LoaderComplete() const;
    std::string Failure() const;
    // Every byte that came from the line, and every byte sent to it, since Start or PowerCycle.
    std::vector<std::uint8_t> Received() const;
    std::vector<std::uint8_t> Sent() const;
    // Waits until the loader is complete or the upload failed; false when the time passed.
    bool WaitUploadEnded(int milliseconds) const;

private:
    void Serve();
    void Answer(const std::uint8_t* data, std::size_t size);
    bool WriteAll(const std::vector<std::uint8_t>& bytes);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    TBootCodeMachine machine_;
    TLoaderStage stage_;
    std::vector<std::uint8_t> received_;
    std::vector<std::uint8_t> sent_;
    int master_ = -1;
    int slave_ = -1;  // kept open, so the line stays up while the program reopens the port
    int stopFd_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    std::thread thread_;
};
