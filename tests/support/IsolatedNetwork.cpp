// tivra-isolated: runs a test program in a network of its own (a new network namespace with
// only its loopback interface, brought up). Every test binds the simulated access point's
// ports 80 and 8765 on loopback addresses; tests that ctest runs at the same time would share
// those addresses and could take each other's ports. Each in its own network they cannot, and
// nothing a test starts can reach a real network either.
//
// Usage: tivra-isolated PROGRAM [ARGUMENTS...]
// As root the namespace is made directly; otherwise inside a user namespace of its own, in
// which the test may bind port 80 too.
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool WriteText(const char* path, const std::string& text) {
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return written;
}

bool EnterOwnNetwork() {
    if (unshare(CLONE_NEWNET) == 0) return true;
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) return false;
    // The caller becomes root of the new namespace only (mapped to itself outside).
    return WriteText("/proc/self/setgroups", "deny") &&
           WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

bool LoopbackUp() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP | IFF_RUNNING);
    up = up && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    close(fd);
    return up;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tivra-isolated PROGRAM [ARGUMENTS...]\n");
        return 64;
    }
    if (!EnterOwnNetwork()) {
        std::fprintf(stderr, "tivra-isolated: no network namespace of its own: %s\n",
                     std::strerror(errno));
        return 125;
    }
    if (!LoopbackUp()) {
        std::fprintf(stderr, "tivra-isolated: loopback interface: %s\n", std::strerror(errno));
        return 125;
    }
    execvp(argv[1], argv + 1);
    std::fprintf(stderr, "tivra-isolated: %s: %s\n", argv[1], std::strerror(errno));
    return 127;
}
