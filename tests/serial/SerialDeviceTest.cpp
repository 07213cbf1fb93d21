// The serial device layer: port names, line settings on termios, COMMTIMEOUTS time-outs,
// exclusive access, the receive queue, and waits that other threads can end.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "PtyLine.h"
#include "SerialDevice.h"
#include "TempDir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Sets an environment variable for one test and puts the old value back.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~TScopedVariable() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TCommState State(std::uint32_t baud, std::uint8_t size, TParity parity, TStopBits stop) {
    TCommState dcb;
    dcb.BaudRate = baud;
    dcb.ByteSize = size;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    return dcb;
}

}  // namespace

TEST(SerialDevicePath, MapsComNamesThroughVariablesAndTakesOtherNamesAsDevices) {
    TScopedVariable com2("TIVRA_COM2", "/tmp/my-line");
    EXPECT_EQ(SerialDevicePath("COM2"), "/tmp/my-line");
    EXPECT_EQ(SerialDevicePath("com2"), "/tmp/my-line");
    EXPECT_EQ(SerialDevicePath("\\\\.\\COM2"), "/tmp/my-line");
    EXPECT_EQ(SerialDevicePath("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("COM0"), "/dev/COM0");
    EXPECT_EQ(SerialDevicePath(""), "");
}

TEST(SerialLineSettings, StopBitsFollowTheClassicUart) {
    termios t{};
    ASSERT_TRUE(CommStateToTermios(State(4800, 8, TParity::None, TStopBits::Two), t));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));

    // 1.5 stop bits exist only for 5-bit characters, where two stop bits are sent as 1.5.
    ASSERT_TRUE(CommStateToTermios(State(9600, 5, TParity::None, TStopBits::OnePointFive), t));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS5));
    EXPECT_EQ(CommStateFromTermios(t).StopBits, TStopBits::OnePointFive);

    errno = 0;
    EXPECT_FALSE(CommStateToTermios(State(9600, 8, TParity::None, TStopBits::OnePointFive), t));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_FALSE(CommStateToTermios(State(9600, 5, TParity::None, TStopBits::Two), t));
    EXPECT_FALSE(CommStateToTermios(State(9600, 8, TParity::None, static_cast<TStopBits>(3)), t));

    ASSERT_TRUE(CommStateToTermios(State(57600, 8, TParity::None, TStopBits::One), t));
    EXPECT_FALSE(t.c_cflag & CSTOPB);
}

TEST(SerialLineSettings, ParityByteSizeAndBaudRate) {
    struct {
        TParity parity;
        tcflag_t flags;
    } const cases[] = {
        {TParity::None, 0},
        {TParity::Odd, PARENB | PARODD},
        {TParity::Even, PARENB},
        {TParity::Mark, PARENB | PARODD | CMSPAR},
        {TParity::Space, PARENB | CMSPAR},
    };
    for (const auto& c : cases) {
        termios t{};
        ASSERT_TRUE(CommStateToTermios(State(57600, 7, c.parity, TStopBits::One), t));
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.flags) << static_cast<int>(c.parity);
        EXPECT_EQ(CommStateFromTermios(t).Parity, c.parity);
    }
    termios t{};
    EXPECT_FALSE(CommStateToTermios(State(57600, 8, static_cast<TParity>(5), TStopBits::One), t));
    EXPECT_FALSE(CommStateToTermios(State(57600, 4, TParity::None, TStopBits::One), t));
    EXPECT_FALSE(CommStateToTermios(State(57600, 9, TParity::None, TStopBits::One), t));
    EXPECT_FALSE(CommStateToTermios(State(12345, 8, TParity::None, TStopBits::One), t));

    // Raw transfer whatever the record says: no line editing, echo or translation, and reads
    // that see an empty queue as "nothing yet" rather than as the end of the line.
    t.c_lflag = ICANON | ECHO | ISIG;
    t.c_iflag = ICRNL | IXON;
    t.c_oflag = OPOST;
    TCommState dcb = State(115200, 8, TParity::None, TStopBits::One);
    dcb.Flags = DcbFlags::Binary | DcbFlags::OutX | DcbFlags::InX;
    ASSERT_TRUE(CommStateToTermios(dcb, t));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & ICRNL, 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(CommStateFromTermios(t).BaudRate, 115200u);
}

TEST(SerialDeviceOpen, ExclusiveAndOnlyForTerminals) {
    TPtyLine line;
    TSerialDevice first;
    TSerialDevice second;
    ASSERT_TRUE(first.Open(line.Path()));
    // The held port is refused without an open: on a UART the open alone raises DTR and RTS.
    const int opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(opens, line.Path().c_str(), IN_OPEN), 0);
    errno = 0;
    EXPECT_FALSE(second.Open(line.Path()));
    EXPECT_EQ(errno, EBUSY);
    char event[sizeof(inotify_event) + 256];
    EXPECT_LT(read(opens, event, sizeof event), 0) << "the held device was opened";
    close(opens);
    EXPECT_FALSE(first.Open(line.Path()));  // already open
    EXPECT_TRUE(first.Close());
    EXPECT_FALSE(first.Close());
    EXPECT_TRUE(second.Open(line.Path()));

    TempDir dir;
    std::string file = dir.Write("not-a-port", "x");
    TSerialDevice third;
    errno = 0;
    EXPECT_FALSE(third.Open(file));
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_FALSE(third.Open("/nonexistent/ttyS9"));
}

TEST(SerialDeviceQueue, NothingIsLostBeyondTheQueueSize) {
    TPtyLine line;
    TSerialDevice device;
    ASSERT_TRUE(device.Open(line.Path()));
    ASSERT_TRUE(device.SetupComm(16, 16));
    std::string sent;
    for (int i = 0; i < 100; ++i) sent += static_cast<char>('A' + i % 26);
    line.Send(sent);
    ASSERT_EQ(device.WaitForInput(100, 5000), 1);  // capped at the queue size
    TComStat stat;
    ASSERT_TRUE(device.ClearCommError(nullptr, &stat));
    std::string got(100, '\0');
    std::uint32_t done = 0;
    ASSERT_TRUE(device.ReadFile(got.data(), 100, done));
    EXPECT_EQ(done, 100u);
    EXPECT_EQ(got, sent);
}

TEST(SerialDeviceTimeouts, ReadTimeoutsEndAReadWithTheBytesThatCame) {
    TPtyLine line;
    TSerialDevice device;
    ASSERT_TRUE(device.Open(line.Path()));
    char buffer[16];
    std::uint32_t done = 0;

    // Total time-out: multiplier x count + constant, then true with fewer bytes.
    TCommTimeouts total;
    total.ReadTotalTimeoutMultiplier = 10;
    total.ReadTotalTimeoutConstant = 100;
    ASSERT_TRUE(device.SetCommTimeouts(total));
    line.Send("ab");
    auto start = Clock::now();
    EXPECT_TRUE(device.ReadFile(buffer, 10, done));
    EXPECT_EQ(done, 2u);
    EXPECT_GE(ElapsedMs(start), 190);
    EXPECT_LT(ElapsedMs(start), 3000);

    // Interval time-out: ends when the line stays quiet after the first bytes.
    TCommTimeouts interval;
    interval.ReadIntervalTimeout = 100;
    ASSERT_TRUE(device.SetCommTimeouts(interval));
    line.Send("xyz");
    start = Clock::now();
    EXPECT_TRUE(device.ReadFile(buffer, 10, done));
    EXPECT_EQ(std::string(buffer, done), "xyz");
    EXPECT_GE(ElapsedMs(start), 90);
    EXPECT_LT(ElapsedMs(start), 3000);
}

TEST(SerialDeviceTimeouts, WriteTimeoutEndsAWriteTheLineCannotTake) {
    TPtyLine line;  // the far end never reads: the line fills up
    TSerialDevice device;
    ASSERT_TRUE(device.Open(line.Path()));
    TCommTimeouts limits;
    limits.WriteTotalTimeoutConstant = 200;
    ASSERT_TRUE(device.SetCommTimeouts(limits));
    std::string big(1 << 20, 'w');
    std::uint32_t done = 0;
    auto start = Clock::now();
    EXPECT_TRUE(device.WriteFile(big.data(), static_cast<std::uint32_t>(big.size()), done));
    EXPECT_LT(done, big.size());
    EXPECT_GE(ElapsedMs(start), 190);
    EXPECT_LT(ElapsedMs(start), 5000);
}

TEST(SerialDeviceWaits, OtherThreadsEndPendingWaits) {
    TPtyLine line;
    TSerialDevice device;
    ASSERT_TRUE(device.Open(line.Path()));
    ASSERT_TRUE(device.SetCommMask(EV_RXCHAR));

    // A new mask ends WaitCommEvent with no events.
    auto wait = std::async(std::launch::async, [&device] {
        std::uint32_t events = 99;
        bool ok = device.WaitCommEvent(events);
        return std::make_pair(ok, events);
    });
    EXPECT_EQ(wait.wait_for(150ms), std::future_status::timeout);
    device.SetCommMask(EV_RXCHAR);
    ASSERT_EQ(wait.wait_for(5s), std::future_status::ready);
    auto [ok, events] = wait.get();
    EXPECT_TRUE(ok);
    EXPECT_EQ(events, 0u);

    // PURGE_RXABORT ends a read that waits without time-outs; the bytes read so far stay read.
    line.Send("12");
    auto read = std::async(std::launch::async, [&device] {
        char buffer[8];
        std::uint32_t done = 0;
        bool ok = device.ReadFile(buffer, 8, done);
        return std::make_pair(ok, done);
    });
    EXPECT_EQ(read.wait_for(150ms), std::future_status::timeout);
    device.PurgeComm(PURGE_RXABORT);
    ASSERT_EQ(read.wait_for(5s), std::future_status::ready);
    auto [readOk, done] = read.get();
    EXPECT_FALSE(readOk);
    EXPECT_EQ(done, 2u);

    // CancelWaits ends what waits now and refuses what comes later.
    auto input = std::async(std::launch::async, [&device] { return device.WaitForInput(1, -1); });
    EXPECT_EQ(input.wait_for(100ms), std::future_status::timeout);
    device.CancelWaits();
    ASSERT_EQ(input.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(input.get(), -1);
    std::uint32_t none = 0;
    EXPECT_FALSE(device.WaitCommEvent(none));
}

TEST(SerialDeviceEvents, ReceivedCharactersAreAnEdgeNotALevel) {
    TPtyLine line;
    TSerialDevice device;
    ASSERT_TRUE(device.Open(line.Path()));
    ASSERT_TRUE(device.SetCommMask(EV_RXCHAR | EV_ERR));

    line.Send("ab\n");
    std::uint32_t events = 0;
    ASSERT_TRUE(device.WaitCommEvent(events));
    EXPECT_EQ(events, EV_RXCHAR);

    // The bytes stay unread; the next wait sleeps until new ones come.
    auto next = std::async(std::launch::async, [&device] {
        std::uint32_t more = 0;
        device.WaitCommEvent(more);
        return more;
    });
    EXPECT_EQ(next.wait_for(200ms), std::future_status::timeout);
    line.Send("c");
    ASSERT_EQ(next.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(next.get(), EV_RXCHAR);
    TComStat stat;
    ASSERT_TRUE(device.ClearCommError(nullptr, &stat));
    EXPECT_EQ(stat.cbInQue, 4u);

    // The far end going away is a line error.
    line.HangUp();
    ASSERT_TRUE(device.WaitCommEvent(events));
    EXPECT_EQ(events, EV_ERR);
    std::uint32_t errors = 0;
    ASSERT_TRUE(device.ClearCommError(&errors, nullptr));
    EXPECT_EQ(errors, CE_IOE);
}

TEST(SerialLowLatency, ReadFromWhatTheDriverShowsInSysfs) {
    const struct {
        const char* flags;
        const char* timer;
        const char* shown;
    } cases[] = {
        {"0x11000040", "", "low latency off"},  // a 16550 port as the serial core shows it
        {"0x11002040", "", "low latency on"},
        {"", "16", "latency timer 16 ms (low latency off)"},  // a USB adapter's default
        {"", "1", "latency timer 1 ms (low latency on)"},
        {"", "", ""},  // a pseudo-terminal shows neither
        {"garbage", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LowLatencyFromSysfs(c.flags, c.timer), c.shown) << c.flags << "/" << c.timer;
}
