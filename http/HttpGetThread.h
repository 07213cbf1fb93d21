// THTTPGetThread: the worker of the HTTP request component. It is created already running with
// its own copy of the request parameters, carries out the request on its thread, hands each
// received block's progress to the main thread (and waits for the handler), and finally has the
// main thread run its completion. It frees itself when it has finished.
//
// The worker never outlives its link to the component in a harmful way: once the component has
// let go of the link (it is being destroyed), no progress handler and no completion runs any
// more, and the worker no longer waits for the main thread at its end.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "HttpReply.h"
#include "HttpRequest.h"
#include "Thread.h"

class THTTPGetThread;

// (Sender = the worker, TotalSize = the announced size, Readed = bytes received so far)
using TOnProgressEvent =
    std::function<void(THTTPGetThread* sender, std::int32_t totalSize, std::int32_t readed)>;

// How far the running request got towards its host.
enum class THTTPReach {
    Pending,       // still connecting (or not started)
    Connected,     // the connection was made and the request went out
    NotConnected,  // the request never reached the host; the link's Failure says why
};

// Tie between a component and its workers. Cleared (on the main thread) when the component
// goes; every handler call checks it on the main thread right before it runs. The worker also
// tells through it, as it happens, whether its request reached the host: the component reads
// that at any moment, without waiting for the completion.
struct THTTPGetLink {
    std::atomic<bool> Attached{true};
    std::atomic<THTTPReach> Reach{THTTPReach::Pending};
    // Written by the worker once, before Reach becomes NotConnected.
    std::string Failure;
};

class THTTPGetThread : public TThread {
public:
    using TCompletion = std::function<void(THTTPGetThread* worker)>;

    // Creates a worker and starts it. The worker deletes itself after its completion has run
    // (or, when the link was cleared, after its body). onDone runs on the main thread. When
    // the thread cannot be started the system's error is raised and nothing is left behind.
    static THTTPGetThread* Run(const THTTPRequest& request, TOnProgressEvent onProgress,
                               std::shared_ptr<THTTPGetLink> link, TCompletion onDone);

    // Asks the worker to stop and marks the request failed (any thread).
    void Cancel();

    // Results, to be read by the completion.
    bool Success() const;
    bool FileMode() const { return request_.FileMode; }
    const std::string& FileName() const { return request_.FileName; }
    const std::string& ReplyText() const { return text_; }
    std::int32_t AnnouncedSize() const { return announced_; }
    std::int32_t LastBlockSize() const { return lastBlock_; }
    std::int32_t Total() const { return total_; }

    // Workers that have not yet freed themselves (all components together).
    static int ActiveCount();

protected:
    void Execute() override;

private:
    class TBody;

    THTTPGetThread(const THTTPRequest& request, TOnProgressEvent onProgress,
                   std::shared_ptr<THTTPGetLink> link, TCompletion onDone);
    ~THTTPGetThread() override;

    void RunBody();
    void ReportProgress();

    const THTTPRequest request_;
    const TOnProgressEvent onProgress_;
    const std::shared_ptr<THTTPGetLink> link_;
    const TCompletion onDone_;

    std::atomic<bool> success_{false};
    std::string text_;
    std::int32_t announced_ = 0;
    std::int32_t lastBlock_ = 0;
    std::int32_t total_ = 0;
};

// Serves the main-thread queue until every worker has freed itself and its thread has ended,
// or the time has passed; true when none is left. For the end of the program (and of tests),
// so that no worker is left waiting for a main thread that no longer serves it, and none is
// still tearing down when the process exits. Main thread only.
bool WaitForHTTPGetThreads(int milliseconds);
