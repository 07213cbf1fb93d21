// Arbitrary answers of the firmware loader into the transfer dialogue: the first byte picks the
// job (upload, download, BIOS update), the rest is everything the loader sends. Nothing may
// crash or hang (a missing answer is a time-out); a download leaves its destination only when
// it succeeded, and never a temporary file.
#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "FirmwareDialogue.h"
#include "FirmwareTestFiles.h"
#include "SafeFiles.h"
#include "TransferCodes.h"

namespace {

class TFuzzLine : public TTransferLine {
public:
    TFuzzLine(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    void SetTimeout(std::uint32_t) override {}
    void Discard() override {}
    TransferError Send(const std::uint8_t*, std::size_t) override { return teNone; }
    TransferError Receive(std::uint8_t* out, std::size_t n) override {
        if (size_ - at_ < n) {
            at_ = size_;
            return teTimeout;
        }
        for (std::size_t i = 0; i < n; ++i) out[i] = data_[at_++];
        return teNone;
    }
    bool Pending() override { return at_ < size_; }
    bool Stopped() override { return false; }
    void Pause(std::uint32_t) override {}
    void Report(TransferStatus, std::int32_t percent, std::int32_t, std::int32_t) override {
        if (percent < 0 || percent > 100) std::abort();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct TFiles {
    TFiles() {
        std::ofstream(folder.Path("fw.bin"), std::ios::binary) << std::string(5000, 'x');
        std::ofstream(folder.Path("bios.brm"), std::ios::binary)
            << BiosFileForTest(std::string(2100, 'b'));
    }
    // Entries of the folder besides the two sources.
    int Others() const {
        int count = 0;
        if (DIR* dir = opendir(folder.Folder().c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != ".." && name != "fw.bin" && name != "bios.brm") ++count;
            }
            closedir(dir);
        }
        return count;
    }
    TPrivateTempFolder folder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TFiles files;
    if (size == 0) return 0;
    const std::uint8_t mode = data[0] % 3;
    const std::string download = files.folder.Path("out.bin");
    TFuzzLine line(data + 1, size - 1);
    TTransferTimeouts timeouts;
    timeouts.Greeting = 0;  // a greeting without an answer ends at once
    TFirmwareDialogue dialogue(line, timeouts);
    dialogue.FreeSpace = [](const std::string&, std::uint64_t& bytes) {
        bytes = 1u << 30;
        return true;
    };
    const std::string file = mode == tmUpload ? files.folder.Path("fw.bin")
                             : mode == tmBios ? files.folder.Path("bios.brm")
                                              : download;
    const std::uint8_t code = dialogue.RunExchange(static_cast<TTransferMode>(mode), file);
    if (mode == tmDownload) {
        const bool exists = access(download.c_str(), F_OK) == 0;
        if (exists != (code == teNone)) std::abort();
        unlink(download.c_str());
    }
    if (files.Others() != 0) std::abort();  // a temporary file was left behind
    return 0;
}
