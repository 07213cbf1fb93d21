// SendWithin on a line whose far end stopped reading: the write gives up within the step's
// time, counts as a time-out, and a stop request ends it at once; on a line that drains,
// every byte arrives exactly once.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "PtyLine.h"
#include "Rs232c.h"
#include "TimedSend.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class TTimedSendTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.portname = line.Path();
        port.txtimeout = 0;  // no limit at the port: only the step's own limit applies
        port.rxtimeout = 0;
        ASSERT_TRUE(port.Open());
    }
    TPtyLine line;
    Trs232c port;
    // Far more than a pseudo-terminal buffers.
    std::vector<std::uint8_t> big = std::vector<std::uint8_t>(1 << 20, 0x55);
};

TEST_F(TTimedSendTest, AWriteThatCannotDrainEndsAsATimeOutOrOnAStop) {
    const struct {
        const char* what;
        bool stop;
        TSendOutcome outcome;
    } cases[] = {{"time-out", false, TSendOutcome::TimedOut},
                 {"stop", true, TSendOutcome::Stopped}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto start = Clock::now();
        const bool stop = c.stop;
        EXPECT_EQ(SendWithin(port, big.data(), static_cast<int>(big.size()), stop ? 60000 : 300,
                             [&] { return stop && Clock::now() - start > 200ms; }),
                  c.outcome);
        EXPECT_LT(Clock::now() - start, 2s);
    }
}

TEST_F(TTimedSendTest, EveryByteArrivesOnceOnALineThatDrains) {
    std::string sent;
    for (int i = 0; i < 3000; ++i) sent += static_cast<char>(i * 7);
    std::string got;
    std::thread reader([&] {
        const auto end = Clock::now() + 5s;
        while (got.size() < sent.size() && Clock::now() < end)
            got += line.Receive(sent.size() - got.size(), 50);
    });
    EXPECT_EQ(SendWithin(port, reinterpret_cast<const std::uint8_t*>(sent.data()),
                         static_cast<int>(sent.size()), 5000, nullptr),
              TSendOutcome::Sent);
    reader.join();
    EXPECT_EQ(got, sent);
}

}  // namespace
