// The configuration transfer against a far end on a pseudo-terminal: the line settings, the
// four steps byte for byte with the simulated programmer, a burst of two messages, a wrong
// first message, a busy port and settings that cannot be built.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "ConfigTransfer.h"
#include "EepromProgrammer.h"
#include "PtyLine.h"
#include "Rs232c.h"
#include "SerialError.h"
#include "SerialStrings.h"

namespace {

// Records what the transfer shows, as the dialog would, and lets the test wait for it.
class TRecordingView : public TConfigTransferView {
public:
    void TransferStarted() override { Add("started"); }
    void StepDone(int step) override { Add("done " + std::to_string(step)); }
    void StepFailed(int step, const std::string& message) override {
        Add("failed " + std::to_string(step) + " " + SjisToUtf8(message));
    }
    void TransferCompleted() override { Add("completed"); }

    // Waits until `count` events were shown; false after two seconds.
    bool WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(2),
                                 [&] { return events_.size() >= count; });
    }
    std::vector<std::string> Events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

private:
    void Add(const std::string& event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
};

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string Failed(int step) {
    return "failed " + std::to_string(step) + " " + SerialStrings::LineError;
}

class ConfigTransferTest : public ::testing::Test {
protected:
    ConfigTransferTest() { port.portname = line.Path(); }
    TPtyLine line;
    Trs232c port;
    TRecordingView view;
    TConfigTransfer transfer{port, view};
};

TEST_F(ConfigTransferTest, FourStepsWithTheProgrammerByteForByte) {
    TEepromProgrammer programmer;
    transfer.RunConfigTransfer(TConfig8019(), [&] {
        termios t = line.SlaveSettings();
        EXPECT_EQ(cfgetospeed(&t), B4800);
        EXPECT_TRUE(t.c_cflag & CSTOPB);
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_FALSE(t.c_cflag & PARENB);
        line.Send(Text(programmer.Prompt()));
        for (int round = 0; round < 4 && !programmer.Done(); ++round) {
            std::string got = line.Receive(round == 0 ? 98 : 1, 2000);
            std::vector<std::uint8_t> reply =
                programmer.Feed(reinterpret_cast<const std::uint8_t*>(got.data()), got.size());
            if (!reply.empty()) line.Send(Text(reply));
        }
        EXPECT_TRUE(programmer.Done()) << programmer.Failure();
        EXPECT_TRUE(view.WaitFor(6));
    });
    EXPECT_EQ(programmer.Packet(), BuildConfigPacket(BuildEepromImage(TConfig8019())));
    EXPECT_EQ(view.Events(), (std::vector<std::string>{"started", "done 1", "done 2", "done 3",
                                                       "done 4", "completed"}));
    EXPECT_EQ(transfer.TransferStep(), 4);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(static_cast<bool>(port.OnPACKET));
    EXPECT_EQ(port.packetsize, 0);
}

TEST_F(ConfigTransferTest, SecondMessageOfABurstWaitsForTheNextReceiveEvent) {
    transfer.RunConfigTransfer(TConfig8019(), [&] {
        line.Send("PGWPRV");
        EXPECT_EQ(line.Receive(98, 2000).size(), 98u);
        EXPECT_EQ(line.Receive(1, 300), "");  // "PRV" still queued
        EXPECT_EQ(transfer.TransferStep(), 1);
        line.Send("PWT");
        EXPECT_EQ(line.Receive(1, 2000), "O");
        EXPECT_TRUE(view.WaitFor(3));
        EXPECT_EQ(transfer.TransferStep(), 2);
    });
    EXPECT_EQ(view.Events(), (std::vector<std::string>{"started", "done 1", "done 2"}));
}

TEST_F(ConfigTransferTest, WrongMessageStopsTheTransferAtItsStep) {
    struct Case {
        std::string before;  // accepted messages
        std::string wrong;
        int step;
    } cases[] = {{"", "PGX", 1}, {"PGW", "PWT", 2}, {"PGWPRV", "PVR", 3}};
    for (const Case& c : cases) {
        TRecordingView caseView;
        TConfigTransfer caseTransfer(port, caseView);
        caseTransfer.RunConfigTransfer(TConfig8019(), [&] {
            for (std::size_t at = 0; at < c.before.size(); at += 3) {
                line.Send(c.before.substr(at, 3));
                line.Receive(at == 0 ? 98 : 1, 2000);
            }
            line.Send(c.wrong);
            ASSERT_TRUE(caseView.WaitFor(static_cast<std::size_t>(c.step) + 1));
            line.Send("PGWPRVPWTPVR");  // nothing is handled any more
            EXPECT_EQ(line.Receive(1, 300), "");
        });
        std::vector<std::string> events = caseView.Events();
        EXPECT_EQ(events.back(), Failed(c.step)) << c.wrong;
        EXPECT_EQ(events.size(), static_cast<std::size_t>(c.step) + 1) << c.wrong;
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST_F(ConfigTransferTest, BusyPortOrBadSettingsRaiseBeforeTheDialog) {
    Trs232c other;
    other.portname = line.Path();
    ASSERT_TRUE(other.Open());
    bool waited = false;
    try {
        transfer.RunConfigTransfer(TConfig8019(), [&] { waited = true; });
        FAIL() << "no error";
    } catch (const ESerialError& error) {
        EXPECT_EQ(error.Message(), SerialText(SerialStrings::PortUnavailable));
    }
    other.Close();
    TConfig8019 bad;
    bad.SerialNum = "33ZZ0000";
    EXPECT_THROW(transfer.RunConfigTransfer(bad, [&] { waited = true; }), EConvertError);
    EXPECT_FALSE(waited);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(static_cast<bool>(port.OnPACKET));
}

}  // namespace
