// The threads of a run over several access points, the watch over them, and the final table.
#include "AccessPointRun.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "AddressList.h"
#include "AppStrings.h"
#include "Cp932.h"
#include "MainThread.h"
#include "NavrilDataModule.h"
#include "RunDisplay.h"

namespace {

// The dialogs of a job: every question was settled before the run, so each gets its positive
// answer without a word; boxes become lines of the access point's view.
class TRunDialogs : public TDialogs {
public:
    explicit TRunDialogs(TProgressView& view) : view_(view) {}
    void Error(const std::string& text) override { view_.Message("error", text); }
    void Information(const std::string& text) override { view_.Message("information", text); }
    void Warning(const std::string& text) override { view_.Message("warning", text); }
    void ExclamationError(const std::string& text) override { view_.Message("exclamation", text); }
    Answer OkCancel(const std::string&) override { return Answer::Ok; }
    Answer YesNo(const std::string&) override { return Answer::Yes; }
    Answer YesNoIgnore(const std::string&) override { return Answer::Yes; }
    bool OpenFile(const FileDialogRequest&, std::string&) override { return false; }
    bool SaveFile(const FileDialogRequest&, std::string&) override { return false; }

private:
    TProgressView& view_;
};

// An eventfd the job threads signal when they end, so the watching thread sleeps in poll
// together with the cancel signal's descriptor.
class TEndSignal {
public:
    TEndSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (fd_ < 0) throw std::runtime_error("eventfd failed");
    }
    ~TEndSignal() { close(fd_); }
    TEndSignal(const TEndSignal&) = delete;
    TEndSignal& operator=(const TEndSignal&) = delete;
    void Raise() const {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = write(fd_, &one, sizeof(one));
    }
    void Drain() const {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t ignored = read(fd_, &count, sizeof(count));
    }
    int Descriptor() const { return fd_; }

private:
    int fd_;
};

// One job on its thread: the thread serves the calls of the workers it starts and checks its
// own gate, which follows the run's cancel requests.
TApOutcome RunJob(TCliContext& c, TRunDisplay& display, const TCancelBroadcast& broadcast,
                  const std::string& address, const std::string& password, const TApJob& job) {
    TOwnQueue queue;
    TCancelGate gate(broadcast);
    TThreadGate threadGate(gate);
    std::unique_ptr<TProgressView> view = display.ViewFor(address);
    TRunDialogs dialogs(*view);
    TApContext ap{c.Arguments, c.Text, *view, dialogs, gate, address, password};
    TApOutcome outcome;
    try {
        outcome = job(ap);
    } catch (const ECliCancelled&) {
        view->Result(kExitCancelled, AppText(AppStrings::Cancelled));
        outcome.Status = kExitCancelled;
    } catch (const std::exception& error) {
        view->Note(error.what());
        view->Result(kExitError, AppText(AppStrings::ErrorOccurred));
        outcome.Status = kExitError;
        outcome.Cause = error.what();
    }
    display.Ended(address);
    return outcome;
}

const char* ResultWord(const TApRow& row) {
    if (!row.Started) return "not started";
    switch (row.Outcome.Status) {
        case kExitDone:
            return "done";
        case kExitCancelled:
            return "cancelled";
        default:
            return "failed";
    }
}

std::string Padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string SecondsText(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.1f s", seconds);
    return buffer;
}

}  // namespace

TApOutcome FinishOnAccessPoint(TApContext& ap, int result, const char* doneText,
                               const std::string& cause, long long bytes) {
    TApOutcome outcome;
    outcome.Bytes = bytes;
    switch (result) {
        case orDone:
            ap.View.Result(kExitDone, AppText(doneText));
            outcome.Status = kExitDone;
            break;
        case orCancelled:
            ap.View.Result(kExitCancelled, AppText(AppStrings::Cancelled));
            outcome.Status = kExitCancelled;
            break;
        default:
            ap.View.Result(kExitError, AppText(AppStrings::ErrorOccurred), cause);
            outcome.Status = kExitError;
            outcome.Cause = cause;
    }
    return outcome;
}

std::string RunTable(const std::vector<TApRow>& rows) {
    std::string table = Padded("address", 17) + Padded("result", 13) + Padded("bytes", 14) +
                        Padded("time", 10) + "cause\n";
    for (const TApRow& row : rows) {
        std::string line = Padded(row.Address, 17) + Padded(ResultWord(row), 13);
        if (row.Started) {
            line += Padded(GroupedCount(row.Outcome.Bytes), 14) +
                    Padded(SecondsText(row.Seconds), 10) + row.Outcome.Cause;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        table += line + "\n";
    }
    return table;
}

std::string RunMembers(int status, const std::vector<TApRow>& rows) {
    std::string list;
    for (const TApRow& row : rows) {
        if (!list.empty()) list += ",";
        list += "{\"address\":" + JsonString(row.Address) +
                ",\"result\":" + JsonString(ResultWord(row));
        if (row.Started) {
            char seconds[32];
            std::snprintf(seconds, sizeof(seconds), "%.3f", row.Seconds);
            list += ",\"status\":" + std::to_string(row.Outcome.Status) +
                    ",\"bytes\":" + std::to_string(row.Outcome.Bytes) + ",\"seconds\":" + seconds;
            if (!row.Outcome.Cause.empty()) list += ",\"cause\":" + JsonString(row.Outcome.Cause);
        }
        list += "}";
    }
    return "\"status\":" + std::to_string(status) + ",\"access_points\":[" + list + "]";
}

int RunOnAccessPoints(TCliContext& c, const std::vector<std::string>& addresses,
                      const std::string& password, const TApJob& job,
                      std::vector<TApRow>* rowsOut) {
    using Clock = std::chrono::steady_clock;
    const std::size_t parallel =
        static_cast<std::size_t>(c.Arguments.Number("parallel", 1, 1, kMostParallel));
    const bool stopOnFailure = c.Arguments.Has("stop-on-failure");
    c.View.EndLine();
    TRunDisplay display(c.ViewKind, c.Text, stdout, stderr);
    TCancelBroadcast broadcast;
    TEndSignal ended;

    std::vector<TApRow> rows(addresses.size());
    std::vector<std::thread> threads(addresses.size());
    std::mutex mutex;  // guards finished and the rows' outcomes
    std::vector<std::size_t> finished;
    std::size_t next = 0, running = 0;
    bool stop = false, cancelled = false;
    for (std::size_t i = 0; i < addresses.size(); ++i) rows[i].Address = addresses[i];

    for (;;) {
        while (!stop && running < parallel && next < addresses.size()) {
            const std::size_t i = next++;
            rows[i].Started = true;
            ++running;
            threads[i] = std::thread([&, i] {
                const Clock::time_point begin = Clock::now();
                TApOutcome outcome = RunJob(c, display, broadcast, addresses[i], password, job);
                std::lock_guard<std::mutex> lock(mutex);
                rows[i].Outcome = std::move(outcome);
                rows[i].Seconds = std::chrono::duration<double>(Clock::now() - begin).count();
                finished.push_back(i);
                ended.Raise();
            });
        }
        if (running == 0) break;
        pollfd waits[2] = {{CancelWakeDescriptor(), POLLIN, 0}, {ended.Descriptor(), POLLIN, 0}};
        poll(waits, 2, -1);
        if (CancelRequested()) {
            // Every job sees the request at its gate; none is started any more.
            ClearCancelRequest();
            broadcast.Request();
            stop = cancelled = true;
        }
        ended.Drain();
        std::vector<std::size_t> done;
        {
            std::lock_guard<std::mutex> lock(mutex);
            done.swap(finished);
        }
        for (std::size_t i : done) {
            threads[i].join();
            --running;
            if (rows[i].Outcome.Status != kExitDone && stopOnFailure) stop = true;
        }
        // Calls of workers whose access point's thread has already ended.
        CheckSynchronize();
    }

    int status = kExitDone;
    for (const TApRow& row : rows) {
        if (row.Started ? row.Outcome.Status == kExitCancelled : cancelled) {
            status = kExitCancelled;
        } else if ((!row.Started || row.Outcome.Status != kExitDone) && status == kExitDone) {
            status = kExitError;
        }
    }
    if (c.ViewKind == TProgressView::Kind::Json) {
        c.View.Fact("run", RunMembers(status, rows));
    } else {
        display.Plain(stdout, RunTable(rows));
    }
    if (rowsOut) *rowsOut = std::move(rows);
    return status;
}
