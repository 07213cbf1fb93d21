// TBootCodeSim: the access point's boot code on a pseudo-terminal. Start opens a pty whose
// slave is the "serial port" the program opens (by its path, through a symlink, or through the
// TIVRA_COMn variable); a thread of its own feeds every byte from the line to TBootCodeMachine
// and writes the answers back. Tests run it in-process and check what arrived; tivra-apsim runs
// it from the command line. Bytes that arrive after the loader was accepted go to the loader
// stage, when one is set (a simulated loader), else to the program the chooser picks for the
// loader that arrived, and are otherwise ignored. Optionally the line runs at a real rate.
#pragma once

#include <termios.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BootCodeMachine.h"

// A program the boot code runs once its loader was uploaded.
class TLoaderProgram {
public:
    virtual ~TLoaderProgram() = default;
    // Bytes from the line; returns the bytes to send back.
    virtual std::vector<std::uint8_t> Feed(const std::uint8_t* data, std::size_t size) = 0;
    // True once its job is over: a host that calls the boot code again then finds it anew.
    virtual bool Ended() const = 0;
    // True when the line is to drop (after the answer of this Feed went out).
    virtual bool DropLine() const { return false; }
    // A program that speaks first (the EEPROM programmer, once the PC raises DTR) waits for
    // the line's settings: while WaitsToSpeak, the boot code shows it the settings the program
    // on the PC set, every few milliseconds, and sends what Opening returns. A pseudo-terminal
    // carries no DTR, so the settings stand in for it.
    virtual bool WaitsToSpeak() const { return false; }
    virtual std::vector<std::uint8_t> Opening(const struct termios&) { return {}; }
};

class TBootCodeSim {
public:
    // Takes the bytes from the line after the upload; returns the bytes to send back.
    using TLoaderStage = std::function<std::vector<std::uint8_t>(const std::uint8_t*, std::size_t)>;
    // Picks the program for an uploaded loader; null runs nothing.
    using TProgramChooser =
        std::function<std::unique_ptr<TLoaderProgram>(const std::vector<std::uint8_t>& loader)>;

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
    void SetProgramChooser(TProgramChooser chooser);
    // Runs fn with the running program (null when none), under the simulator's lock.
    void WithProgram(const std::function<void(TLoaderProgram*)>& fn);
    // Paces both directions at bitsPerSecond (10 bits per byte); 0 runs as fast as the
    // pseudo-terminal goes. Set before Start.
    void SetLineRate(int bitsPerSecond) { lineRate_ = bitsPerSecond; }

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
    // A program that speaks first: whether it waits, and its chance to do so.
    bool ProgramWaitsToSpeak() const;
    void LetProgramSpeak();
    // Returns false when the line is to drop.
    bool Answer(const std::uint8_t* data, std::size_t size);
    // Bytes after the accepted loader: the stage, or the chosen program.
    void FeedLoaderSide(const std::uint8_t* data, std::size_t size,
                        std::vector<std::uint8_t>& reply, bool& drop);
    bool WriteAll(const std::vector<std::uint8_t>& bytes);
    // Sleeps until bytes of the given count have crossed a paced line; the first piece of a
    // burst starts no earlier than now, the others right after the piece before.
    void PaceLine(std::chrono::steady_clock::time_point& lineFree, std::size_t bytes,
                  bool burstStarts);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    TBootCodeMachine machine_;
    TLoaderStage stage_;
    TProgramChooser chooser_;
    std::unique_ptr<TLoaderProgram> program_;
    int lineRate_ = 0;
    std::chrono::steady_clock::time_point rxFree_{};
    std::chrono::steady_clock::time_point txFree_{};
    std::vector<std::uint8_t> received_;
    std::vector<std::uint8_t> sent_;
    int master_ = -1;
    int slave_ = -1;  // kept open, so the line stays up while the program reopens the port
    int stopFd_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    std::thread thread_;
};
