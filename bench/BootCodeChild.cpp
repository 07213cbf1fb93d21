// StartBootCodeChild: fork, start the boot code in the child, hand its device path back
// through a pipe.
#include "BootCodeChild.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "BootCode.h"

namespace {

[[noreturn]] void ServeBootCode(const TFirmwareLoaderConfig& loader, int lineRate,
                                const char* reporter, int pipeOut) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    TBootCodeSim sim;
    sim.SetProgramChooser(SimulatedLoaderPrograms(loader));
    sim.SetLineRate(lineRate);
    std::string error;
    if (!sim.Start(error)) {
        std::fprintf(stderr, "%s: %s\n", reporter, error.c_str());
        _exit(1);
    }
    const std::string path = sim.SlavePath() + "\n";
    if (write(pipeOut, path.data(), path.size()) < 0) _exit(1);
    close(pipeOut);
    pause();
    _exit(0);
}

}  // namespace

pid_t StartBootCodeChild(const TFirmwareLoaderConfig& loader, int lineRate, const char* reporter,
                         std::string& slavePath) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (child == 0) {
        close(fds[0]);
        ServeBootCode(loader, lineRate, reporter, fds[1]);
    }
    close(fds[1]);
    char buffer[256];
    std::string text;
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
    close(fds[0]);
    if (text.empty() || text.back() != '\n') {
        StopBootCodeChild(child);
        return -1;
    }
    slavePath = text.substr(0, text.size() - 1);
    return child;
}

void StopBootCodeChild(pid_t child) {
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
}
