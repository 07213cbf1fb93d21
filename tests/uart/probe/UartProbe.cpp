// tivra-uart-probe: runs inside the UART stage's guest and watches a 16550's line control and
// modem control registers through /dev/port, which reads them without side effects (opening
// the tty a second time would raise DTR itself). Every change is printed as one line,
// "probe: MICROSECONDS LCR MCR" in hexadecimal, until SIGTERM. A sample every 200 µs sees the
// DTR the programmer raises for its exchange. Usage: tivra-uart-probe BASE (e.g. 0x2f8)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

volatile std::sig_atomic_t stop = 0;

long long MicrosecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool ReadRegister(int port, unsigned address, unsigned char& value) {
    return pread(port, &value, 1, static_cast<off_t>(address)) == 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tivra-uart-probe BASE\n");
        return 64;
    }
    const unsigned base = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 0));
    std::signal(SIGTERM, [](int) { stop = 1; });
    const int port = open("/dev/port", O_RDONLY | O_CLOEXEC);
    if (port < 0) {
        std::perror("tivra-uart-probe: /dev/port");
        return 1;
    }
    const long long start = MicrosecondsNow();
    int last = -1;
    const timespec pause{0, 200000};
    while (!stop) {
        unsigned char lcr = 0, mcr = 0;
        if (!ReadRegister(port, base + 3, lcr) || !ReadRegister(port, base + 4, mcr)) {
            std::perror("tivra-uart-probe: read");
            return 1;
        }
        const int now = lcr << 8 | mcr;
        if (now != last) {
            std::printf("probe: %lld %02x %02x\n", MicrosecondsNow() - start, lcr, mcr);
            std::fflush(stdout);
            last = now;
        }
        nanosleep(&pause, nullptr);
    }
    return 0;
}
