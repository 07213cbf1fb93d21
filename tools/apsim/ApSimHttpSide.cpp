// The simulated access point's web pages on cpp-httplib.
#include "ApSimHttpSide.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "ApSimAuth.h"
#include "ApSimTaskQueue.h"

namespace {

constexpr std::size_t DripPiece = 1024;
const char* const HtmlType = "text/html";

std::string RefusalPage() {
    return "<HTML><HEAD><TITLE>401 Unauthorized</TITLE></HEAD>\n"
           "<BODY><H1>401 Unauthorized</H1>Authorization required.</BODY></HTML>\n";
}

const char* const WarmUpPath = "/tivra-apsim-warm-up";

// Sends request to the server at address:port and reads the reply to its end (bounded).
bool SendWarmUpRequest(const std::string& address, int port, const std::string& request) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) return false;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool done = connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0 &&
                send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                    static_cast<ssize_t>(request.size());
    char buffer[4096];
    while (done) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 5000) != 1 || recv(fd, buffer, sizeof(buffer), 0) <= 0) break;
    }
    close(fd);
    return done;
}

std::string Page(const std::string& text) { return "<HTML><BODY>" + text + "</BODY></HTML>\n"; }

// The value of name in form data "a=1&b=2" (no decoding: the access point's forms are plain).
std::string FormValue(const std::string& form, const std::string& name) {
    std::size_t start = 0;
    while (start <= form.size()) {
        std::size_t end = std::min(form.find('&', start), form.size());
        std::string pair = form.substr(start, end - start);
        if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
        start = end + 1;
    }
    return std::string();
}

}  // namespace

TApSimHttpSide::TApSimHttpSide(const TApSimOptions& options, TApSimReport& report,
                               TApSimFilterList& filterList, TApSimStreamSide& stream)
    : options_(options), report_(report), filterList_(filterList), stream_(stream) {}

TApSimHttpSide::~TApSimHttpSide() { Stop(); }

bool TApSimHttpSide::Start(std::string& error) {
    server_ = std::make_shared<httplib::Server>();
    httplib::Server& server = *server_;
    server.Post("/firmware_update.cgi", [this](const httplib::Request& q, httplib::Response& r) {
        FirmwareUpdatePage(q, r);
    });
    server.Get("/downfirm.cgi",
               [this](const httplib::Request& q, httplib::Response& r) { DownFirmPage(q, r); });
    server.Get("/read_maf.cgi",
               [this](const httplib::Request& q, httplib::Response& r) { ReadMafPage(q, r); });
    // Address reuse for a quick restart, but no port sharing: a second simulator on the same
    // address must fail rather than share the requests.
    server.set_socket_options([this](int socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        listenSocket_ = socket;
    });
    // One request per connection, as the access point's HTTP/1.0 pages answer: no worker
    // waits for a next request that would hold up the end of the run.
    server.set_keep_alive_max_count(1);
    // Recorded once the reply is settled and before it goes out, so the report holds a
    // request by the time its client has the reply.
    server.set_post_routing_handler(
        [this](const httplib::Request& q, httplib::Response& r) { Record(q, r); });
    // The task queue is made once the server runs, so Stop can always end the listening.
    server.new_task_queue = [this] {
        auto* queue = new TApSimTaskQueue(4);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_ = queue;
            running_ = true;
        }
        listening_.notify_all();
        return queue;
    };
    stop_.Reset();
    if (!server.bind_to_port(options_.Address, options_.HttpPort)) {
        error =
            "cannot listen on " + options_.Address + " port " + std::to_string(options_.HttpPort);
        server_.reset();
        return false;
    }
    thread_ = std::thread([server = server_] { server->listen_after_bind(); });
    TApSimTaskQueue* queue;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        listening_.wait(lock, [this] { return running_; });
        queue = queue_;
    }
    WarmUp(*queue);
    return true;
}

void TApSimHttpSide::WarmUp(TApSimTaskQueue& queue) {
    // One request of each kind, one after the other, before any client comes: the library
    // builds its parser state in them (see TApSimTaskQueue). They are not recorded.
    const std::string requests[] = {
        std::string("GET ") + WarmUpPath + " HTTP/1.0\r\n\r\n",
        std::string("POST ") + WarmUpPath +
            " HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
            "Content-Length: 3\r\n\r\na=1",
    };
    std::size_t sent = 0;
    for (const std::string& request : requests) {
        if (SendWarmUpRequest(options_.Address, options_.HttpPort, request)) ++sent;
    }
    queue.WaitForEndedJobs(sent, 5000);
}

void TApSimHttpSide::Stop() {
    if (!thread_.joinable()) return;
    stop_.Raise();
    // The listening socket is shut down rather than closed here: its accept then fails, and
    // the server's own thread closes the socket and ends. Closing it from this thread (what
    // the server's stop() does) would race with an accept that has just taken a connection.
    shutdown(listenSocket_, SHUT_RDWR);
    thread_.join();
    server_.reset();
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
}

bool TApSimHttpSide::Authorized(const httplib::Request& request) const {
    return IsBasicAuthorized(request.get_header_value("Authorization"), options_.User,
                             options_.Password);
}

void TApSimHttpSide::Refuse(httplib::Response& response) {
    response.status = 401;
    response.set_header("WWW-Authenticate", "Basic realm=\"access point\"");
    Reply(response, RefusalPage(), HtmlType);
}

void TApSimHttpSide::ArmStream(TStreamMode mode) {
    std::string error;
    if (!stream_.Arm(mode, error)) std::fprintf(stderr, "tivra-apsim: %s\n", error.c_str());
}

void TApSimHttpSide::FirmwareUpdatePage(const httplib::Request& request,
                                        httplib::Response& response) {
    if (!Authorized(request)) return Refuse(response);
    if (FormValue(request.body, "DoUpdate") != "1") {
        return Reply(response, Page("Nothing to update."), HtmlType);
    }
    ArmStream(TStreamMode::Receive);
    Reply(response, Page("Firmware update: send the image to port 8765."), HtmlType);
}

void TApSimHttpSide::DownFirmPage(const httplib::Request& request, httplib::Response& response) {
    if (!Authorized(request)) return Refuse(response);
    ArmStream(TStreamMode::Send);
    Reply(response, Page("Firmware download: read the image from port 8765."), HtmlType);
}

void TApSimHttpSide::ReadMafPage(const httplib::Request& request, httplib::Response& response) {
    if (!Authorized(request)) return Refuse(response);
    Reply(response, filterList_.ReplyText(), "text/plain; charset=EUC-JP");
}

void TApSimHttpSide::Reply(httplib::Response& response, const std::string& body,
                           const std::string& type) {
    const TApSimFaults& faults = options_.Faults;
    if (faults.DelayMs > 0) stop_.Sleep(faults.DelayMs);
    auto text = std::make_shared<std::string>(faults.EmptyBody ? std::string() : body);
    std::size_t length = text->size();
    if (faults.CutBody >= 0) length = std::min(length, static_cast<std::size_t>(faults.CutBody));
    const int drip = faults.DripMs;
    TApSimStopSignal* stop = &stop_;
    // Writes the next piece of the body from offset; false to end the connection there.
    auto writePiece = [text, length, drip, stop](std::size_t offset, httplib::DataSink& sink) {
        if (offset >= length) return false;
        if (offset > 0 && drip > 0 && !stop->Sleep(drip)) return false;
        std::size_t piece = drip > 0 ? DripPiece : length - offset;
        sink.write(text->data() + offset, std::min(piece, length - offset));
        return true;
    };
    if (faults.NoContentLength || faults.BadContentLength) {
        if (faults.BadContentLength) response.set_header("Content-Length", faults.BadLengthText);
        response.set_content_provider(
            type, [writePiece, length](std::size_t offset, httplib::DataSink& sink) {
                if (offset >= length) {
                    sink.done();
                    return true;
                }
                return writePiece(offset, sink);
            });
    } else if (text->empty()) {
        response.set_content(std::string(), type);
    } else if (faults.CutBody >= 0 || drip > 0) {
        response.set_content_provider(
            text->size(), type,
            [writePiece](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                return writePiece(offset, sink);
            });
    } else {
        response.set_content(*text, type);
    }
}

void TApSimHttpSide::Record(const httplib::Request& request, const httplib::Response& response) {
    if (request.path == WarmUpPath) return;
    TApSimRequest record;
    record.Method = request.method;
    record.Target = request.target;
    record.Path = request.path;
    record.Version = request.version;
    for (const auto& header : request.headers) {
        // The server adds these itself; they did not come from the client.
        if (header.first == "REMOTE_ADDR" || header.first == "REMOTE_PORT" ||
            header.first == "LOCAL_ADDR" || header.first == "LOCAL_PORT") {
            continue;
        }
        record.Headers.emplace_back(header.first, header.second);
    }
    record.Body = request.body;
    record.Status = response.status;
    record.Authorized = Authorized(request);
    report_.AddRequest(record);
}
