// The diagnostic log: one file, one mutex, a line per event.
#include "DiagnosticLog.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

constexpr std::size_t kSerialBytesPerLine = 256;

std::mutex logMutex;
std::atomic<int> logFd{-1};

std::string TimeStamp() {
    timeval now{};
    gettimeofday(&now, nullptr);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[40];
    std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03ld",
                  static_cast<long>(now.tv_usec / 1000));
    return text;
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;  // a full disk ends the line, not the program
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace

bool OpenDiagnosticLog(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::lock_guard<std::mutex> lock(logMutex);
    int old = logFd.exchange(fd);
    if (old >= 0) close(old);
    return true;
}

void CloseDiagnosticLog() {
    std::lock_guard<std::mutex> lock(logMutex);
    int old = logFd.exchange(-1);
    if (old >= 0) close(old);
}

bool DiagnosticLogOn() { return logFd.load(std::memory_order_relaxed) >= 0; }

void LogLine(const char* topic, const std::string& text) {
    if (!DiagnosticLogOn()) return;
    std::string line = TimeStamp() + " [" + topic + "] ";
    std::size_t end = text.find_last_not_of("\r\n");
    end = end == std::string::npos ? 0 : end + 1;
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (i + 1 < end && text[i] == '\r' && text[i + 1] == '\n') ++i;
            line += " / ";
        } else {
            line += text[i];
        }
    }
    line += '\n';
    std::lock_guard<std::mutex> lock(logMutex);
    if (int fd = logFd.load(); fd >= 0) WriteAll(fd, line);
}

bool LogFailure(const char* topic, const std::string& what) {
    const int error = errno;
    LogLine(topic, what + " failed: " + std::strerror(error));
    errno = error;
    return false;
}

std::string HexBytes(const void* data, std::size_t count, std::size_t limit) {
    static const char kDigits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::size_t shown = count < limit ? count : limit;
    std::string text;
    text.reserve(shown * 3 + 32);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    if (shown < count) text += " ... " + std::to_string(count) + " bytes in all";
    return text;
}

void LogSerialBytes(char direction, const void* data, std::size_t count) {
    if (!DiagnosticLogOn() || count == 0) return;
    LogLine("serial", std::string(1, direction) + ' ' + HexBytes(data, count, kSerialBytesPerLine));
}

std::string DiagnosticLogRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) return argv[i + 1];
        if (std::strncmp(argv[i], "--log=", 6) == 0) return argv[i] + 6;
    }
    const char* variable = std::getenv("TIVRA_LOG");
    return variable ? variable : "";
}
