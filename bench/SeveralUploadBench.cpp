// Uploads to ten simulated access points in one tivra-cli run, one at a time (--parallel 1) and
// four at a time (--parallel 4), and prints both times and their ratio. Each simulator takes
// the image at a paced rate, so that the transfer, not the program's start, sets the time, as
// a real access point's flash does. The status is 1 when four at a time takes more than 0.4 of
// the time of one at a time.
//
// Usage (port 80 on loopback addresses needs a network of its own):
//   build/bin/tivra-isolated build/bin/several_upload_bench [RATE_BYTES] [IMAGE_BYTES]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ApSimulator.h"
#include "CliRun.h"

constexpr int kAccessPoints = 10;

int main(int argc, char** argv) {
    setenv("NO_PROXY", "*", 1);
    const long long rate = argc > 1 ? std::atoll(argv[1]) : 2 * 1024 * 1024;
    const long long size = argc > 2 ? std::atoll(argv[2]) : 1024 * 1024;
    const std::string file = "/tmp/several_upload_bench_" + std::to_string(getpid()) + ".bin";
    std::ofstream(file, std::ios::binary) << std::string(static_cast<std::size_t>(size), 'F');

    std::vector<std::unique_ptr<TApSimulator>> simulators;
    std::vector<std::string> command = {"upload", "--file", file,         "--password",
                                        "pw",     "--yes",  "--pause-ms", "20"};
    for (int i = 0; i < kAccessPoints; ++i) {
        TApSimOptions options;
        options.Address = "127.0.22." + std::to_string(11 + i);
        options.Password = "pw";
        options.Faults.RateBytes = rate;
        simulators.push_back(std::make_unique<TApSimulator>(options));
        std::string error;
        if (!simulators.back()->AddNetworkSides(error) || !simulators.back()->Start(error)) {
            std::fprintf(stderr, "simulator on %s: %s\n", options.Address.c_str(), error.c_str());
            return 2;
        }
        command.insert(command.end(), {"--address", options.Address});
    }

    double seconds[2] = {0, 0};
    const int parallel[2] = {1, 4};
    for (int run = 0; run < 2; ++run) {
        std::vector<std::string> arguments = command;
        arguments.insert(arguments.end(), {"--parallel", std::to_string(parallel[run])});
        const auto begin = std::chrono::steady_clock::now();
        const int status = RunTivraCli(arguments).status;
        seconds[run] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (status != 0) {
            std::fprintf(stderr, "--parallel %d ended with status %d\n", parallel[run], status);
            return 2;
        }
    }
    for (auto& simulator : simulators) simulator->Stop();
    std::remove(file.c_str());
    const double ratio = seconds[1] / seconds[0];
    std::printf(
        "%d access points, %lld bytes each at %lld bytes/s: --parallel 1 %.2f s, "
        "--parallel 4 %.2f s, ratio %.2f (at most 0.40)\n",
        kAccessPoints, size, rate, seconds[0], seconds[1], ratio);
    return ratio <= 0.4 ? 0 : 1;
}
