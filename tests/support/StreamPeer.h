// A plain peer on port 8765, for what the simulated access point does not play: a reader that
// stalls, a connection reset, a peer that only counts what arrives. Its port 80 takes the
// update request's connection and never answers (an access point may answer with nothing),
// until the peer goes and the request fails.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>

// A plain peer on address:8765 that accepts one connection within ten seconds and hands it to
// serve on its own thread; the thread has ended when the peer is destroyed.
class TStreamPeer {
public:
    TStreamPeer(const std::string& address, std::function<void(int connection)> serve,
                int receiveBuffer = 0) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        if (receiveBuffer > 0) {
            setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof(receiveBuffer));
        }
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(8765);
        inet_pton(AF_INET, address.c_str(), &where.sin_addr);
        bool listening = bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0 &&
                         listen(listener_, 1) == 0;
        EXPECT_TRUE(listening) << "port 8765 on " << address;
        pages_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        setsockopt(pages_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        where.sin_port = htons(80);
        EXPECT_TRUE(bind(pages_, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0 &&
                    listen(pages_, 4) == 0)
            << "port 80 on " << address;
        thread_ = std::thread([this, serve] {
            pollfd entry{listener_, POLLIN, 0};
            if (poll(&entry, 1, 10000) != 1) return;
            int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) return;
            serve(connection);
            close(connection);
        });
    }
    ~TStreamPeer() {
        thread_.join();
        close(listener_);
        close(pages_);
    }
    TStreamPeer(const TStreamPeer&) = delete;
    TStreamPeer& operator=(const TStreamPeer&) = delete;

    // Reads until the other side closes (or nothing comes for ten seconds).
    static std::string ReadAll(int connection) {
        std::string data;
        char buffer[65536];
        for (;;) {
            pollfd entry{connection, POLLIN, 0};
            if (poll(&entry, 1, 10000) != 1) return data;
            ssize_t received = recv(connection, buffer, sizeof(buffer), 0);
            if (received <= 0) return data;
            data.append(buffer, static_cast<std::size_t>(received));
        }
    }

    // Reads exactly count bytes (fewer when the other side closes or goes silent).
    static std::string ReadCount(int connection, std::size_t count) {
        std::string data;
        char buffer[65536];
        while (data.size() < count) {
            pollfd entry{connection, POLLIN, 0};
            if (poll(&entry, 1, 10000) != 1) return data;
            ssize_t received =
                recv(connection, buffer, std::min(sizeof(buffer), count - data.size()), 0);
            if (received <= 0) return data;
            data.append(buffer, static_cast<std::size_t>(received));
        }
        return data;
    }

private:
    int listener_ = -1;
    int pages_ = -1;
    std::thread thread_;
};
