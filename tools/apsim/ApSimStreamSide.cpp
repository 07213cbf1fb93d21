// Port 8765 of the simulated access point: arming, accepting one connection, receiving or
// sending the stream, and recording it.
#include "ApSimStreamSide.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

namespace {

constexpr std::size_t PieceSize = 65536;

int OpenListener(const std::string& address, int port, int receiveBuffer, std::string& error) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
        error = "bad address " + address;
        return -1;
    }
    // Non-blocking: connections are taken only when poll says one waits.
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    // An access point holds little of the stream before its program reads it; set before
    // listen, so that accepted connections get it and their window matches it.
    if (receiveBuffer > 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof(receiveBuffer));
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof(where)) < 0 || listen(fd, 4) < 0) {
        error = "port " + std::to_string(port) + " on " + address + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

// True when a connection waits on the listener to be accepted.
bool ConnectionWaiting(int listener) {
    pollfd entry{listener, POLLIN, 0};
    return listener >= 0 && poll(&entry, 1, 0) == 1 && (entry.revents & POLLIN);
}

}  // namespace

TApSimStreamSide::TApSimStreamSide(const TApSimOptions& options, TApSimReport& report,
                                   TApSimFilterList& filterList, std::string image)
    : options_(options), report_(report), filterList_(filterList), image_(std::move(image)) {}

TApSimStreamSide::~TApSimStreamSide() { Stop(); }

bool TApSimStreamSide::Start(std::string& error) {
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    stopping_ = false;
    if (options_.Faults.ListenAlways && !options_.Faults.Refuse) {
        listener_ = OpenListener(options_.Address, options_.StreamPort,
                                 options_.Faults.ReceiveBuffer, error);
        if (listener_ < 0) {
            close(wake_);
            wake_ = -1;
            return false;
        }
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void TApSimStreamSide::Stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    Wake();
    thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
    modes_.clear();
    close(wake_);
    wake_ = -1;
}

bool TApSimStreamSide::Arm(TStreamMode mode, std::string& error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (listener_ < 0 && !options_.Faults.Refuse) {
            listener_ = OpenListener(options_.Address, options_.StreamPort,
                                     options_.Faults.ReceiveBuffer, error);
            if (listener_ < 0) return false;
        }
        // An earlier arming that no connection has come for is replaced; one whose connection
        // already waits to be accepted keeps its turn, so that connection is served as its
        // request asked even when the next request comes before it is accepted.
        if (!ConnectionWaiting(listener_)) modes_.clear();
        modes_.push_back(mode);
    }
    Wake();
    return true;
}

TStreamMode TApSimStreamSide::Armed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modes_.empty() ? TStreamMode::None : modes_.front();
}

void TApSimStreamSide::Wake() {
    std::uint64_t one = 1;
    if (wake_ >= 0 && write(wake_, &one, sizeof(one)) < 0) {
        // The counter is full only when nobody reads it; the waiter is awake then anyway.
    }
}

void TApSimStreamSide::DrainWake() {
    std::uint64_t count;
    while (read(wake_, &count, sizeof(count)) > 0) {
    }
}

void TApSimStreamSide::Run() {
    while (!stopping_) {
        int listener;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            listener = listener_;
        }
        pollfd entries[2] = {{wake_, POLLIN, 0}, {listener, POLLIN, 0}};
        if (poll(entries, listener >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) break;
        if (stopping_) break;
        if (entries[0].revents) DrainWake();
        if (listener < 0 || !(entries[1].revents & POLLIN)) continue;
        int connection;
        TStreamMode mode;
        {
            // A connection and its arming are taken together, so that Arm sees either the
            // connection still waiting or its arming gone. One connection per arming, in the
            // order of the armings; the port closes again when none is left (unless it
            // always listens).
            std::lock_guard<std::mutex> lock(mutex_);
            if (listener_ != listener) continue;
            connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            mode = modes_.empty() ? TStreamMode::None : modes_.front();
            if (!modes_.empty()) modes_.pop_front();
            if (modes_.empty() && !options_.Faults.ListenAlways) {
                close(listener_);
                listener_ = -1;
            }
        }
        Serve(connection, mode);
        close(connection);
    }
}

void TApSimStreamSide::Serve(int connection, TStreamMode mode) {
    if (mode == TStreamMode::Receive) {
        report_.AddStream(Receive(connection));
    } else if (mode == TStreamMode::Send) {
        report_.AddStream(Send(connection));
    } else if (options_.Faults.ListenAlways) {
        // A connection no request armed the port for: its bytes are read and dropped.
        TApSimStream stream = Receive(connection, false);
        stream.Kind = "ignored";
        report_.AddStream(stream);
    }
}

bool TApSimStreamSide::WaitReady(int fd, short events) {
    for (;;) {
        pollfd entries[2] = {{wake_, POLLIN, 0}, {fd, events, 0}};
        if (poll(entries, 2, -1) < 0 && errno != EINTR) return false;
        if (stopping_) return false;
        if (entries[0].revents) DrainWake();
        if (entries[1].revents) return true;
    }
}

bool TApSimStreamSide::WaitUntilPaced(std::chrono::steady_clock::time_point start,
                                      std::size_t bytes) {
    const auto due =
        start +
        std::chrono::microseconds(static_cast<std::int64_t>(
            static_cast<double>(bytes) * 1e6 / static_cast<double>(options_.Faults.RateBytes)));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            due - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        pollfd entry{wake_, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) return false;
        if (stopping_) return false;
        if (entry.revents) DrainWake();
    }
}

TApSimStream TApSimStreamSide::Receive(int connection, bool take) {
    TApSimStream stream;
    stream.Direction = "received";
    const TApSimFaults& faults = options_.Faults;
    const std::int64_t stall = faults.Stall;
    std::int64_t limit = -1;
    for (std::int64_t cut : {stall, faults.CloseEarly, faults.ResetAt, faults.EndAt}) {
        if (cut >= 0) {
            limit = cut;
            break;
        }
    }
    std::string piece(PieceSize, '\0');
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        std::size_t want = PieceSize;
        // A paced receiver takes a twentieth of a second's worth at a time.
        if (faults.RateBytes > 0) {
            want = std::clamp<std::size_t>(static_cast<std::size_t>(faults.RateBytes / 20), 1024,
                                           PieceSize);
        }
        if (limit >= 0) {
            std::int64_t left = limit - static_cast<std::int64_t>(stream.Data.size());
            if (left <= 0) {
                EndReceiving(connection, stream);
                break;
            }
            want = std::min<std::size_t>(want, static_cast<std::size_t>(left));
        }
        if (!WaitReady(connection, POLLIN)) break;
        ssize_t received = recv(connection, piece.data(), want, 0);
        if (received == 0) {
            stream.Complete = true;
            stream.End = "close";
            break;
        }
        if (received < 0) {
            if (errno == EINTR) continue;
            // A client that gives up part way resets the connection.
            if (errno == ECONNRESET) stream.End = "reset";
            break;
        }
        stream.Data.append(piece.data(), static_cast<std::size_t>(received));
        if (faults.RateBytes > 0 && !WaitUntilPaced(start, stream.Data.size())) break;
    }
    if (!take) return stream;
    stream.Kind =
        stream.Complete && filterList_.TakeBoundList(stream.Data) ? "filter list" : "image";
    stream.File = Keep(stream.Data);
    return stream;
}

void TApSimStreamSide::EndReceiving(int connection, TApSimStream& stream) {
    const TApSimFaults& faults = options_.Faults;
    if (faults.Stall >= 0) {
        stream.End = AwaitClientEnd(connection);
    } else if (faults.CloseEarly < 0 && faults.ResetAt >= 0) {
        // A zero linger time makes the close that follows a reset.
        linger reset{1, 0};
        setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    } else if (faults.CloseEarly < 0 && faults.EndAt >= 0) {
        shutdown(connection, SHUT_WR);
        stream.End = AwaitClientEnd(connection);
    }
}

std::string TApSimStreamSide::AwaitClientEnd(int connection) {
    // Reads nothing more: the client's end shows as a hang-up or an error on the connection.
    for (;;) {
        pollfd entries[2] = {{wake_, POLLIN, 0}, {connection, POLLRDHUP, 0}};
        if (poll(entries, 2, -1) < 0 && errno != EINTR) return std::string();
        if (stopping_) return std::string();
        if (entries[0].revents) DrainWake();
        if (!entries[1].revents) continue;
        int error = 0;
        socklen_t size = sizeof(error);
        getsockopt(connection, SOL_SOCKET, SO_ERROR, &error, &size);
        return error == ECONNRESET ? "reset" : "close";
    }
}

TApSimStream TApSimStreamSide::Send(int connection) {
    TApSimStream stream;
    stream.Direction = "sent";
    stream.Kind = "image";
    std::size_t size = image_.size();
    const TApSimFaults& faults = options_.Faults;
    for (std::int64_t cut : {faults.CloseEarly, faults.EndAt, faults.ResetAt}) {
        if (cut >= 0) size = std::min<std::size_t>(size, static_cast<std::size_t>(cut));
    }
    std::size_t sent = 0;
    while (sent < size && WaitReady(connection, POLLOUT)) {
        ssize_t done =
            send(connection, image_.data() + sent, std::min(PieceSize, size - sent), MSG_NOSIGNAL);
        if (done < 0) {
            if (errno == EINTR) continue;
            break;
        }
        sent += static_cast<std::size_t>(done);
    }
    stream.Data = image_.substr(0, sent);
    stream.Complete = sent == image_.size();
    if (faults.ResetAt >= 0 && faults.CloseEarly < 0 && faults.EndAt < 0) {
        linger reset{1, 0};
        setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    }
    return stream;
}

std::string TApSimStreamSide::Keep(const std::string& data) {
    if (options_.StoreDir.empty()) return std::string();
    int number;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        number = ++kept_;
    }
    std::string path = options_.StoreDir + "/received-" + std::to_string(number) + ".bin";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(data.data(), static_cast<std::streamsize>(data.size()));
    return file.flush() ? path : std::string();
}
