// Endurance run of the serial operations: many firmware uploads through the serial port back
// to back in one process, each a whole run (the loader to the boot code, then a small image to
// the simulated firmware loader), checking that every run succeeds and that neither the open
// descriptors nor the resident memory of this process grow. The boot code runs in a child
// process on a pseudo-terminal, so its own records do not count.
//
// Usage: serial_endurance [RUNS] [IMAGE_BYTES]   (defaults 50 and 4096)
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchProcess.h"
#include "BootCodeChild.h"
#include "Dialogs.h"
#include "Dmod.h"
#include "FirmwareLoaderMachine.h"
#include "MainThread.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
#include "StatusControls.h"

namespace {

struct TSample {
    int descriptors;
    int threads;
    long residentKiB;
};

TSample Sample() { return {OpenDescriptors(), Threads(), ResidentKiB()}; }

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
    const long imageBytes = argc > 2 ? std::atol(argv[2]) : 4096;
    SetMainThread();
    std::string slavePath;
    const pid_t bootCode = StartBootCodeChild({}, 0, "serial_endurance", slavePath);
    if (bootCode < 0) {
        std::fprintf(stderr, "serial_endurance: the boot code did not start\n");
        return 2;
    }
    setenv("TIVRA_COM1", slavePath.c_str(), 1);

    TPrivateTempFolder folder;
    WriteFileReplacing(folder.Path("orbaflwr.com"), SimulatedFirmwareLoaderFile());
    const std::string upload = folder.Path("fw.bin");
    std::string image(static_cast<std::size_t>(imageBytes), '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7 + 3);
    WriteFileReplacing(upload, image);

    TAgreeingDialogs dialogs("serial_endurance");
    TDmod dmod;
    TnavrilDataModule module(dialogs);
    module.Dmod = &dmod;
    module.LoaderFolder = folder.Path("");
    TPlainText total, proceed, label;
    TPlainGauge gauge;

    int failures = 0;
    auto runOnce = [&] {
        if (module.UploadFirmwareBySerial("COM1", upload, total, proceed, gauge, label) != orDone)
            ++failures;
    };
    // A few runs first, so that the libraries' one-time set-up is not counted as growth.
    const int warmUp = 3;
    for (int i = 0; i < warmUp; ++i) runOnce();
    const TSample before = Sample();
    failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) runOnce();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const TSample after = Sample();

    StopBootCodeChild(bootCode);

    std::printf(
        "serial endurance: %d loader runs with a %ld-byte firmware upload each in %.1f s "
        "(after %d to warm up); failed: %d\n",
        runs, imageBytes, seconds, warmUp, failures);
    std::printf("  open descriptors: %d before, %d after\n", before.descriptors, after.descriptors);
    std::printf("  threads:          %d before, %d after\n", before.threads, after.threads);
    std::printf("  resident memory:  %ld KiB before, %ld KiB after\n", before.residentKiB,
                after.residentKiB);
    // Allocators keep some memory in reserve; growth beyond 2 MiB over the runs is a leak.
    const bool steady = after.descriptors <= before.descriptors &&
                        after.threads <= before.threads &&
                        after.residentKiB - before.residentKiB <= 2048;
    return failures == 0 && steady ? 0 : 1;
}
