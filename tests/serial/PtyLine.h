// TPtyLine: a pseudo-terminal for serial tests. The test plays the far end of the line on the
// master side; the code under test opens the slave by its path. The test also keeps a handle
// on the slave, so the line stays up across reopenings and its termios can be read back.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

class TPtyLine {
public:
    TPtyLine() {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        path_ = name;
    }
    ~TPtyLine() {
        if (master_ >= 0) close(master_);
        close(slave_);
    }
    TPtyLine(const TPtyLine&) = delete;
    TPtyLine& operator=(const TPtyLine&) = delete;

    const std::string& Path() const { return path_; }
    int SlaveFd() const { return slave_; }

    // Far end to port, in one write (one burst on the line).
    void Send(const std::string& bytes) {
        if (write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("pty write failed");
    }

    // Port to far end: up to count bytes, waiting at most milliseconds in all.
    std::string Receive(std::size_t count, int milliseconds) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (got.size() < count) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            char chunk[4096];
            ssize_t n = read(master_, chunk, std::min(sizeof chunk, count - got.size()));
            if (n <= 0) break;
            got.append(chunk, static_cast<std::size_t>(n));
        }
        return got;
    }

    // The far end goes away, as an unplugged adapter does.
    void HangUp() {
        close(master_);
        master_ = -1;
    }

    termios SlaveSettings() const {
        termios t{};
        tcgetattr(slave_, &t);
        return t;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};
