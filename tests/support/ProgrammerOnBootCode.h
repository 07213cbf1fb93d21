// The simulated EEPROM programmer loader behind the simulated boot code: once the boot code has
// taken the loader, the programmer answers the line. The test decides when it speaks first
// (Prompt), standing in for the DTR line a pseudo-terminal cannot carry, and waits for the
// exchange to end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "BootCode.h"
#include "EepromProgrammer.h"

class TProgrammerOnBootCode {
public:
    TProgrammerOnBootCode(TBootCodeSim& bootCode, TProgrammerFault fault = TProgrammerFault::None)
        : bootCode_(bootCode), programmer_(fault) {
        bootCode_.SetLoaderStage([this](const std::uint8_t* data, std::size_t size) {
            std::lock_guard<std::mutex> lock(mutex_);
            std::vector<std::uint8_t> reply = programmer_.Feed(data, size);
            changed_.notify_all();
            return reply;
        });
    }
    ~TProgrammerOnBootCode() { bootCode_.SetLoaderStage(nullptr); }

    // Sends the programmer's opening message.
    void Prompt() {
        std::vector<std::uint8_t> hello;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            hello = programmer_.Prompt();
        }
        bootCode_.SendFromLoader(hello);
    }
    // Waits until the exchange is done or has failed; false when the time passed first.
    bool WaitEnded(int milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] {
            return programmer_.Done() || programmer_.Phase() == TEepromProgrammer::TPhase::Failed;
        });
    }
    bool Done() {
        std::lock_guard<std::mutex> lock(mutex_);
        return programmer_.Done();
    }
    std::vector<std::uint8_t> Packet() {
        std::lock_guard<std::mutex> lock(mutex_);
        return programmer_.Packet();
    }

private:
    TBootCodeSim& bootCode_;
    std::mutex mutex_;
    std::condition_variable changed_;
    TEepromProgrammer programmer_;
};
