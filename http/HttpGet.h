// THTTPGet: the HTTP request component. It performs one HTTP GET or POST at a time on a worker
// (THTTPGetThread) and reports the outcome through events on the thread that owns it (the main
// thread, or the thread of one access point in tivra-cli's runs over several). The operations
// engine posts the firmware update request with it, and the main window fetches the access
// point's MAC address filter list.
//
// On the wire: HTTP/1.0 to port 80 of the host named in URL (a ":port" suffix stays part of the
// host name, which is then no host name: nothing is sent and the request fails);
// "Accept: " and AcceptTypes;
// a POST (when PostQuery is not empty) carries "Content-Type: application/x-www-form-urlencoded"
// and PostQuery as its body; without UseCache the request bypasses caches ("Pragma: no-cache",
// "Cache-Control: no-cache"); Referer and Agent when not empty. The HTTP status is never
// examined: in text mode any reply with a non-empty body succeeds.
//
// Authentication: when UserName is not empty, Basic credentials (UserName and Password) go out
// with the first request, not only after the server's 401 challenge as the Windows version of the
// program did. One request per action keeps the exchanges simple and predictable: the firmware
// update post that arms the access point's receiver is sent once, with its body once, and needs no
// second round trip inside the fixed pause before the image is streamed; and the access point
// is reached whether or not its refusal carries a challenge header. The credentials travel in
// clear text either way.
//
// The reply body arrives in blocks of at most 1025 bytes (each block full but the last), one
// OnProgress per block, run on the owning thread while the worker waits. A text reply larger than
// 16 MiB fails. A reply cut short of its announced size fails, and so does one whose
// Content-Length is not a decimal number. Without BinaryData a missing Content-Length is fine.
//
// The component lives on one thread: the one whose queue serves its worker (platform's
// MainThread: the main thread, or a thread with a queue of its own). Destroying it cancels a
// running request; no event reaches it afterwards, and destruction never waits for the worker. A
// worker that was waiting for that queue at that moment ends once the queue is served again or
// has gone; at the end of the program WaitForHTTPGetThreads lets such workers finish.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "HttpGetThread.h"

class THTTPGet;

// (Sender = the component, FileName = the target file, FileSize = the announced size)
using TOnDoneFileEvent =
    std::function<void(THTTPGet* sender, const std::string& fileName, std::int32_t fileSize)>;
// (Sender = the component, Result = the reply text)
using TOnDoneStringEvent = std::function<void(THTTPGet* sender, const std::string& result)>;
using THTTPNotifyEvent = std::function<void(THTTPGet* sender)>;

class THTTPGet {
public:
    THTTPGet();
    ~THTTPGet();
    THTTPGet(const THTTPGet&) = delete;
    THTTPGet& operator=(const THTTPGet&) = delete;

    std::string AcceptTypes = "*/*";
    std::string Agent = "Quarnel HTTPGet";
    // When set, a reply without a Content-Length header counts as failed.
    bool BinaryData = false;
    // "http://" host "/" path
    std::string URL;
    // When clear, the request bypasses caches and reloads.
    bool UseCache = false;
    // Target file of the file mode (not used by StartRequest, which reads text).
    std::string FileName;
    std::string UserName;
    std::string Password;
    // Form data: a POST carrying it when not empty, else a GET.
    std::string PostQuery;
    std::string Referer;
    // When set, StartRequest dispatches the caller's pending messages before returning.
    bool WaitThread = false;

    TOnProgressEvent OnProgress;
    TOnDoneFileEvent OnDoneFile;
    TOnDoneStringEvent OnDoneString;
    THTTPNotifyEvent OnError;

    // Starts a request with the current properties, in text mode; ignored while one runs.
    // When no worker thread can be started the system's error is raised and the component
    // stays idle.
    void StartRequest();
    // Starts a request like StartRequest, but a request still running is cancelled and
    // abandoned (none of its events arrives any more) instead of blocking the new one.
    void ReplaceRequest();
    // Asks a running request to stop; its completion then reports failure through OnError.
    void CancelRequest();

    // True while a worker runs (from StartRequest until its completion has been handled).
    bool Busy() const { return worker_ != nullptr; }
    // Whether the last request started reached its host, as far as is known now (also before
    // its completion has been handled), and, when it never did, the system's reason.
    THTTPReach Reach() const { return link_->Reach; }
    std::string ReachFailure() const;
    // The outcome of the last completed request.
    bool LastSucceeded() const { return succeeded_; }

private:
    void RequestDone(THTTPGetThread* worker);

    std::shared_ptr<THTTPGetLink> link_;
    THTTPGetThread* worker_ = nullptr;
    bool succeeded_ = false;
};
