// The blocking TCP client on POSIX sockets: connect with a time-out, whole-chunk sends,
// receives, and the peer-closed check before each chunk.
#include "ClientSocket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Connects fd to the address, waiting at most timeoutMs; 0 or an errno value.
int ConnectWithTimeout(int fd, const sockaddr* address, socklen_t length, int timeoutMs) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return errno;
    int error = 0;
    if (connect(fd, address, length) < 0) {
        error = errno;
        if (error == EINPROGRESS) {
            pollfd entry{fd, POLLOUT, 0};
            int ready;
            do {
                ready = poll(&entry, 1, timeoutMs);
            } while (ready < 0 && errno == EINTR);
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

bool TClientSocket::Open() {
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
        error = ConnectWithTimeout(fd, entry->ai_addr, entry->ai_addrlen, ConnectTimeoutMs);
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
    if (fd_ < 0) return Fail(ENOTCONN);
    int ready = WaitFor(POLLIN, ReceiveTimeoutMs);
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

std::string TClientSocket::ErrorText() const {
    return lastError_ == 0 ? std::string() : std::string(std::strerror(lastError_));
}
