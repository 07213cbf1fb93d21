// THTTPTransfer: carries out one HTTP exchange through libcurl for the request worker. It puts
// the request on the wire as the Windows version of the program did (HTTP/1.0, always port 80, the
// accepted types, the form content type of a post, cache bypass, referer, agent), with Basic
// credentials at once, and hands the reply to its client: the head once it is complete, then the
// body bytes as they arrive. The client can stop the exchange at every step.
#pragma once

#include <string>

#include "HttpReply.h"
#include "HttpRequest.h"

class THTTPTransferClient {
public:
    virtual ~THTTPTransferClient() = default;
    // Asked often while the exchange runs (also while connecting); true stops it.
    virtual bool StopRequested() = 0;
    // The reply head is complete (called once, before any body byte). False stops.
    virtual bool HeadReceived(const THTTPReplyHead& head) = 0;
    // Body bytes as they arrive. False stops.
    virtual bool BodyReceived(const char* data, std::size_t size) = 0;
    // The connection to the host is made; the request goes out next.
    virtual void Connected() {}
    // The request never reached the host (no such host, no route, refused, time-out), with the
    // system's reason.
    virtual void NotConnected(const std::string& /*reason*/) {}
};

// How an exchange ended.
enum class TTransferResult {
    Complete,  // the whole reply arrived
    BadHost,   // the host text is not a host name: nothing was sent
    Stopped,   // the client stopped it
    Failed,    // connection, send or receive failure, or a reply cut short
};

class THTTPTransfer {
public:
    // A stalled exchange gives up after these times (the platform's time-outs).
    static constexpr long ConnectTimeoutSeconds = 60;
    static constexpr long StallTimeoutSeconds = 60;

    // Runs the exchange with host and object path (from SplitHTTPURL) on the calling thread.
    static TTransferResult Perform(const THTTPRequest& request, const std::string& host,
                                   const std::string& path, THTTPTransferClient& client);
};
