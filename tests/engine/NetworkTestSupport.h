// Shared ground of the network operation tests: the data module with a short pause after the
// HTTP request, a simulated access point on the test's own loopback address, a bounded run
// time, recording status controls, and a plain peer on port 8765 for behaviours the simulator
// does not play (a reader that stalls, a connection reset).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ApSimForTest.h"
#include "ApSimStreamSide.h"
#include "ApSimulator.h"
#include "EngineFixture.h"
#include "HttpGet.h"
#include "Sha256.h"
#include "StreamPeer.h"
#include "TempDir.h"
#include "Watchdog.h"

// Bytes whose every 1024-byte block differs from its neighbours, so a lost, doubled or
// shifted chunk changes the digest.
inline std::string NetworkPattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 10) * 31);
    return bytes;
}

// A gauge that keeps every value it was set to.
class TRecordingGauge : public TPlainGauge {
public:
    void SetProgress(int percent) override {
        values.push_back(percent);
        TPlainGauge::SetProgress(percent);
    }
    std::vector<int> values;
};

class TNetworkTest : public TEngineTest {
protected:
    // Long enough for the HTTP request to reach the simulator on a loaded two-core machine.
    static constexpr int kTestPauseMs = 1000;

    void SetUp() override {
        TEngineTest::SetUp();
        // Requests go straight to the loopback address, whatever proxy the environment names.
        setenv("NO_PROXY", "*", 1);
        setenv("no_proxy", "*", 1);
        module.KickPauseMs = kTestPauseMs;
        descriptorsBefore_ = OpenDescriptors();
    }

    void TearDown() override {
        // No HTTP worker may outlive the test: it would wait for a main thread that moved on.
        EXPECT_TRUE(WaitForHTTPGetThreads(10000));
        if (simulator_) simulator_->Stop();
        // Whatever the test played, no connection or file is left open.
        EXPECT_EQ(OpenDescriptors(), descriptorsBefore_);
        TEngineTest::TearDown();
    }

    static int OpenDescriptors() {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            (void)entry;
            ++count;
        }
        return count;
    }

    // Starts a simulated access point on address with the login root:pw.
    TApSimulator& StartSimulator(const std::string& address,
                                 const std::function<void(TApSimOptions&)>& adjust = nullptr) {
        if (simulator_) simulator_->Stop();
        simulator_ = StartedApSim(address, adjust);
        return *simulator_;
    }

    int Upload(const std::string& address, const std::string& fileName, bool keep = true,
               const std::string& user = "root", const std::string& password = "pw") {
        int result = module.UploadFirmwareByNetwork(address, fileName, user, password, keep,
                                                    totalSize, proceedSize, progress, statusLabel);
        EXPECT_FALSE(module.ClientSocket.Active()) << "the connection was left open";
        return result;
    }

    int Download(const std::string& address, const std::string& fileName) {
        int result = module.DownloadFirmwareByNetwork(address, fileName, "root", "pw", totalSize,
                                                      proceedSize, progress, statusLabel);
        EXPECT_FALSE(module.ClientSocket.Active()) << "the connection was left open";
        return result;
    }

    int SendFile(const std::string& address, const std::string& fileName) {
        int result = module.SendFileBySocket(address, fileName, totalSize, proceedSize, progress,
                                             statusLabel);
        EXPECT_FALSE(module.ClientSocket.Active()) << "the connection was left open";
        return result;
    }

    // The streams on port 8765 once count of them are recorded.
    std::vector<TApSimStream> Streams(std::size_t count = 1) {
        EXPECT_TRUE(simulator_->Report().WaitForStreams(count, 10000));
        return simulator_->Report().Streams();
    }
    std::vector<TApSimRequest> Requests(std::size_t count = 1) {
        EXPECT_TRUE(simulator_->Report().WaitForRequests(count, 10000));
        return simulator_->Report().Requests();
    }

    // Serves the main-thread queue until the HTTP request's completion has been handled, so
    // that the component takes the next request.
    void FinishHttpRequest() {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
        while (module.KickFirmUpload.Busy() && Clock::now() < deadline) {
            CheckSynchronize();
            WaitForQueueActivity(20);
        }
        EXPECT_FALSE(module.KickFirmUpload.Busy());
    }

    // The names in the test's folder: a failed download leaves no temporary file behind.
    std::vector<std::string> FolderContents() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path(""))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    }

    TWatchdog watchdog_{"network operation test", std::chrono::seconds(60)};
    TempDir dir;
    TRecordingGauge progress;
    std::unique_ptr<TApSimulator> simulator_;
    int descriptorsBefore_ = 0;
};
