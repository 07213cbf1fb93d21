// Endurance run of the network firmware operations: many uploads and downloads back to back in
// one process against the simulated access point (tivra-apsim, started as a child process so
// that its own records do not count), checking that every run succeeds and that neither the
// open descriptors nor the resident memory of this process grow.
//
// Usage: network_endurance [RUNS] [PAUSE_MS]   (defaults 200 and 300; needs port 80 on a
// loopback address, so run it as root in a private network namespace:
//   unshare -n bash -c 'ip link set lo up && build/bin/network_endurance')
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "BenchProcess.h"
#include "Dialogs.h"
#include "FileSystem.h"
#include "HttpGet.h"
#include "MainThread.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
#include "StatusControls.h"

namespace {

const char kAddress[] = "127.0.13.1";
constexpr int kImageSize = 65536 + 333;

// Starts the simulator beside this program; its pid, or -1.
pid_t StartSimulator() {
    const std::string program = ProgramFolder() + "tivra-apsim";
    pid_t child = fork();
    if (child == 0) {
        execl(program.c_str(), program.c_str(), "--address", kAddress, "--password", "pw",
              "--image-size", std::to_string(kImageSize).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

// Waits until port 80 of the simulator takes connections.
bool WaitForSimulator() {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(80);
    inet_pton(AF_INET, kAddress, &where.sin_addr);
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        bool up = connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0;
        close(fd);
        if (up) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

struct TSample {
    int descriptors;
    long residentKiB;
};

TSample Sample() {
    // Workers of finished requests are let go first: what is left is what the runs keep.
    WaitForHTTPGetThreads(5000);
    return {OpenDescriptors(), ResidentKiB()};
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    const int pauseMs = argc > 2 ? std::atoi(argv[2]) : 300;
    SetMainThread();
    setenv("NO_PROXY", "*", 1);
    pid_t simulator = StartSimulator();
    if (simulator < 0 || !WaitForSimulator()) {
        std::fprintf(stderr, "network_endurance: the simulator did not start on %s port 80\n",
                     kAddress);
        return 2;
    }

    TPrivateTempFolder folder;
    const std::string upload = folder.Path("fw.bin");
    const std::string download = folder.Path("down.bin");
    std::string image(kImageSize, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7 + 3);
    WriteFileReplacing(upload, image);

    TAgreeingDialogs dialogs;
    TnavrilDataModule module(dialogs);
    module.KickPauseMs = pauseMs;
    TPlainText total, proceed, label;
    TPlainGauge gauge;

    int uploadFailures = 0;
    int downloadFailures = 0;
    auto runOnce = [&] {
        if (module.UploadFirmwareByNetwork(kAddress, upload, "root", "pw", true, total, proceed,
                                           gauge, label) != orDone) {
            ++uploadFailures;
            std::fprintf(stderr, "upload failed: %s\n", module.ClientSocket.ErrorText().c_str());
        }
        if (module.DownloadFirmwareByNetwork(kAddress, download, "root", "pw", total, proceed,
                                             gauge, label) != orDone) {
            ++downloadFailures;
            std::fprintf(stderr, "download failed: %s\n", module.ClientSocket.ErrorText().c_str());
        }
    };
    // A few runs first, so that the libraries' one-time set-up is not counted as growth.
    const int warmUp = 10;
    for (int i = 0; i < warmUp; ++i) runOnce();
    const TSample before = Sample();
    uploadFailures = downloadFailures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) runOnce();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const TSample after = Sample();

    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);

    std::printf(
        "network endurance: %d uploads and %d downloads in %.1f s (after %d of each to "
        "warm up); failed: %d uploads, %d downloads\n",
        runs, runs, seconds, warmUp, uploadFailures, downloadFailures);
    std::printf("  open descriptors: %d before, %d after\n", before.descriptors, after.descriptors);
    std::printf("  resident memory:  %ld KiB before, %ld KiB after\n", before.residentKiB,
                after.residentKiB);
    // Allocators keep some memory in reserve; growth beyond 2 MiB over the runs is a leak.
    const bool steady =
        after.descriptors <= before.descriptors && after.residentKiB - before.residentKiB <= 2048;
    return uploadFailures + downloadFailures == 0 && steady ? 0 : 1;
}
