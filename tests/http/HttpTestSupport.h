// Shared pieces of the HTTP component tests: a simulated access point on the test's own
// loopback address, the main-thread queue served until a condition holds, and a recorder of a
// component's events.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ApSimForTest.h"
#include "ApSimulator.h"
#include "HttpGet.h"
#include "MainThread.h"

// Serves the main-thread queue until done() holds or the time has passed; returns done().
inline bool ServeUntil(const std::function<bool()>& done, int milliseconds = 10000) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!(CheckSynchronize(), done())) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        WaitForQueueActivity(static_cast<int>(std::min<long long>(left.count(), 20)));
    }
    return true;
}

// Serves the queue for a while, to give events that should not come a chance to come.
inline void ServeFor(int milliseconds) {
    ServeUntil([] { return false; }, milliseconds);
}

// Everything a component reported, in order.
struct TEventLog {
    std::vector<std::string> Texts;
    int Errors = 0;
    struct TProgress {
        THTTPGetThread* Sender;
        std::int32_t TotalSize;
        std::int32_t Readed;
    };
    std::vector<TProgress> Progress;
    std::vector<THTTPGet*> Senders;

    int Completions() const { return static_cast<int>(Texts.size()) + Errors; }

    void Attach(THTTPGet& get) {
        get.OnDoneString = [this](THTTPGet* sender, const std::string& result) {
            Senders.push_back(sender);
            Texts.push_back(result);
        };
        get.OnError = [this](THTTPGet* sender) {
            Senders.push_back(sender);
            ++Errors;
        };
        get.OnProgress = [this](THTTPGetThread* sender, std::int32_t total, std::int32_t readed) {
            Progress.push_back({sender, total, readed});
        };
    }
};

// A test against a simulated access point of its own. Requests go straight to the loopback
// address, whatever proxy the environment names.
class THttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThread();
        setenv("NO_PROXY", "*", 1);
        log_.Attach(get_);
    }

    void TearDown() override {
        // No worker may outlive the test: it would wait for a main thread that has moved on.
        EXPECT_TRUE(WaitForHTTPGetThreads(10000));
        if (simulator_) simulator_->Stop();
    }

    // Starts the simulator on address (login root:pw) and aims the component at its page.
    TApSimulator& StartSimulator(const std::string& address,
                                 const std::function<void(TApSimOptions&)>& adjust = nullptr,
                                 const std::string& page = "read_maf.cgi") {
        simulator_ = StartedApSim(address, adjust);
        AimAt(get_, address, page);
        return *simulator_;
    }

    static void AimAt(THTTPGet& get, const std::string& address, const std::string& page) {
        get.URL = "http://" + address + "/" + page;
        get.UserName = "root";
        get.Password = "pw";
    }

    // Starts a request and serves the queue until its completion has come.
    bool Request() {
        int before = log_.Completions();
        get_.StartRequest();
        return ServeUntil([&] { return log_.Completions() > before; });
    }

    std::vector<TApSimRequest> Received(std::size_t count) {
        EXPECT_TRUE(simulator_->Report().WaitForRequests(count, 5000));
        return simulator_->Report().Requests();
    }

    std::unique_ptr<TApSimulator> simulator_;
    TEventLog log_;
    THTTPGet get_;
};

// Filter lines that make a reply of a little more than size bytes.
inline std::vector<std::string> LinesOfSize(std::size_t size) {
    std::vector<std::string> lines;
    std::string memo(100, 'm');
    for (std::size_t total = 0; total < size; total += lines.back().size() + 1) {
        lines.push_back("00:A0:C9:00:00:" + std::to_string(lines.size() % 100) + " " + memo);
    }
    return lines;
}
