// Arbitrary bytes from the EEPROM programmer into the configuration transfer. The input is a
// series of deliveries: a control byte says how many of the following bytes arrive (its low
// three bits) and whether the packet handler runs although fewer than a message's three bytes
// are waiting (bit 3), as it would after a burst or a line error. Nothing may crash; the steps
// shown are 1, 2, ... in order and end in at most one failure or in completion; a step is done
// only when the programmer really sent its message; and the PC's answers are exactly those of
// the steps done, never a byte more.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "ConfigTransfer.h"
#include "Rs232c.h"

namespace {

class TReplayLine : public TConfigLine {
public:
    int InQueueCount() override { return static_cast<int>(queue.size()); }
    bool Read(void* buffer, int count) override {
        if (count < 0 || static_cast<std::size_t>(count) > queue.size()) return false;
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (int i = 0; i < count; ++i) {
            out[i] = queue.front();
            queue.pop_front();
        }
        return true;
    }
    bool WriteByte(std::uint8_t byte) override {
        sent.push_back(byte);
        return true;
    }
    bool Write(const void* buffer, int count) override {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        sent.insert(sent.end(), bytes, bytes + count);
        return true;
    }

    std::deque<std::uint8_t> queue;
    std::vector<std::uint8_t> sent;
};

// Checks the order of what the transfer shows as it happens.
class TCheckingView : public TConfigTransferView {
public:
    void TransferStarted() override {
        if (started) std::abort();
        started = true;
    }
    void StepDone(int step) override {
        if (!started || failed || completed || step != done + 1) std::abort();
        done = step;
    }
    void StepFailed(int step, const std::string& message) override {
        if (!started || failed || completed || step != done + 1 || message.empty()) std::abort();
        failed = true;
    }
    void TransferCompleted() override {
        if (failed || completed || done != 4) std::abort();
        completed = true;
    }

    bool started = false;
    bool failed = false;
    bool completed = false;
    int done = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string messages = "PGWPRVPWTPVR";
    Trs232c port;  // never opened: the steps run on the replay line
    TCheckingView view;
    TConfigTransfer transfer(port, view);
    transfer.PrepareConfigTransfer(TConfig8019());
    std::vector<std::uint8_t> answers{'O'};
    const std::vector<std::uint8_t> packet = BuildConfigPacket(transfer.EepromImage());
    answers.insert(answers.end(), packet.begin(), packet.end());
    answers.insert(answers.end(), 3, 'O');

    TReplayLine line;
    std::string arrived;
    for (std::size_t at = 0; at < size;) {
        const std::uint8_t control = data[at++];
        for (std::size_t n = control & 7u; n > 0 && at < size; --n) {
            line.queue.push_back(data[at]);
            arrived.push_back(static_cast<char>(data[at++]));
        }
        if (line.queue.size() >= 3 || (control & 8u)) transfer.ConfigStep(line);
    }

    const int done = view.done;
    if (transfer.TransferStep() != done || transfer.Failed() != view.failed) std::abort();
    if (view.completed != (done == 4)) std::abort();
    // Each step done took the programmer's message for it from the front of the line.
    if (arrived.compare(0, 3u * done, messages, 0, 3u * done) != 0) std::abort();
    const std::size_t answered = done == 0 ? 0 : packet.size() + done;
    if (line.sent.size() != answered ||
        std::memcmp(line.sent.data(), answers.data(), answered) != 0)
        std::abort();
    return 0;
}
