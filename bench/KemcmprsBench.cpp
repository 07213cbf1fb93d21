// kemcmprs_bench: compresses and expands 64 MiB files of three kinds (random bytes, long runs,
// text-like) with libkemcmprs.so, copies the same files with plain read and write calls in the
// same run, and prints each compression and expansion time as a multiple of the copy time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "BenchFiles.h"
#include "kemcmprs.h"

namespace {

constexpr std::size_t kFileSize = std::size_t{64} << 20;
constexpr ContentKind kKinds[] = {ContentKind::RandomBytes, ContentKind::LongRuns,
                                  ContentKind::TextLike};

struct KindFiles {
    std::string source;
    std::string container;
    std::string output;
};

void BenchCopy(benchmark::State& state, const KindFiles& files) {
    for (auto _ : state) {
        if (!PlainCopy(files.source, files.output)) {
            state.SkipWithError("copy failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

void BenchCompress(benchmark::State& state, const KindFiles& files) {
    for (auto _ : state) {
        if (KemCompress(files.source.c_str(), files.output.c_str(), nullptr, 0) != 0) {
            state.SkipWithError("KemCompress failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
    state.counters["size%"] = 100.0 * static_cast<double>(FileSizeOf(files.output)) / kFileSize;
}

void BenchExpand(benchmark::State& state, const KindFiles& files) {
    for (auto _ : state) {
        if (KemUnCompress(files.container.c_str(), files.output.c_str()) != 0) {
            state.SkipWithError("KemUnCompress failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

// The console report, plus a closing table of each time relative to the copy of the same file.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                milliseconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        std::printf("\n%-8s %12s %16s %16s\n", "content", "copy ms", "compress/copy",
                    "expand/copy");
        for (ContentKind kind : kKinds) {
            std::string name = ContentKindName(kind);
            double copy = Find("copy/" + name);
            if (copy <= 0.0) {
                continue;  // not run (filtered out or failed)
            }
            double compress = Find("compress/" + name);
            double expand = Find("expand/" + name);
            std::printf("%-8s %12.1f %16.2f %16.2f\n", name.c_str(), copy, compress / copy,
                        expand / copy);
        }
    }

private:
    double Find(const std::string& name) const {
        auto found = milliseconds_.find(name);
        return found == milliseconds_.end() ? 0.0 : found->second;
    }

    std::map<std::string, double> milliseconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    BenchFolder folder;
    std::map<ContentKind, KindFiles> files;
    for (ContentKind kind : kKinds) {
        std::string name = ContentKindName(kind);
        KindFiles& kindFiles = files[kind];
        kindFiles = {folder.PathOf(name + ".bin"), folder.PathOf(name + ".kem"),
                     folder.PathOf(name + ".out")};
        WriteWholeFile(kindFiles.source, MakeContent(kind, kFileSize));
        if (KemCompress(kindFiles.source.c_str(), kindFiles.container.c_str(), nullptr, 0) != 0) {
            std::fprintf(stderr, "kemcmprs_bench: cannot prepare %s\n",
                         kindFiles.container.c_str());
            return 1;
        }
        const KindFiles* shared = &kindFiles;
        auto withFiles = [shared](void (*bench)(benchmark::State&, const KindFiles&)) {
            return [shared, bench](benchmark::State& state) { bench(state, *shared); };
        };
        for (auto [label, bench] :
             {std::pair{"copy/", &BenchCopy}, std::pair{"compress/", &BenchCompress},
              std::pair{"expand/", &BenchExpand}}) {
            benchmark::RegisterBenchmark((label + name).c_str(), withFiles(bench))
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinTime(1.0);
        }
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
