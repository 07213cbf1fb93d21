// TApSimReport: everything the simulated access point received and sent, for the tests and for
// the person running a demonstration: each HTTP request (method, target, version, headers
// sorted by name as the server keeps them, body, the status it got) and each stream on
// port 8765 (direction, bytes, size, SHA-256, whether it ended normally, the file it was kept
// in). Shared by the sides' threads; readers get copies. Written as JSON.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct TApSimRequest {
    std::string Method;
    std::string Target;  // as on the request line
    std::string Path;    // decoded path
    std::string Version;
    std::vector<std::pair<std::string, std::string>> Headers;
    std::string Body;
    int Status = 0;
    bool Authorized = false;

    // The first value of the header (name compared without letter case), or empty text.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

struct TApSimStream {
    std::string Direction;  // "received" or "sent"
    std::string Data;
    bool Complete = false;  // ended by the sender's close (received) or fully sent (sent)
    // How the client ended a received stream: "close" (an orderly end) or "reset"; empty when
    // the simulator ended it itself (a fault, its own stop) or for a sent stream.
    std::string End;
    std::string Kind;  // "image" or "filter list"
    std::string File;  // where the bytes were kept, when a folder was given
};

class TApSimReport {
public:
    void AddRequest(const TApSimRequest& request);
    void AddStream(const TApSimStream& stream);
    // Another side's part of the report: a name and a function giving its JSON value (called
    // without the report's lock, so it may read the report itself).
    void AddSection(const std::string& name, std::function<std::string()> json);

    std::vector<TApSimRequest> Requests() const;
    std::vector<TApSimStream> Streams() const;

    // Waits until at least count requests (streams) are recorded; false when the time passed.
    bool WaitForRequests(std::size_t count, int milliseconds) const;
    bool WaitForStreams(std::size_t count, int milliseconds) const;

    std::string ToJson(const std::string& address) const;
    // Writes the JSON to path (replacing it through a temporary file); false with an error.
    bool WriteFile(const std::string& path, const std::string& address, std::string& error) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<TApSimRequest> requests_;
    std::vector<TApSimStream> streams_;
    std::vector<std::pair<std::string, std::function<std::string()>>> sections_;
};
