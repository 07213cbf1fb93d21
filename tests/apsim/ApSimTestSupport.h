// Shared pieces of the simulator tests: a simulator on the test's own loopback address, raw
// exchanges through the client socket, and a pattern of bytes that shows any lost, doubled or
// shifted block.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ApSimForTest.h"
#include "ApSimStreamSide.h"
#include "ApSimulator.h"
#include "ClientSocket.h"

inline std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 13 + (i >> 10));
    return bytes;
}

// Sends the request (on the given open socket, or a new one to address:port) and reads until
// the peer closes; the bytes read.
inline std::string Exchange(const std::string& address, int port, const std::string& request,
                            TClientSocket* open = nullptr) {
    TClientSocket own;
    TClientSocket& socket = open ? *open : own;
    own.Address = address;
    own.Port = port;
    if (!open && !own.Open()) return "(no connection: " + own.ErrorText() + ")";
    int size = static_cast<int>(request.size());
    if (size > 0 && socket.SendBuf(request.data(), size) != size) return "(send failed)";
    std::string reply;
    char buffer[4096];
    for (;;) {
        int received = socket.ReceiveBuf(buffer, sizeof(buffer));
        if (received == TClientSocket::SocketWouldBlock) continue;
        if (received <= 0) return reply;
        reply.append(buffer, static_cast<std::size_t>(received));
    }
}

// The body of a raw HTTP reply (after the blank line).
inline std::string BodyOf(const std::string& reply) {
    std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

class TApSimTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (simulator_) simulator_->Stop();
    }

    // Starts the simulator on address, with the login root:pw.
    TApSimulator& StartSimulator(const std::string& address,
                                 const std::function<void(TApSimOptions&)>& adjust = nullptr) {
        simulator_ = StartedApSim(address, adjust);
        return *simulator_;
    }

    // A request as the HTTP component sends it, by default with the login root:pw.
    static std::string Request(const std::string& method, const std::string& page,
                               const std::string& body = "",
                               const std::string& credentials = "cm9vdDpwdw==") {
        std::string text = method + " /" + page + " HTTP/1.0\r\nHost: x\r\n";
        if (!credentials.empty()) text += "Authorization: Basic " + credentials + "\r\n";
        if (!body.empty()) {
            text += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\n";
        }
        return text + "\r\n" + body;
    }

    std::unique_ptr<TApSimulator> simulator_;
};
