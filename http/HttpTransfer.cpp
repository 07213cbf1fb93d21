// One HTTP exchange through libcurl: request options, the reply callbacks, and the result.
#include "HttpTransfer.h"

#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "DiagnosticLog.h"
#include "HttpUrl.h"

#ifndef CURL_WRITEFUNC_ERROR
#define CURL_WRITEFUNC_ERROR 0
#endif

namespace {

// What the callbacks share during one exchange.
struct TExchange {
    THTTPTransferClient& client;
    THTTPReplyHead head;
    bool headDone = false;
    bool stopped = false;
    bool connected = false;

    bool FinishHead() {
        if (headDone) return true;
        headDone = true;
        return client.HeadReceived(head);
    }
};

size_t HeaderCallback(char* data, size_t size, size_t count, void* user) {
    auto* exchange = static_cast<TExchange*>(user);
    exchange->head.AddLine(data, size * count);
    if (size * count > 5 && std::memcmp(data, "HTTP/", 5) == 0)
        LogLine("http", std::string(data, size * count));  // the status line
    return size * count;
}

size_t WriteCallback(char* data, size_t size, size_t count, void* user) {
    auto* exchange = static_cast<TExchange*>(user);
    try {
        if (!exchange->client.StopRequested() && exchange->FinishHead() &&
            exchange->client.BodyReceived(data, size * count)) {
            return size * count;
        }
    } catch (...) {
    }
    exchange->stopped = true;
    return CURL_WRITEFUNC_ERROR;
}

int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* exchange = static_cast<TExchange*>(user);
    try {
        if (!exchange->client.StopRequested()) return 0;
    } catch (...) {
    }
    exchange->stopped = true;
    return 1;
}

// Runs once the connection is made, right before the request is sent.
int PrerequestCallback(void* user, char*, char*, int, int) {
    auto* exchange = static_cast<TExchange*>(user);
    exchange->connected = true;
    try {
        exchange->client.Connected();
    } catch (...) {
    }
    return CURL_PREREQFUNC_OK;
}

// Why a connection was never made: the system's error of the connection attempt when there is
// one, else libcurl's text.
std::string ConnectionFailure(CURL* curl, CURLcode code) {
    long error = 0;
    if (curl_easy_getinfo(curl, CURLINFO_OS_ERRNO, &error) == CURLE_OK && error != 0) {
        return std::strerror(static_cast<int>(error));
    }
    return curl_easy_strerror(code);
}

// The access point is always on the local network: a proxy named by the environment would
// take its requests, which then never reach it.
void IgnoreProxySettings(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            LogLine("http", std::string("proxy setting ") + name + " ignored: the request goes "
                                                               "to the access point directly");
            break;
        }
    }
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TCurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The request address as libcurl takes it: the host exactly as given (libcurl refuses a text
// that is not a host name, such as one with a ":port" suffix), port 80, the escaped path.
std::unique_ptr<CURLU, TCurlDeleter> BuildAddress(const std::string& host,
                                                  const std::string& path) {
    std::unique_ptr<CURLU, TCurlDeleter> url(curl_url());
    if (!url) return nullptr;
    std::string target = EncodeRequestPath(path);
    std::string query;
    std::size_t question = target.find('?');
    if (question != std::string::npos) {
        query = target.substr(question + 1);
        target.erase(question);
    }
    if (host.empty() || curl_url_set(url.get(), CURLUPART_SCHEME, "http", 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PORT, "80", 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PATH, target.c_str(), 0) != CURLUE_OK) {
        return nullptr;
    }
    if (question != std::string::npos &&
        curl_url_set(url.get(), CURLUPART_QUERY, query.c_str(), 0) != CURLUE_OK) {
        return nullptr;
    }
    return url;
}

curl_slist* BuildHeaders(const THTTPRequest& request) {
    curl_slist* headers = nullptr;
    std::string accept =
        request.AcceptTypes.empty() ? std::string("Accept:") : "Accept: " + request.AcceptTypes;
    headers = curl_slist_append(headers, accept.c_str());
    if (!request.UseCache) {
        // What the reload flag of the Windows version of the program put on the wire.
        headers = curl_slist_append(headers, "Pragma: no-cache");
        headers = curl_slist_append(headers, "Cache-Control: no-cache");
    }
    if (!request.PostQuery.empty()) {
        headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    }
    return headers;
}

void SetRequestOptions(CURL* curl, const THTTPRequest& request, curl_slist* headers) {
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    if (!request.Agent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, request.Agent.c_str());
    if (!request.Referer.empty()) curl_easy_setopt(curl, CURLOPT_REFERER, request.Referer.c_str());
    if (request.PostQuery.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.PostQuery.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.PostQuery.data());
    }
    if (!request.UserName.empty()) {
        // Basic credentials go out with the first request (see THTTPGet).
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(curl, CURLOPT_USERNAME, request.UserName.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, request.Password.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, THTTPTransfer::ConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, THTTPTransfer::StallTimeoutSeconds);
}

void SetCallbacks(CURL* curl, TExchange& exchange) {
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HeaderCallback);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, PrerequestCallback);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, &exchange);
}

}  // namespace

TTransferResult THTTPTransfer::Perform(const THTTPRequest& request, const std::string& host,
                                       const std::string& path, THTTPTransferClient& client) {
    InitCurlOnce();
    std::unique_ptr<CURLU, TCurlDeleter> url = BuildAddress(host, path);
    if (!url) {
        client.NotConnected("\"" + host + "\" is not a host name");
        return TTransferResult::BadHost;
    }
    std::unique_ptr<CURL, TCurlDeleter> curl(curl_easy_init());
    if (!curl) return TTransferResult::Failed;
    std::unique_ptr<curl_slist, TCurlDeleter> headers(BuildHeaders(request));

    TExchange exchange{client, THTTPReplyHead(), false, false};
    curl_easy_setopt(curl.get(), CURLOPT_CURLU, url.get());
    SetRequestOptions(curl.get(), request, headers.get());
    SetCallbacks(curl.get(), exchange);
    IgnoreProxySettings(curl.get());

    LogLine("http", (request.PostQuery.empty() ? "GET http://" : "POST http://") + host + path +
                        " (" + std::to_string(request.PostQuery.size()) + " bytes of form data)");
    CURLcode code = curl_easy_perform(curl.get());
    if (code != CURLE_OK) LogLine("http", std::string("failed: ") + curl_easy_strerror(code));
    if (code != CURLE_OK && !exchange.connected && !exchange.stopped) {
        client.NotConnected(ConnectionFailure(curl.get(), code));
    }
    if (exchange.stopped) return TTransferResult::Stopped;
    if (code != CURLE_OK) return TTransferResult::Failed;
    // A reply without a body: its head is handed over now.
    try {
        if (exchange.FinishHead()) return TTransferResult::Complete;
    } catch (...) {
    }
    return TTransferResult::Stopped;
}
