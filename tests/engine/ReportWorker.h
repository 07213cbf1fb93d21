// A worker thread for the report handler tests: it hands each of its reports to the main
// thread with Synchronize, exactly as the loader and transfer threads do, and the test serves
// them from WaitForWorkerServingQueue.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "MainThread.h"
#include "Thread.h"
#include "Watchdog.h"

class TReportWorker : public TThread {
public:
    using TReport = std::function<void(TThread* sender)>;

    explicit TReportWorker(std::vector<TReport> reports) : reports_(std::move(reports)) {}
    ~TReportWorker() override { WaitFor(); }

protected:
    void Execute() override {
        for (const TReport& report : reports_) Synchronize([&] { report(this); });
    }

private:
    std::vector<TReport> reports_;
};

// Runs the reports on a worker and serves them on this thread until the worker has ended.
inline void DeliverFromWorker(std::vector<TReportWorker::TReport> reports) {
    TWatchdog watchdog("report worker");
    TReportWorker worker(std::move(reports));
    worker.Start();
    WaitForWorkerServingQueue(worker);
    EXPECT_TRUE(worker.Finished());
    EXPECT_FALSE(worker.FatalException());
}
