// The blocking TCP client on POSIX sockets: connect with a time-out, whole-chunk sends,
// receives, and the peer-closed check before each chunk.
#include "ClientSocket.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Waits until fd is writable (the connection is made or failed), at most timeoutMs, in slices
// of at most sliceMs with between() after each empty slice: 1 ready, 0 timed out, -1 failed.
int WaitConnected(int fd, int timeoutMs, int sliceMs, const std::function<void()>& between) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return 0;
        int wait = static_cast<int>(std::min<long long>(left.count(), sliceMs));
        pollfd entry{fd, POLLOUT, 0};
        int ready = poll(&entry, 1, wait);
        if (ready > 0) return 1;
        if (ready < 0 && errno != EINTR) return -1;
        if (ready == 0 && between) between();
    }
}

// Connects fd to the address, waiting at most timeoutMs; 0 or an errno value.
int ConnectWithTimeout(int fd, const sockaddr* address, socklen_t length, int timeoutMs,
                       int sliceMs, const std::function<void()>& between) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return errno;
    int error = 0;
    if (connect(fd, address, length) < 0) {
        error = errno;
        if (error == EINPROGRESS) {
            int ready = WaitConnected(fd, timeoutMs, sliceMs, between);
            if (ready == 0) return ETIMEDOUT;
            if (ready < 0) return errno;
            socklen_t size = sizeof(error);
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0) return errno;
        }
    }
    if (error != 0) return error;
    if (fcntl(fd, F_SETFL, flags) < 0) return errno;
    return 0;
}

}  // namespace

TClientSocket::~TClientSocket() { Close(); }

bool TClientSocket::Open() { return OpenWhile(ConnectTimeoutMs, nullptr); }

bool TClientSocket::OpenWhile(int sliceMs, const std::function<void()>& between) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string service = std::to_string(Port);
    int resolved = getaddrinfo(Address.c_str(), service.c_str(), &hints, &found);
    if (resolved != 0 || !found) {
        lastError_ = resolved == EAI_SYSTEM ? errno : EHOSTUNREACH;
        return false;
    }
    int error = EHOSTUNREACH;
    for (addrinfo* entry = found; entry; entry = entry->ai_next) {
        int fd = socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = ConnectWithTimeout(fd, entry->ai_addr, entry->ai_addrlen, ConnectTimeoutMs,
                                   std::max(sliceMs, 1), between);
        if (error == 0) {
            fd_ = fd;
            break;
        }
        ::close(fd);
    }
    freeaddrinfo(found);
    lastError_ = error;
    return error == 0;
}

void TClientSocket::Close() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

void TClientSocket::Abort() {
    if (fd_ < 0) return;
    // A zero linger time makes the close send a reset and drop what is still queued.
    linger reset{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    Close();
}

bool TClientSocket::Connected() {
    if (fd_ < 0) return false;
    char byte;
    ssize_t peeked = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) return true;
    if (peeked == 0) return false;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

int TClientSocket::WaitFor(short events, int timeoutMs) {
    pollfd entry{fd_, events, 0};
    for (;;) {
        int ready = poll(&entry, 1, timeoutMs > 0 ? timeoutMs : -1);
        if (ready >= 0) return ready > 0 ? 1 : 0;
        if (errno != EINTR) return -1;
    }
}

int TClientSocket::Fail(int error) {
    lastError_ = error;
    return SocketError;
}

int TClientSocket::SendSome(const void* data, int count, int waitMs) {
    if (fd_ < 0) return Fail(ENOTCONN);
    if (count <= 0) return 0;
    for (;;) {
        int ready = WaitFor(POLLOUT, std::max(waitMs, 1));
        if (ready < 0) return Fail(errno);
        if (ready == 0) return SocketWouldBlock;
        ssize_t done =
            send(fd_, data, static_cast<std::size_t>(count), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (done > 0) {
            lastError_ = 0;
            return static_cast<int>(done);
        }
        if (done < 0 && (errno == EINTR)) continue;
        if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return SocketWouldBlock;
        int error = done < 0 ? errno : EPIPE;
        Fail(error);
        return error == EPIPE || error == ECONNRESET ? SocketClosed : SocketError;
    }
}

int TClientSocket::SendBuf(const void* data, int count) {
    if (fd_ < 0) return Fail(ENOTCONN);
    const char* bytes = static_cast<const char*>(data);
    int sent = 0;
    while (sent < count) {
        // Only a chunk of which nothing went out may be offered again; the rest of a started
        // chunk gets the longer stall time-out, after which the connection counts as failed.
        int ready = WaitFor(POLLOUT, sent == 0 ? SendTimeoutMs : StallTimeoutMs);
        if (ready < 0) return Fail(errno);
        if (ready == 0) return sent == 0 ? SocketWouldBlock : Fail(ETIMEDOUT);
        ssize_t done = send(fd_, bytes + sent, static_cast<std::size_t>(count - sent),
                            MSG_NOSIGNAL | MSG_DONTWAIT);
        if (done < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            int error = errno;
            Fail(error);
            return error == EPIPE || error == ECONNRESET ? SocketClosed : SocketError;
        }
        sent += static_cast<int>(done);
    }
    lastError_ = 0;
    return count;
}

int TClientSocket::ReceiveBuf(void* buffer, int size) {
    return ReceiveSome(buffer, size, ReceiveTimeoutMs);
}

int TClientSocket::ReceiveSome(void* buffer, int size, int waitMs) {
    if (fd_ < 0) return Fail(ENOTCONN);
    int ready = WaitFor(POLLIN, waitMs);
    if (ready < 0) return Fail(errno);
    if (ready == 0) return SocketWouldBlock;
    for (;;) {
        ssize_t received = recv(fd_, buffer, static_cast<std::size_t>(size), MSG_DONTWAIT);
        if (received >= 0) {
            lastError_ = 0;
            return static_cast<int>(received);
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return SocketWouldBlock;
        return Fail(errno);
    }
}

bool TClientSocket::EndSending() {
    if (fd_ < 0) {
        Fail(ENOTCONN);
        return false;
    }
    if (shutdown(fd_, SHUT_WR) < 0) {
        // A connection the peer has already reset says so in its pending error.
        int error = errno, pending = 0;
        socklen_t size = sizeof(pending);
        if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &pending, &size) == 0 && pending != 0) {
            error = pending;
        }
        Fail(error);
        return false;
    }
    return true;
}

long long TClientSocket::Unacknowledged() {
    if (fd_ < 0) return Fail(ENOTCONN);
    // For TCP the output queue count is the sequence space sent but not acknowledged (the
    // end of the stream counts as one), plus what was not sent yet.
    int queued = 0;
    if (ioctl(fd_, SIOCOUTQ, &queued) < 0) return Fail(errno);
    return queued;
}

TClientSocket::TPeerEvent TClientSocket::WatchPeer(long waitMicroseconds) {
    if (fd_ < 0) {
        Fail(ENOTCONN);
        return TPeerEvent::PeerFailed;
    }
    pollfd entry{fd_, POLLIN | POLLRDHUP, 0};
    timespec wait{waitMicroseconds / 1000000, (waitMicroseconds % 1000000) * 1000};
    int ready = ppoll(&entry, 1, &wait, nullptr);
    if (ready < 0 && errno != EINTR) {
        Fail(errno);
        return TPeerEvent::PeerFailed;
    }
    if (ready <= 0) return TPeerEvent::Quiet;
    if (entry.revents & POLLERR) {
        int error = 0;
        socklen_t size = sizeof(error);
        getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size);
        Fail(error != 0 ? error : ECONNRESET);
        return TPeerEvent::PeerFailed;
    }
    char drop[1024];
    for (;;) {
        ssize_t received = recv(fd_, drop, sizeof(drop), MSG_DONTWAIT);
        if (received > 0) continue;
        if (received == 0) return TPeerEvent::PeerEnded;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return TPeerEvent::Quiet;
        Fail(errno);
        return TPeerEvent::PeerFailed;
    }
}

long TClientSocket::RoundTripMicroseconds() {
    tcp_info info{};
    socklen_t size = sizeof(info);
    if (fd_ < 0 || getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size) < 0) return 0;
    return static_cast<long>(info.tcpi_rtt);
}

std::string TClientSocket::ErrorText() const {
    return lastError_ == 0 ? std::string() : std::string(std::strerror(lastError_));
}
