// TThSendLoader against the simulated boot code on a pseudo-terminal: the bytes on the line,
// the reports, the refusals, the time-out, noise before the answer, termination, and the
// failures before the line is used (no file, no port).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "BootCode.h"
#include "Dmod.h"
#include "Loader.h"
#include "MainThread.h"
#include "TempDir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

struct TReport {
    int State;
    int Percent;
    int Code;
    bool operator==(const TReport& other) const {
        return State == other.State && Percent == other.Percent && Code == other.Code;
    }
};

std::ostream& operator<<(std::ostream& out, const TReport& report) {
    return out << "{" << report.State << "," << report.Percent << "," << report.Code << "}";
}

// A loader file whose bytes differ block by block, so a shifted or repeated block shows.
Bytes LoaderImage(std::size_t size) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i)
        image[i] = static_cast<std::uint8_t>((i * 7 + i / 1024) & 0xFF);
    return image;
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// What the program sends after the handshake for a loader: per block the length, the data and
// the checksum, then the end marker.
Bytes UploadWire(const Bytes& image) {
    Bytes wire;
    for (std::size_t at = 0; at < image.size(); at += 1024) {
        std::size_t n = std::min<std::size_t>(1024, image.size() - at);
        wire.push_back(static_cast<std::uint8_t>(n & 0xFF));
        wire.push_back(static_cast<std::uint8_t>(n >> 8));
        unsigned sum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            wire.push_back(image[at + i]);
            sum += image[at + i];
        }
        wire.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    }
    wire.push_back(0);
    wire.push_back(0);
    return wire;
}

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { SetMainThread(); }

    // Starts the boot code with the given behaviour.
    void StartBootCode(TBootCodeConfig config = {}) {
        bootCode.emplace(config);
        std::string error;
        ASSERT_TRUE(bootCode->Start(error)) << error;
    }

    std::string WriteLoader(const Bytes& image) {
        return dir.Write("orbaflwr.com", std::string(image.begin(), image.end()));
    }

    // Runs the thread to its end while serving its reports, as the operation runner does, but
    // bounded: a thread still running after the limit is asked to stop and the test fails.
    // With stopAfter, the test itself asks the thread to stop at that time.
    std::vector<TReport> Run(TThSendLoader& loader,
                             std::optional<std::chrono::milliseconds> stopAfter = std::nullopt) {
        const auto limit = 20s;
        std::vector<TReport> reports;
        loader.OnStatus = [&](TThread* sender, std::uint8_t state, int percent, std::uint8_t code) {
            EXPECT_EQ(sender, &loader);
            EXPECT_TRUE(IsMainThread());
            reports.push_back({state, percent, code});
        };
        loader.Start();
        const auto begin = Clock::now();
        const auto end = begin + limit;
        while (!loader.Finished()) {
            CheckSynchronize();
            if (stopAfter && Clock::now() > begin + *stopAfter) loader.Terminate();
            if (Clock::now() > end && !loader.Terminated()) {
                ADD_FAILURE() << "the loader thread did not end in time";
                loader.Terminate();
            }
            WaitForQueueActivity(20);
        }
        CheckSynchronize();
        loader.WaitFor();
        return reports;
    }

    // The bytes the boot code received, checked to be wake-up strings up to "F"; returns the rest.
    Bytes AfterHandshake() {
        Bytes received = bootCode->Received();
        const std::string wakeUp = "DORBA";
        std::size_t at = 0;
        while (at + wakeUp.size() <= received.size() &&
               std::equal(wakeUp.begin(), wakeUp.end(), received.begin() + static_cast<long>(at)))
            at += wakeUp.size();
        EXPECT_GE(at, wakeUp.size()) << "no wake-up string";
        EXPECT_LT(at, received.size());
        if (at >= received.size()) return {};
        EXPECT_EQ(received[at], 'F') << "the handshake ends with \"F\" after whole wake-up strings";
        return Bytes(received.begin() + static_cast<long>(at) + 1, received.end());
    }

    TempDir dir;
    TDmod dmod;
    std::optional<TBootCodeSim> bootCode;
};

}  // namespace

TEST_F(LoaderTest, UploadOf2500BytesIsTheWireExampleByteForByte) {
    StartBootCode();
    const Bytes image = LoaderImage(2500);
    TThSendLoader loader(dmod.rs232c1);
    loader.LoaderFile = WriteLoader(image);
    loader.SerialPortName = bootCode->SlavePath();
    auto reports = Run(loader);

    EXPECT_EQ(reports,
              (std::vector<TReport>{
                  {0, 0, 0}, {11, 0, 0}, {11, 40, 0}, {11, 81, 0}, {11, 100, 0}, {7, 0, 0}}));
    // Sent: 0x00 0x04, 1024 bytes, checksum, 0x00 0x04, 1024 bytes, checksum, 0xC4 0x01,
    // 452 bytes, checksum, 0x00 0x00.
    Bytes wire = AfterHandshake();
    EXPECT_EQ(wire, UploadWire(image));
    ASSERT_GE(wire.size(), 2u * 1027 + 2);
    EXPECT_EQ(wire[2 * 1027], 0xC4);
    EXPECT_EQ(wire[2 * 1027 + 1], 0x01);
    // Received: the answer, then one acknowledgement before the blocks, after each length and
    // after each block (1 + 2 x 3), and one after the end marker.
    EXPECT_EQ(bootCode->Sent(), ToBytes(std::string(1 + 1 + 6 + 1, '$')));
    EXPECT_EQ(bootCode->ReceivedLoader(), image);
    EXPECT_TRUE(bootCode->LoaderComplete());
    EXPECT_FALSE(dmod.rs232c1.IsOpen());
}

// For a loader of k x 1024 bytes, the acknowledgement that follows the last full block is the
// one that separates it from the end marker, as after a shorter last block: the boot code
// acknowledges each block once and then waits for the next length. Waiting for a second one
// there would stall every such upload until the time-out.
TEST_F(LoaderTest, ExactMultiplesOf1024GetOneAcknowledgementBeforeTheEndMarker) {
    for (std::size_t size : {std::size_t{2048}, std::size_t{1024}, std::size_t{0}}) {
        SCOPED_TRACE(size);
        StartBootCode();
        const Bytes image = LoaderImage(size);
        TThSendLoader loader(dmod.rs232c1);
        loader.LoaderFile = WriteLoader(image);
        loader.SerialPortName = bootCode->SlavePath();
        loader.TransferTimeout = 2000;  // a stall fails fast instead of after two minutes
        auto reports = Run(loader);

        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back(), (TReport{7, 0, 0}));
        EXPECT_EQ(AfterHandshake(), UploadWire(image));
        const std::size_t blocks = size / 1024;
        EXPECT_EQ(bootCode->Sent(), ToBytes(std::string(1 + 1 + 2 * blocks + 1, '$')));
        EXPECT_EQ(bootCode->ReceivedLoader(), image);
        if (blocks != 0) {
            EXPECT_EQ(reports[reports.size() - 2], (TReport{11, 100, 0}));
        }
    }
}

TEST_F(LoaderTest, StartUpNoiseBeforeTheAnswerIsDropped) {
    TBootCodeConfig config;
    config.Noise = BootCodeNoise;
    StartBootCode(config);
    const Bytes image = LoaderImage(1500);
    TThSendLoader loader(dmod.rs232c1);
    loader.LoaderFile = WriteLoader(image);
    loader.SerialPortName = bootCode->SlavePath();
    auto reports = Run(loader);

    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), (TReport{7, 0, 0}));
    EXPECT_EQ(AfterHandshake(), UploadWire(image));
    EXPECT_EQ(bootCode->ReceivedLoader(), image);
    // One noise byte is dropped per pass, each pass sending the wake-up string again.
    Bytes received = bootCode->Received();
    std::size_t wakeUps = (received.size() - UploadWire(image).size() - 1) / 5;
    EXPECT_GT(wakeUps, std::string(BootCodeNoise).size());
}

TEST_F(LoaderTest, AnyOtherAcknowledgementByteCountsAsAccepted) {
    TBootCodeConfig config;
    config.AckByte = 'K';
    StartBootCode(config);
    const Bytes image = LoaderImage(1100);
    TThSendLoader loader(dmod.rs232c1);
    loader.LoaderFile = WriteLoader(image);
    loader.SerialPortName = bootCode->SlavePath();
    auto reports = Run(loader);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), (TReport{7, 0, 0}));
    EXPECT_EQ(bootCode->ReceivedLoader(), image);
}

TEST_F(LoaderTest, RefusalsEndTheUploadWithTheirCodes) {
    const std::pair<TBootFault, int> refusals[] = {
        {TBootFault::Bang, 4}, {TBootFault::Hash, 2}, {TBootFault::Percent, 3}};
    for (const auto& [fault, code] : refusals) {
        SCOPED_TRACE(code);
        TBootCodeConfig config;
        config.Fault = fault;
        config.FaultAck = 2;  // in place of the acknowledgement of the first block
        StartBootCode(config);
        TThSendLoader loader(dmod.rs232c1);
        loader.LoaderFile = WriteLoader(LoaderImage(2500));
        loader.SerialPortName = bootCode->SlavePath();
        auto reports = Run(loader);
        EXPECT_EQ(reports,
                  (std::vector<TReport>{{0, 0, 0}, {11, 0, 0}, {11, 40, 0}, {8, 40, code}}));
        // Nothing more is sent after the refusal.
        const Bytes wire = UploadWire(LoaderImage(2500));
        EXPECT_EQ(AfterHandshake(), Bytes(wire.begin(), wire.begin() + 1027));
        EXPECT_FALSE(dmod.rs232c1.IsOpen());
    }
}

TEST_F(LoaderTest, MissingAcknowledgementIsATimeout) {
    TBootCodeConfig config;
    config.Fault = TBootFault::Silence;
    config.FaultAck = 3;  // silent from the acknowledgement of the second length on
    StartBootCode(config);
    TThSendLoader loader(dmod.rs232c1);
    loader.LoaderFile = WriteLoader(LoaderImage(2500));
    loader.SerialPortName = bootCode->SlavePath();
    loader.TransferTimeout = 300;
    const auto start = Clock::now();
    auto reports = Run(loader);
    EXPECT_EQ(reports, (std::vector<TReport>{{0, 0, 0}, {11, 0, 0}, {11, 40, 0}, {8, 40, 1}}));
    EXPECT_LT(Clock::now() - start, 10s);
    // The port is closed again: another user can open it at once.
    Trs232c next;
    next.portname = bootCode->SlavePath();
    EXPECT_TRUE(next.Open());
}

TEST_F(LoaderTest, TerminationDuringTheHandshakeIsCode5AndClosesThePort) {
    TBootCodeConfig config;
    config.Fault = TBootFault::Silence;
    config.FaultAck = -1;  // the access point stays off: no answer ever
    StartBootCode(config);
    TThSendLoader loader(dmod.rs232c1);
    loader.LoaderFile = WriteLoader(LoaderImage(100));
    loader.SerialPortName = bootCode->SlavePath();
    const auto start = Clock::now();
    auto reports = Run(loader, 1500ms);
    EXPECT_LT(Clock::now() - start, 2500ms);  // the stop request ends the wait promptly
    EXPECT_EQ(reports, (std::vector<TReport>{{0, 0, 0}, {8, 0, 5}}));
    EXPECT_FALSE(dmod.rs232c1.IsOpen());
    Bytes received = bootCode->Received();
    EXPECT_GE(received.size(), 5u * 10);  // the wake-up string kept going out every 10 ms
}

TEST_F(LoaderTest, MissingLoaderFileIsCode17WithoutTouchingThePort) {
    StartBootCode();
    TThSendLoader loader(dmod.rs232c1);
    // A fresh loader waits twenty minutes for the boot code and two minutes for each answer.
    EXPECT_EQ(loader.HandshakeTimeout, 1200000u);
    EXPECT_EQ(loader.TransferTimeout, 120000u);
    loader.LoaderFile = dir.Path("ror8019.com");
    loader.SerialPortName = bootCode->SlavePath();
    const auto start = Clock::now();
    auto reports = Run(loader);
    EXPECT_EQ(reports, (std::vector<TReport>{{8, 0, 17}}));
    EXPECT_LT(Clock::now() - start, 400ms);  // not even the start pause
    EXPECT_TRUE(bootCode->Received().empty());
}

TEST_F(LoaderTest, PortThatCannotBeOpenedIsCode7) {
    TThSendLoader loader(dmod.rs232c1);
    loader.LoaderFile = WriteLoader(LoaderImage(10));
    loader.SerialPortName = dir.Path("no-such-port");
    EXPECT_EQ(Run(loader), (std::vector<TReport>{{8, 0, 7}}));

    // A port held by someone else cannot be opened either.
    StartBootCode();
    Trs232c holder;
    holder.portname = bootCode->SlavePath();
    ASSERT_TRUE(holder.Open());
    TThSendLoader second(dmod.rs232c1);
    second.LoaderFile = loader.LoaderFile;
    second.SerialPortName = bootCode->SlavePath();
    EXPECT_EQ(Run(second), (std::vector<TReport>{{8, 0, 7}}));
}

TEST_F(LoaderTest, PortNameReachesThePseudoTerminalThroughTheComMapping) {
    StartBootCode();
    const char* old = std::getenv("TIVRA_COM4");
    std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("TIVRA_COM4", bootCode->SlavePath().c_str(), 1);
    const Bytes image = LoaderImage(700);
    TThSendLoader loader(dmod.rs232c1);
    loader.LoaderFile = WriteLoader(image);
    loader.SerialPortName = "COM4";
    auto reports = Run(loader);
    if (saved)
        setenv("TIVRA_COM4", saved->c_str(), 1);
    else
        unsetenv("TIVRA_COM4");
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), (TReport{7, 0, 0}));
    EXPECT_EQ(bootCode->ReceivedLoader(), image);
    EXPECT_EQ(dmod.rs232c1.portname, "COM4");
}
