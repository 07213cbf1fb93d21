// Trs232c on a pseudo-terminal: open and close rules, the line settings it applies, reads that
// wait, the queue count, and the event thread (dispatch, OnPACKET, handlers that read and
// write, Close while it waits).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "CommThread.h"
#include "Cp932.h"
#include "Dmod.h"
#include "PtyLine.h"
#include "Rs232c.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Waits (bounded) until the condition holds.
template <class Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = 5000ms) {
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A port on a fresh pseudo-terminal, set up the way the serial activities do: no time-outs.
class Rs232cTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.portname = line.Path();
        port.bps = 57600;
        port.rxtimeout = 0;
        port.txtimeout = 0;
    }
    TPtyLine line;
    Trs232c port;
};

// The order in which handlers ran, shared with the event thread.
class TCallLog {
public:
    void Add(const std::string& entry) {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.push_back(entry);
    }
    std::vector<std::string> Entries() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }
    std::size_t Count(const std::string& entry) const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::size_t n = 0;
        for (const auto& e : entries_) n += e == entry;
        return n;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

}  // namespace

TEST(Rs232cProperties, InitialValuesAreThoseOfTheStoredDescription) {
    TDmod dmod;
    const Trs232c& port = dmod.rs232c1;
    EXPECT_EQ(port.charbit, 8);
    EXPECT_EQ(port.stopbit, "1");
    EXPECT_EQ(port.bps, 9600);
    EXPECT_EQ(port.portname, "COM1");
    EXPECT_EQ(port.rxbuffsize, 1024);
    EXPECT_EQ(port.txbuffsize, 1024);
    EXPECT_EQ(port.readinterval, 0);
    EXPECT_EQ(port.txtimeout, 30000);
    EXPECT_EQ(port.rxtimeout, 30000);
    EXPECT_EQ(port.paritymode, Utf8ToSjis("無し"));
    EXPECT_EQ(port.flowflag, 1);
    EXPECT_EQ(port.packetsize, 0);
    EXPECT_EQ(port.XonLim, 0);
    EXPECT_EQ(port.XoffLim, 0);
    EXPECT_EQ(port.XonChar, 0x13);
    EXPECT_EQ(port.XoffChar, 0x11);
    EXPECT_EQ(port.ErrorChar, 0);
    EXPECT_EQ(port.EofChar, 0);
    EXPECT_EQ(port.EvtChar, 0);
    for (const TNotifyEvent* event :
         {&port.OnERR, &port.OnRXCHAR, &port.OnOpen, &port.OnClose, &port.OnPACKET})
        EXPECT_FALSE(*event);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(Rs232cTest, OpenTwiceFailsAndCloseWhenClosedFails) {
    EXPECT_EQ(port.InQueueCount(), -1);
    EXPECT_EQ(port.PortHandle(), nullptr);
    EXPECT_FALSE(port.Close());
    char byte = 0;
    EXPECT_FALSE(port.Read(&byte, 1));
    EXPECT_FALSE(port.WriteByte(1));
    EXPECT_FALSE(port.SetDTR(true));

    TCallLog log;
    port.OnOpen = [&](void* sender) { log.Add(sender == &port ? "open" : "open?"); };
    port.OnClose = [&](void* sender) { log.Add(sender == &port ? "close" : "close?"); };
    ASSERT_TRUE(port.Open());
    TSerialDevice* handle = port.PortHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PortHandle(), handle);
    EXPECT_EQ(port.InQueueCount(), 0);
    EXPECT_TRUE(port.SetDTR(true));  // a pseudo-terminal has no DTR; that is no failure

    // Exclusive: a second component cannot take the device while the first holds it.
    Trs232c other;
    other.portname = line.Path();
    EXPECT_FALSE(other.Open());

    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.Close());
    EXPECT_EQ(port.InQueueCount(), -1);
    EXPECT_EQ(port.PortHandle(), nullptr);
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"open", "close"}));
    EXPECT_TRUE(other.Open());
}

TEST_F(Rs232cTest, FailedSettingsLeaveTheDeviceFree) {
    port.bps = 12345;  // no such rate
    EXPECT_FALSE(port.Open());
    port.bps = 57600;
    port.stopbit = "1.5";  // 1.5 stop bits need 5-bit characters
    EXPECT_FALSE(port.Open());
    port.stopbit = "1";
    port.rxbuffsize = -1;
    EXPECT_FALSE(port.Open());
    port.rxbuffsize = 2048;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.Open());

    Trs232c missing;
    missing.portname = "/nonexistent/ttyS0";
    EXPECT_FALSE(missing.Open());
}

TEST_F(Rs232cTest, AppliesItsPropertiesToTheLine) {
    port.bps = 4800;
    port.stopbit = "2";
    port.paritymode = Utf8ToSjis("ＯＤＤ");
    port.XonLim = 700;
    port.readinterval = 5;
    port.rxtimeout = 60;
    port.txtimeout = 70;
    port.OnRXCHAR = [](void*) {};
    port.OnERR = [](void*) {};
    ASSERT_TRUE(port.Open());
    const TCommState& dcb = port.AppliedCommState();
    EXPECT_EQ(dcb.BaudRate, 4800u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.StopBits, TStopBits::Two);
    EXPECT_EQ(dcb.Parity, TParity::Odd);
    EXPECT_EQ(dcb.Flags, 1u);
    EXPECT_EQ(dcb.XonLim, 700);
    EXPECT_EQ(dcb.XonChar, 0x13);
    EXPECT_EQ(dcb.XoffChar, 0x11);
    termios t = line.SlaveSettings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    const TCommTimeouts& timeouts = port.AppliedCommTimeouts();
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 5u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 60u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 70u);
    EXPECT_EQ(port.AppliedEventMask(), EV_RXCHAR | EV_ERR);
    ASSERT_TRUE(port.Close());

    // Words outside the table, and limits of 0, keep what the driver reported.
    TSerialDevice probe;
    ASSERT_TRUE(probe.Open(line.Path()));
    TCommState reported;
    ASSERT_TRUE(probe.GetCommState(reported));
    probe.Close();
    port.paritymode = "Odd";  // differs from a table word in letter case only
    port.XonLim = 0;
    port.stopbit = "one";
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.AppliedCommState().Parity, reported.Parity);
    EXPECT_EQ(port.AppliedCommState().XonLim, reported.XonLim);
    EXPECT_NE(reported.XonLim, 0);
    EXPECT_EQ(port.AppliedCommState().StopBits, reported.StopBits);
}

TEST(Rs232cParity, EveryTableWordAndNothingElse) {
    using P = TParity;
    const std::pair<const char*, TParity> words[] = {
        {"無し", P::None},        {"なし", P::None},        {"奇数", P::Odd},
        {"きすう", P::Odd},       {"ODD", P::Odd},          {"odd", P::Odd},
        {"ＯＤＤ", P::Odd},       {"ｏｄｄ", P::Odd},       {"偶数", P::Even},
        {"ぐうすう", P::Even},    {"EVEN", P::Even},        {"even", P::Even},
        {"ＥＶＥＮ", P::Even},    {"ｅｖｅｎ", P::Even},    {"マーク", P::Mark},
        {"まーく", P::Mark},      {"MARK", P::Mark},        {"mark", P::Mark},
        {"ＭＡＲＫ", P::Mark},    {"ｍａｒｋ", P::Mark},    {"スペース", P::Space},
        {"すぺーす", P::Space},   {"SPACE", P::Space},      {"space", P::Space},
        {"ＳＰＡＣＥ", P::Space}, {"ｓｐａｃｅ", P::Space},
    };
    for (const auto& [word, parity] : words) {
        auto found = ParityFromWord(Utf8ToSjis(word));
        ASSERT_TRUE(found.has_value()) << word;
        EXPECT_EQ(*found, parity) << word;
    }
    EXPECT_EQ(std::string(ParityWordNone), Utf8ToSjis("無し"));
    for (const char* other : {"Odd", "EVEN ", "", "ﾏｰｸ", "Space", "無"})
        EXPECT_FALSE(ParityFromWord(Utf8ToSjis(other)).has_value()) << other;
    EXPECT_FALSE(ParityFromWord("無し").has_value());  // UTF-8 is not the system's text
}

TEST_F(Rs232cTest, QueueCountAndAReadThatWaitsForMissingBytes) {
    ASSERT_TRUE(port.Open());
    line.Send("ab");
    ASSERT_EQ(port.WaitForInQueue(2, 5000), 1);
    EXPECT_EQ(port.InQueueCount(), 2);

    // No time-outs: the read waits until the missing bytes come, however long that takes.
    auto read = std::async(std::launch::async, [this] {
        std::string buffer(5, '\0');
        bool ok = port.Read(buffer.data(), 5);
        return std::make_pair(ok, buffer);
    });
    EXPECT_EQ(read.wait_for(300ms), std::future_status::timeout);
    line.Send("cde");
    ASSERT_EQ(read.wait_for(5s), std::future_status::ready);
    auto [ok, bytes] = read.get();
    EXPECT_TRUE(ok);
    EXPECT_EQ(bytes, "abcde");
    EXPECT_EQ(port.InQueueCount(), 0);

    ASSERT_TRUE(port.Write("xyz", 3));
    ASSERT_TRUE(port.WriteByte('!'));
    EXPECT_EQ(line.Receive(4, 2000), "xyz!");
}

TEST_F(Rs232cTest, AReadEndedByTheReadTimeoutIsAFailure) {
    port.rxtimeout = 150;
    ASSERT_TRUE(port.Open());
    line.Send("ab");
    char buffer[5];
    auto start = Clock::now();
    EXPECT_FALSE(port.Read(buffer, 5));  // two bytes came: not what was asked for
    EXPECT_GE(ElapsedMs(start), 140);
    EXPECT_LT(ElapsedMs(start), 3000);
    EXPECT_TRUE(port.IsOpen());  // a failed read leaves the port open
}

TEST_F(Rs232cTest, HandlersRunOnTheEventThreadAndMayReadAndWrite) {
    std::atomic<void*> sender{nullptr};
    std::atomic<bool> onMainThread{false};
    const auto mainThread = std::this_thread::get_id();
    // An echo: the handler reads what came and writes it back, on the event thread.
    port.OnRXCHAR = [&](void* from) {
        sender = from;
        onMainThread = std::this_thread::get_id() == mainThread;
        int count = port.InQueueCount();
        std::string bytes(static_cast<std::size_t>(std::max(count, 0)), '\0');
        if (count > 0 && port.Read(bytes.data(), count)) port.Write(bytes.data(), count);
    };
    ASSERT_TRUE(port.Open());
    line.Send("ping");
    EXPECT_EQ(line.Receive(4, 5000), "ping");
    EXPECT_NE(sender.load(), nullptr);
    EXPECT_NE(sender.load(), static_cast<void*>(&port));
    EXPECT_EQ(&static_cast<tcommthread*>(sender.load())->Owner, &port);
    EXPECT_FALSE(onMainThread);
}

TEST_F(Rs232cTest, PacketOfThreeFiresOnceForFiveBytesInOneBurst) {
    TCallLog log;
    port.packetsize = 3;
    port.OnPACKET = [&](void*) { log.Add("packet"); };
    port.OnRXCHAR = [&](void*) { log.Add("rxchar"); };
    ASSERT_TRUE(port.Open());
    line.Send("12345");
    ASSERT_TRUE(Eventually([&] { return log.Count("rxchar") >= 1; }));
    // Nothing was read: the next byte finds six bytes queued, which again reaches the size.
    // Its events come after any the burst could still have caused, so the log shows the
    // burst's events were exactly one of each.
    line.Send("6");
    ASSERT_TRUE(Eventually([&] { return log.Count("rxchar") >= 2; }));
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"packet", "rxchar", "packet", "rxchar"}));
    EXPECT_EQ(port.InQueueCount(), 6);
}

TEST_F(Rs232cTest, PacketArrivingInPiecesIsAnnouncedByTheEventThatCompletesIt) {
    TCallLog log;
    port.packetsize = 3;
    port.OnPACKET = [&](void*) { log.Add("packet"); };
    port.OnRXCHAR = [&](void*) { log.Add("rxchar"); };
    ASSERT_TRUE(port.Open());
    line.Send("12");
    ASSERT_TRUE(Eventually([&] { return log.Count("rxchar") >= 1; }));
    line.Send("3");
    ASSERT_TRUE(Eventually([&] { return log.Count("rxchar") >= 2; }));
    // The first piece's event came without a packet; the completing one brought it.
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"rxchar", "packet", "rxchar"}));
}

TEST_F(Rs232cTest, PacketSizeZeroNeverFiresAndLateHandlersWaitForTheNextOpen) {
    std::atomic<int> packets{0}, received{0};
    port.OnPACKET = [&](void*) { ++packets; };
    port.OnRXCHAR = [&](void*) { ++received; };
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.AppliedEventMask(), EV_RXCHAR);  // the receive bit is in the mask ...
    line.Send("abcdef");
    ASSERT_EQ(port.WaitForInQueue(6, 5000), 1);
    // A packet event would come before the receive event of the same bytes.
    ASSERT_TRUE(Eventually([&] { return received >= 1; }));
    EXPECT_EQ(packets, 0);  // ... but OnPACKET never fires

    // A handler assigned after Open is not waited for until the next Open.
    port.OnERR = [](void*) {};
    EXPECT_EQ(port.AppliedEventMask(), EV_RXCHAR);
    ASSERT_TRUE(port.Close());
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.AppliedEventMask(), EV_RXCHAR | EV_ERR);
}

TEST_F(Rs232cTest, CloseEndsTheEventThreadWhileItWaits) {
    port.OnRXCHAR = [](void*) {};
    ASSERT_TRUE(port.Open());
    std::this_thread::sleep_for(50ms);  // the thread is asleep in its wait now
    auto start = Clock::now();
    EXPECT_TRUE(port.Close());
    EXPECT_LT(ElapsedMs(start), 1000);
}

TEST_F(Rs232cTest, CloseEndsAHandlerThatWaitsInARead) {
    std::promise<void> entered;
    std::atomic<int> readResult{-1};
    port.OnRXCHAR = [&](void*) {
        if (readResult != -1) return;
        char buffer[100];
        readResult = 2;
        entered.set_value();
        readResult = port.Read(buffer, 100) ? 1 : 0;  // only one byte will ever come
    };
    ASSERT_TRUE(port.Open());
    line.Send("x");
    ASSERT_EQ(entered.get_future().wait_for(5s), std::future_status::ready);
    std::this_thread::sleep_for(50ms);
    auto start = Clock::now();
    EXPECT_TRUE(port.Close());
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_EQ(readResult, 0);
}

TEST_F(Rs232cTest, HandlerFailuresAndCloseFromAHandlerDoNotStopTheThread) {
    std::atomic<int> calls{0};
    std::atomic<int> closeResult{-1};
    port.OnRXCHAR = [&](void*) {
        int call = ++calls;
        port.Read(nullptr, 0);
        if (call == 1) throw std::runtime_error("handler failed");
        if (call == 2) closeResult = port.Close() ? 1 : 0;  // would wait for itself
    };
    ASSERT_TRUE(port.Open());
    line.Send("a");
    ASSERT_TRUE(Eventually([&] { return calls == 1; }));
    line.Send("b");
    ASSERT_TRUE(Eventually([&] { return calls == 2 && closeResult != -1; }));
    EXPECT_EQ(closeResult, 0);
    EXPECT_TRUE(port.IsOpen());
    line.Send("c");
    ASSERT_TRUE(Eventually([&] { return calls == 3; }));
    EXPECT_TRUE(port.Close());
}

TEST_F(Rs232cTest, UnpluggedDeviceIsOneLineErrorThenQuiet) {
    std::atomic<int> errors{0};
    port.OnERR = [&](void*) { ++errors; };
    port.OnRXCHAR = [](void*) {};
    ASSERT_TRUE(port.Open());
    line.Send("last");
    ASSERT_EQ(port.WaitForInQueue(4, 5000), 1);
    line.HangUp();
    ASSERT_TRUE(Eventually([&] { return errors == 1; }));

    // The hung-up descriptor stays readable for ever; the event thread must sleep, not spin.
    timespec before{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    std::this_thread::sleep_for(300ms);
    timespec after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    long cpuMs = (after.tv_sec - before.tv_sec) * 1000 + (after.tv_nsec - before.tv_nsec) / 1000000;
    EXPECT_LT(cpuMs, 150);
    EXPECT_EQ(errors, 1);

    // What came before the line went down can still be read; then reads and writes fail at once
    // although there are no time-outs.
    char bytes[4];
    EXPECT_TRUE(port.Read(bytes, 4));
    EXPECT_EQ(std::string(bytes, 4), "last");
    auto start = Clock::now();
    EXPECT_FALSE(port.Read(bytes, 1));
    EXPECT_FALSE(port.WriteByte('x'));
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_EQ(port.WaitForInQueue(1, 5000), -1);
    EXPECT_TRUE(port.Close());
}
