// A plain peer on port 80 that takes one request and keeps its exact bytes (the head as it
// came and the body its Content-Length announces), then answers with a fixed reply: for
// comparing what the HTTP component puts on the wire with the expected request text.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

class TRawHttpPeer {
public:
    TRawHttpPeer(const std::string& address, std::string reply) : reply_(std::move(reply)) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(80);
        inet_pton(AF_INET, address.c_str(), &where.sin_addr);
        EXPECT_TRUE(bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0 &&
                    listen(listener_, 1) == 0)
            << "port 80 on " << address;
        thread_ = std::thread([this] { Serve(); });
    }
    ~TRawHttpPeer() {
        thread_.join();
        close(listener_);
    }
    TRawHttpPeer(const TRawHttpPeer&) = delete;
    TRawHttpPeer& operator=(const TRawHttpPeer&) = delete;

    // The request's bytes; complete once the component has seen the reply.
    const std::string& Received() const { return received_; }

private:
    void Serve() {
        pollfd entry{listener_, POLLIN, 0};
        if (poll(&entry, 1, 10000) != 1) return;
        int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) return;
        char buffer[4096];
        std::size_t wanted = std::string::npos;
        while (received_.size() < wanted) {
            pollfd in{connection, POLLIN, 0};
            if (poll(&in, 1, 10000) != 1) break;
            ssize_t count = recv(connection, buffer, sizeof(buffer), 0);
            if (count <= 0) break;
            received_.append(buffer, static_cast<std::size_t>(count));
            std::size_t headEnd = received_.find("\r\n\r\n");
            if (headEnd != std::string::npos && wanted == std::string::npos) {
                std::size_t length = received_.find("Content-Length: ");
                wanted = headEnd + 4 +
                         (length == std::string::npos || length > headEnd
                              ? 0
                              : std::strtoul(received_.c_str() + length + 16, nullptr, 10));
            }
        }
        send(connection, reply_.data(), reply_.size(), MSG_NOSIGNAL);
        close(connection);
    }

    std::string reply_;
    std::string received_;
    int listener_ = -1;
    std::thread thread_;
};
