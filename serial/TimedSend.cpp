// SendWithin: sliced writes under a step's time limit.
#include "TimedSend.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "Rs232c.h"

namespace {

// Longest single write before the stop request is looked at again.
constexpr std::uint32_t kSliceMs = 50;
// Pause after a write the port refused at once, so a failing device is not hammered.
constexpr std::uint32_t kRetryPauseMs = 10;

std::uint32_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

TSendOutcome SendWithin(Trs232c& port, const std::uint8_t* data, int count,
                        std::uint32_t milliseconds, const std::function<bool()>& stop) {
    const std::uint32_t start = NowMs();
    int done = 0;
    for (;;) {
        const std::uint32_t before = NowMs();
        const std::uint32_t elapsed = before - start;
        const std::uint32_t slice =
            std::min(kSliceMs, milliseconds - std::min(elapsed, milliseconds));
        int written = 0;
        const bool all = slice != 0 && port.WriteWithin(data + done, count - done,
                                                        static_cast<int>(slice), written);
        done += written;
        if (all || done >= count) return TSendOutcome::Sent;
        if (stop && stop()) return TSendOutcome::Stopped;
        if (NowMs() - start >= milliseconds) return TSendOutcome::TimedOut;
        // A write that failed without waiting (not one that ran out of time) is retried after a
        // pause, not at once.
        if (written == 0 && NowMs() - before < slice)
            std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMs));
    }
}
