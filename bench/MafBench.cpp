// maf_bench: the MAC address filter's largest list. A filter file of 2000 entries with
// 25-byte kanji memos is read into the editor's list, the list is turned into filter text and
// checked, and the text is written back as the "設定" button does (MAF.TXT, MAF.DAT in a
// private folder, the update request and the file send) without the fixed 2000 ms pause; the
// send reads MAF.DAT whole, as the socket transfer does, instead of going on the wire.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "BenchProcess.h"
#include "Cp932.h"
#include "MafCheck.h"
#include "MafFile.h"
#include "MafTransfer.h"
#include "MainThread.h"
#include "StatusControls.h"

namespace {

// A filter file of 2000 entries, CR LF, each memo twelve kanji and a digit (25 bytes).
std::string LargestFilterFile() {
    const std::string kanji = Utf8ToSjis("事務所の会議室と応接室の");
    std::string bytes;
    char address[32];
    for (int i = 0; i < 2000; ++i) {
        std::snprintf(address, sizeof address, "00a0c9-%06x ", i * 7);
        bytes += address + kanji + std::to_string(i % 10) + "\r\n";
    }
    return bytes;
}

// Stands in for the data module: the update request is dropped, the send reads the file.
class TLocalRunner : public TOperationRunner {
public:
    std::size_t sent = 0;
    int UploadFirmwareByNetwork(const std::string&, const std::string&, const std::string&,
                                const std::string&, bool, TEditControl&, TEditControl&,
                                TGaugeControl&, TLabelControl&) override {
        return 1;
    }
    int DownloadFirmwareByNetwork(const std::string&, const std::string&, const std::string&,
                                  const std::string&, TEditControl&, TEditControl&, TGaugeControl&,
                                  TLabelControl&) override {
        return 1;
    }
    int UploadFirmwareBySerial(const std::string&, const std::string&, TEditControl&, TEditControl&,
                               TGaugeControl&, TLabelControl&) override {
        return 1;
    }
    int DownloadFirmwareBySerial(const std::string&, const std::string&, TEditControl&,
                                 TEditControl&, TGaugeControl&, TLabelControl&) override {
        return 1;
    }
    int SetMacAddressBySerial(const std::string&, TEditControl&, TEditControl&, TGaugeControl&,
                              TLabelControl&) override {
        return 1;
    }
    int UpdateBiosBySerial(const std::string&, const std::string&, TEditControl&, TEditControl&,
                           TGaugeControl&, TLabelControl&) override {
        return 1;
    }
    int SendFileBySocket(const std::string&, const std::string& fileName, TEditControl&,
                         TEditControl&, TGaugeControl&, TLabelControl&) override {
        sent = ReadWholeFile(fileName).size();
        return 0;
    }
    void KickFirmwareUpdate(const std::string&, const std::string&, const std::string&,
                            const std::string&, const std::string&) override {}
};

void BM_ReadCheckApply2000(benchmark::State& state) {
    SetMainThread();
    const std::string path = "/tmp/tivra-maf-bench-" + std::to_string(getpid()) + ".mft";
    std::ofstream(path, std::ios::binary) << LargestFilterFile();
    TLocalRunner runner;
    TAgreeingDialogs dialogs;
    TPlainText total, proceed, status;
    TPlainGauge gauge;
    TMafWriteBack target{"127.0.0.2", "root", "demo", 0, nullptr, nullptr};
    for (auto _ : state) {
        TMafEntries entries;
        AppendMafFileEntries(ReadWholeFile(path), entries,
                             [](const std::string&) { return TDialogs::Answer::Yes; });
        const std::vector<std::string> lines = FillTextFromMafList(entries);
        int start = 0, length = 0;
        std::string message;
        if (entries.size() != 2000 || !CheckMafText(lines, start, length, message)) {
            state.SkipWithError("the list did not read or check");
            break;
        }
        if (WriteBackMafText(lines, target, runner, dialogs, total, proceed, gauge, status) != 0) {
            state.SkipWithError("the write-back failed");
            break;
        }
    }
    state.counters["MAF.DAT bytes"] = static_cast<double>(runner.sent);
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadCheckApply2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
