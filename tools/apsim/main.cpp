// tivra-apsim: a simulated access point for tests and demonstrations. It answers on a loopback
// address with the access point's web pages and its port 8765, prints the address to type into
// the wizard, and writes a JSON report of everything it received when asked (SIGUSR1) and when
// it ends (SIGINT, SIGTERM).
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "ApSimOptions.h"
#include "ApSimulator.h"
#include "BootCodeSide.h"

namespace {

void WriteReport(const TApSimulator& simulator) {
    std::string error;
    if (!simulator.WriteReport(error)) std::fprintf(stderr, "tivra-apsim: %s\n", error.c_str());
}

// Waits for signals: SIGUSR1 writes the report, SIGINT and SIGTERM end the run.
void ServeSignals(const sigset_t& signals, const TApSimulator& simulator) {
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) return;
        if (signal != SIGUSR1) return;
        WriteReport(simulator);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<TApSimOption> table = NetworkOptions();
    TBootCodeSideOptions serial;
    for (TApSimOption& option : BootCodeOptions(serial)) table.push_back(std::move(option));
    TApSimOptions options;
    std::string error;
    if (!ParseApSimOptions(table, std::vector<std::string>(argv + 1, argv + argc), options,
                           error)) {
        std::fprintf(stderr, "tivra-apsim: %s\n%s", error.c_str(), ApSimUsage(table).c_str());
        return 2;
    }
    if (options.ShowHelp) {
        std::printf("%s", ApSimUsage(table).c_str());
        return 0;
    }

    // The signals are taken by sigwait only; every thread started from here inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    TApSimulator simulator(options);
    TBootCodeSide* serialSide = nullptr;
    if (serial.Enabled()) {
        auto side = std::make_unique<TBootCodeSide>(serial);
        serialSide = side.get();
        simulator.AddSide(std::move(side));
    }
    if (!simulator.AddNetworkSides(error) || !simulator.Start(error)) {
        std::fprintf(stderr, "tivra-apsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("ready on %s\n", options.Address.c_str());
    if (serialSide) std::printf("%s\n", serialSide->Describe().c_str());
    std::fflush(stdout);

    ServeSignals(signals, simulator);
    simulator.Stop();
    WriteReport(simulator);
    return 0;
}
