// The request worker: its body (the steps of one request on the worker thread), the progress
// hand-over, and its completion on the main thread.
#include "HttpGetThread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "HttpTransfer.h"
#include "HttpUrl.h"
#include "MainThread.h"

namespace {

std::atomic<int> activeWorkers{0};

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

// The reply as the worker takes it in: the head's rules, then the body block by block into the
// reply text or the target file.
class THTTPGetThread::TBody : public THTTPTransferClient {
public:
    explicit TBody(THTTPGetThread& worker)
        : worker_(worker),
          blocks_(worker.request_.FileMode ? HTTPFileReplyLimit : HTTPTextReplyLimit) {}

    bool StopRequested() override { return worker_.Terminated(); }

    void Connected() override { worker_.link_->Reach = THTTPReach::Connected; }
    void NotConnected(const std::string& reason) override {
        worker_.link_->Failure = reason;
        worker_.link_->Reach = THTTPReach::NotConnected;
    }

    bool HeadReceived(const THTTPReplyHead& head) override {
        if (worker_.Terminated()) return false;
        if (head.LengthState() == TContentLength::Missing && worker_.request_.BinaryData) {
            return false;
        }
        // A size that is not a decimal number ends the request as a failure.
        if (head.LengthState() == TContentLength::Invalid) return false;
        worker_.announced_ = head.AnnouncedSize();
        worker_.total_ = 0;
        if (worker_.request_.FileMode) {
            file_.reset(std::fopen(worker_.request_.FileName.c_str(), "wb"));
            if (!file_) return false;
        } else {
            worker_.text_.clear();
        }
        headAccepted_ = true;
        return true;
    }

    bool BodyReceived(const char* data, std::size_t size) override {
        return blocks_.Append(data, size, [this](const char* block, std::size_t length) {
            return TakeBlock(block, length);
        });
    }

    // Takes the last short block and closes the file; true when the whole body was kept.
    bool Finish() {
        if (!headAccepted_) return false;
        bool kept = blocks_.Finish(
            [this](const char* block, std::size_t length) { return TakeBlock(block, length); });
        if (file_ && std::fclose(file_.release()) != 0) kept = false;
        return kept;
    }

private:
    bool TakeBlock(const char* data, std::size_t size) {
        if (worker_.Terminated()) return false;
        if (file_) {
            if (std::fwrite(data, 1, size, file_.get()) != size) return false;
        } else {
            worker_.text_.append(data, size);
        }
        worker_.lastBlock_ = static_cast<std::int32_t>(size);
        worker_.total_ += static_cast<std::int32_t>(size);
        worker_.ReportProgress();
        return true;
    }

    THTTPGetThread& worker_;
    THTTPBodyBlocks blocks_;
    std::unique_ptr<std::FILE, TFileCloser> file_;
    bool headAccepted_ = false;
};

THTTPGetThread* THTTPGetThread::Run(const THTTPRequest& request, TOnProgressEvent onProgress,
                                    std::shared_ptr<THTTPGetLink> link, TCompletion onDone) {
    auto* worker =
        new THTTPGetThread(request, std::move(onProgress), std::move(link), std::move(onDone));
    worker->FreeOnTerminate = true;
    try {
        worker->Start();
    } catch (...) {
        // No body runs, so nothing would ever free the worker or end its count.
        delete worker;
        throw;
    }
    return worker;
}

THTTPGetThread::THTTPGetThread(const THTTPRequest& request, TOnProgressEvent onProgress,
                               std::shared_ptr<THTTPGetLink> link, TCompletion onDone)
    : request_(request),
      onProgress_(std::move(onProgress)),
      link_(std::move(link)),
      onDone_(std::move(onDone)) {
    ++activeWorkers;
}

THTTPGetThread::~THTTPGetThread() { --activeWorkers; }

int THTTPGetThread::ActiveCount() { return activeWorkers; }

void THTTPGetThread::Cancel() {
    Terminate();
    success_ = false;
}

bool THTTPGetThread::Success() const { return success_ && !Terminated(); }

void THTTPGetThread::Execute() {
    try {
        RunBody();
    } catch (...) {
        success_ = false;
    }
    // A component that is gone gets no completion, and nobody needs the main thread's turn.
    if (!link_->Attached) return;
    try {
        Synchronize([this] {
            if (link_->Attached && onDone_) onDone_(this);
        });
    } catch (...) {
        // An exception of an event handler ends with the handler; the worker still ends.
    }
}

void THTTPGetThread::RunBody() {
    THTTPAddress address = SplitHTTPURL(request_.URL);
    if (Terminated()) return;
    TBody body(*this);
    TTransferResult result = THTTPTransfer::Perform(request_, address.Host, address.Path, body);
    bool kept = result == TTransferResult::Complete && body.Finish();
    bool sizeRule = request_.FileMode ? total_ == announced_ : total_ != 0;
    success_ = kept && sizeRule && !Terminated();
}

void THTTPGetThread::ReportProgress() {
    if (!onProgress_ || !link_->Attached) return;
    Synchronize([this] {
        if (link_->Attached) onProgress_(this, announced_, total_);
    });
}

bool WaitForHTTPGetThreads(int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        CheckSynchronize();
        // A worker that has freed itself may still be clearing its thread-local state (the
        // TLS library's per-thread random generator); joined, it is truly gone.
        if (THTTPGetThread::ActiveCount() == 0 && TThread::JoinFreedThreads()) return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        // Wakes at once when a worker queues a call; a worker that simply ends is seen within
        // one short interval.
        WaitForQueueActivity(static_cast<int>(std::min<long long>(left.count(), 20)));
    }
}
