// The simulator's record of what it received and sent, and its JSON form.
#include "ApSimReport.h"

#include <strings.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "ApSimJson.h"
#include "Sha256.h"

std::string TApSimRequest::Header(const std::string& name) const {
    for (const auto& header : Headers) {
        if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return header.second;
    }
    return std::string();
}

bool TApSimRequest::HasHeader(const std::string& name) const {
    for (const auto& header : Headers) {
        if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return true;
    }
    return false;
}

void TApSimReport::AddRequest(const TApSimRequest& request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }
    changed_.notify_all();
}

void TApSimReport::AddStream(const TApSimStream& stream) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        streams_.push_back(stream);
    }
    changed_.notify_all();
}

void TApSimReport::AddSection(const std::string& name, std::function<std::string()> json) {
    std::lock_guard<std::mutex> lock(mutex_);
    sections_.emplace_back(name, std::move(json));
}

std::vector<TApSimRequest> TApSimReport::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<TApSimStream> TApSimReport::Streams() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return streams_;
}

bool TApSimReport::WaitForRequests(std::size_t count, int milliseconds) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [&] { return requests_.size() >= count; });
}

bool TApSimReport::WaitForStreams(std::size_t count, int milliseconds) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [&] { return streams_.size() >= count; });
}

namespace {

std::string RequestJson(const TApSimRequest& request) {
    std::string json =
        "    {\"method\": " + JsonString(request.Method) +
        ", \"target\": " + JsonString(request.Target) + ", \"path\": " + JsonString(request.Path) +
        ", \"version\": " + JsonString(request.Version) +
        ", \"status\": " + std::to_string(request.Status) +
        ", \"authorized\": " + (request.Authorized ? "true" : "false") + ",\n     \"headers\": [";
    for (std::size_t i = 0; i < request.Headers.size(); ++i) {
        json += (i ? ", [" : "[") + JsonString(request.Headers[i].first) + ", " +
                JsonString(request.Headers[i].second) + "]";
    }
    return json + "],\n     \"body\": " + JsonString(request.Body) + "}";
}

std::string StreamJson(const TApSimStream& stream) {
    std::string json = "    {\"direction\": " + JsonString(stream.Direction) +
                       ", \"size\": " + std::to_string(stream.Data.size()) +
                       ", \"sha256\": " + JsonString(Sha256Hex(stream.Data)) +
                       ", \"complete\": " + (stream.Complete ? "true" : "false") +
                       ", \"end\": " + JsonString(stream.End) +
                       ", \"kind\": " + JsonString(stream.Kind);
    if (!stream.File.empty()) json += ", \"file\": " + JsonString(stream.File);
    return json + "}";
}

}  // namespace

std::string TApSimReport::ToJson(const std::string& address) const {
    std::vector<TApSimRequest> requests;
    std::vector<TApSimStream> streams;
    std::vector<std::pair<std::string, std::function<std::string()>>> sections;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests = requests_;
        streams = streams_;
        sections = sections_;
    }
    std::string json = "{\n  \"address\": " + JsonString(address) + ",\n  \"http\": [";
    for (std::size_t i = 0; i < requests.size(); ++i) {
        json += (i ? ",\n" : "\n") + RequestJson(requests[i]);
    }
    json += requests.empty() ? "],\n  \"streams\": [" : "\n  ],\n  \"streams\": [";
    for (std::size_t i = 0; i < streams.size(); ++i) {
        json += (i ? ",\n" : "\n") + StreamJson(streams[i]);
    }
    json += streams.empty() ? "]" : "\n  ]";
    for (const auto& section : sections) {
        json += ",\n  " + JsonString(section.first) + ": " + section.second();
    }
    return json + "\n}\n";
}

bool TApSimReport::WriteFile(const std::string& path, const std::string& address,
                             std::string& error) const {
    std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << ToJson(address);
        if (!file.flush()) {
            error = "cannot write " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path;
        return false;
    }
    return true;
}
