// serial_transfer_bench: a firmware upload and a firmware download through the simulated
// firmware loader on a pseudo-terminal paced at a real line rate (57600 bit/s by default), with
// the program's own transfer thread. It prints the payload throughput as a fraction of the line
// rate's bound (bit/s / 10 bytes per second) and the CPU time the program used while
// transferring, as a share of one core. The simulator runs in a child process, so its CPU time
// is not counted.
//
// At 57600 bit/s the default 2 MiB take about six minutes per direction. TIVRA_BENCH_BYTES
// sets a smaller image (e.g. 262144), TIVRA_BENCH_BPS another rate.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "ApSimulator.h"
#include "BootCodeChild.h"
#include "FirmwareLoaderMachine.h"
#include "Loader.h"
#include "MainThread.h"
#include "Rs232c.h"
#include "SafeFiles.h"
#include "ThFupd.h"

namespace {

using Clock = std::chrono::steady_clock;

std::size_t ImageBytes() {
    const char* text = std::getenv("TIVRA_BENCH_BYTES");
    const long value = text ? std::atol(text) : 0;
    return value > 0 && value <= 2097152 ? static_cast<std::size_t>(value) : 2097152;
}

int LineRate() {
    const char* text = std::getenv("TIVRA_BENCH_BPS");
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : 57600;
}

std::string slavePath;
TPrivateTempFolder* folder = nullptr;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Hands the simulated loader to the boot code, so that its firmware loader listens.
bool SendLoader(Trs232c& port) {
    const std::string loaderFile = folder->Path("orbaflwr.com");
    std::ofstream(loaderFile, std::ios::binary) << SimulatedFirmwareLoaderFile();
    TThSendLoader loader(port);
    loader.LoaderFile = loaderFile;
    loader.SerialPortName = slavePath;
    bool done = false;
    loader.OnStatus = [&](TThread*, TLoaderState state, int, TLoaderError) { done = state == 7; };
    loader.Start();
    WaitForWorkerServingQueue(loader);
    return done;
}

void Transfer(benchmark::State& state, TTransferMode mode) {
    const std::size_t size = ImageBytes();
    const std::string upload = folder->Path("upload.bin");
    std::ofstream(upload, std::ios::binary) << GenerateApSimImage(static_cast<std::int64_t>(size));
    // A download moves whole 32 KiB units.
    const std::size_t moved = mode == tmUpload ? size : (size + 32767) / 32768 * 32768;
    for (auto _ : state) {
        Trs232c port;
        if (!SendLoader(port)) {
            state.SkipWithError("the loader was not accepted");
            return;
        }
        TThFupd transfer(port);
        transfer.PortName = slavePath;
        transfer.Mode = mode;
        transfer.FileName = mode == tmUpload ? upload : folder->Path("download.bin");
        Clock::time_point start{};
        double cpuStart = 0;
        std::uint8_t finalStatus = 0;
        transfer.OnStatus = [&](TThread*, TransferStatus status, std::int32_t, std::int32_t,
                                TransferError, std::int32_t) {
            if (status == 0) {  // the port is open: the dialogue begins
                start = Clock::now();
                cpuStart = CpuSeconds();
            }
            finalStatus = status;
        };
        transfer.Start();
        WaitForWorkerServingQueue(transfer);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = CpuSeconds() - cpuStart;
        if (finalStatus != 7) {
            state.SkipWithError("the transfer failed");
            return;
        }
        state.SetIterationTime(seconds);
        const double bound = LineRate() / 10.0;  // bytes per second on the line
        state.counters["line%"] = 100.0 * (static_cast<double>(moved) / seconds) / bound;
        state.counters["cpu%"] = 100.0 * cpu / seconds;
        state.counters["bytes"] = static_cast<double>(moved);
    }
}

void BM_SerialUpload(benchmark::State& state) { Transfer(state, tmUpload); }
void BM_SerialDownload(benchmark::State& state) { Transfer(state, tmDownload); }

BENCHMARK(BM_SerialUpload)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SerialDownload)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    // The simulator is forked before any thread exists.
    TFirmwareLoaderConfig loader;
    loader.Flash = GenerateApSimImage(static_cast<std::int64_t>(ImageBytes()));
    const pid_t child = StartBootCodeChild(loader, LineRate(), "serial_transfer_bench", slavePath);
    if (child < 0) return 1;

    SetMainThread();
    TPrivateTempFolder temporary;
    folder = &temporary;
    std::printf("image %zu bytes, line %d bit/s (bound %.0f bytes/s)\n", ImageBytes(), LineRate(),
                LineRate() / 10.0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    StopBootCodeChild(child);
    return 0;
}
