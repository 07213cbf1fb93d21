// The HTTP request component: starting, cancelling, and the completion on the main thread.
#include "HttpGet.h"

#include "MainThread.h"

THTTPGet::THTTPGet() : link_(std::make_shared<THTTPGetLink>()) {}

THTTPGet::~THTTPGet() {
    CancelRequest();
    // From here on the worker runs no handler and no longer waits for the main thread.
    link_->Attached = false;
}

void THTTPGet::StartRequest() {
    if (worker_) return;
    // No worker uses the link now: the new request's reach starts unknown.
    link_->Failure.clear();
    link_->Reach = THTTPReach::Pending;
    THTTPRequest request;
    request.AcceptTypes = AcceptTypes;
    request.Agent = Agent;
    request.URL = URL;
    request.FileName = FileName;
    request.UserName = UserName;
    request.Password = Password;
    request.PostQuery = PostQuery;
    request.Referer = Referer;
    request.BinaryData = BinaryData;
    request.UseCache = UseCache;
    request.FileMode = false;
    worker_ = THTTPGetThread::Run(request, OnProgress, link_,
                                  [this](THTTPGetThread* worker) { RequestDone(worker); });
    if (WaitThread) ProcessMessages();
}

std::string THTTPGet::ReachFailure() const {
    // The worker writes the reason before it publishes NotConnected, and never again.
    return link_->Reach == THTTPReach::NotConnected ? link_->Failure : std::string();
}

void THTTPGet::ReplaceRequest() {
    if (worker_) {
        worker_->Cancel();
        // The old worker keeps its link, now cut: it runs no handler and waits for nobody. The
        // next worker gets a link of its own.
        link_->Attached = false;
        link_ = std::make_shared<THTTPGetLink>();
        worker_ = nullptr;
    }
    StartRequest();
}

void THTTPGet::CancelRequest() {
    // The worker cannot free itself before its completion has run here on the main thread.
    if (worker_) worker_->Cancel();
}

void THTTPGet::RequestDone(THTTPGetThread* worker) {
    // A handler may destroy the component; the link tells, and nothing of it is touched then.
    // The worker is forgotten however the handler ends: one that throws must not leave the
    // component busy for ever, pointing at a worker that frees itself.
    struct TForget {
        THTTPGet& get;
        std::shared_ptr<THTTPGetLink> link;
        ~TForget() {
            if (link->Attached) get.worker_ = nullptr;
        }
    } forget{*this, link_};
    succeeded_ = worker->Success();
    if (succeeded_ && worker->FileMode()) {
        TOnDoneFileEvent handler = OnDoneFile;
        if (handler) handler(this, worker->FileName(), worker->AnnouncedSize());
    } else if (succeeded_) {
        TOnDoneStringEvent handler = OnDoneString;
        if (handler) handler(this, worker->ReplyText());
    } else {
        THTTPNotifyEvent handler = OnError;
        if (handler) handler(this);
    }
}
