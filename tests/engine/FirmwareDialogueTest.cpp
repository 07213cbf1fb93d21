// The firmware loader's dialogue byte for byte against the simulator's firmware loader, joined
// by an in-memory line: every byte the dialogue sends is fed to the loader at once and the
// loader's answer waits for the next receive, so each case runs in milliseconds. Upload units
// and capacity, download size, progress and file handling, BIOS file checks and resends,
// greeting noise and refusals.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "FirmwareDialogue.h"
#include "FirmwareLoaderMachine.h"
#include "FirmwareTestFiles.h"
#include "TempDir.h"
#include "TransferCodes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TReportRecord {
    std::uint8_t status;
    std::int32_t percent, done, total;
};

// The line: sends go to the simulated loader, its answers queue up for the receives. Whatever
// is missing when a receive comes is a time-out (the loader is synchronous, nothing follows).
class TMemoryLine : public TTransferLine {
public:
    explicit TMemoryLine(TFirmwareLoaderConfig config) : loader(std::move(config)) {}

    void SetTimeout(std::uint32_t) override {}
    void Discard() override { queue.clear(); }
    TransferError Send(const std::uint8_t* data, std::size_t size) override {
        sent.insert(sent.end(), data, data + size);
        // Noise arrives while the loader starts, before it answers the first command.
        queue.insert(queue.end(), noise.begin(), noise.end());
        noise.clear();
        for (std::uint8_t b : loader.Feed(data, size)) queue.push_back(b);
        return teNone;
    }
    TransferError Receive(std::uint8_t* data, std::size_t size) override {
        if (queue.size() < size) return teTimeout;
        for (std::size_t i = 0; i < size; ++i) {
            data[i] = queue.front();
            queue.pop_front();
        }
        return teNone;
    }
    bool Pending() override { return !queue.empty(); }
    bool Stopped() override { return false; }
    void Pause(std::uint32_t) override {}
    void Report(TransferStatus status, std::int32_t percent, std::int32_t done,
                std::int32_t total) override {
        reports.push_back({status, percent, done, total});
    }
    std::vector<TReportRecord> Of(std::uint8_t status) const {
        std::vector<TReportRecord> out;
        for (const auto& r : reports)
            if (r.status == status) out.push_back(r);
        return out;
    }

    TFirmwareLoaderMachine loader;
    std::string noise;
    Bytes sent;
    std::deque<std::uint8_t> queue;
    std::vector<TReportRecord> reports;
};

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 1024 + seed) & 0xFF);
    return bytes;
}

Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

class TFirmwareDialogueTest : public ::testing::Test {
protected:
    std::uint8_t Run(TMemoryLine& line, std::uint8_t mode, const std::string& file) {
        TFirmwareDialogue dialogue(line, TTransferTimeouts{});
        if (freeSpace) dialogue.FreeSpace = freeSpace;
        return dialogue.RunExchange(static_cast<TTransferMode>(mode), file);
    }
    // Only the destination itself may be left in the folder: no temporary file.
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path("")))
            names.push_back(entry.path().filename().string());
        return names;
    }
    TempDir dir;
    TFreeSpaceQuery freeSpace;
};

TEST_F(TFirmwareDialogueTest, UploadErasesWholeSectorsAndWritesTheImageUnchanged) {
    const struct {
        std::size_t size;
        int units;
    } cases[] = {{1, 2}, {65536, 2}, {65537, 4}, {2097152, 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string image = Pattern(c.size, 1);
        TMemoryLine line({});
        EXPECT_EQ(Run(line, tmUpload, dir.Write("fw.bin", image)), teNone);
        EXPECT_EQ(line.loader.RequestedUnits(), c.units);
        EXPECT_EQ(line.loader.Written(), AsBytes(image));
        EXPECT_EQ(line.loader.Phase(), TFirmwareLoaderMachine::TPhase::Done);
        const auto erasing = line.Of(tsErasing);
        ASSERT_EQ(erasing.size(), static_cast<std::size_t>(c.units / 2 + 1));
        EXPECT_EQ(erasing.front().percent, 0);
        EXPECT_EQ(erasing.back().percent, 100);
        const auto writing = line.Of(tsWriting);
        EXPECT_EQ(writing.size(), (c.size + 1023) / 1024 + 1);
        EXPECT_EQ(writing.back().percent, 100);
        EXPECT_EQ(writing.back().done, static_cast<std::int32_t>(c.size));
        EXPECT_EQ(writing.back().total, static_cast<std::int32_t>(c.size));
    }
}

TEST_F(TFirmwareDialogueTest, UploadRefusedBeforeAnythingIsErased) {
    const struct {
        const char* what;
        std::size_t size;
        std::uint16_t capacity;
        std::uint8_t code;
    } cases[] = {
        {"too large for the flash", 65537, 3, teImageTooLarge},
        {"empty image", 0, 64, teFileShort},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TFirmwareLoaderConfig config;
        config.CapacityUnits = c.capacity;
        TMemoryLine line(config);
        EXPECT_EQ(Run(line, tmUpload, dir.Write("fw.bin", Pattern(c.size, 2))), c.code);
        EXPECT_EQ(line.loader.RequestedUnits(), -1);  // no erase was asked for
        EXPECT_TRUE(line.Of(tsErasing).empty());
    }
    TMemoryLine line({});
    EXPECT_EQ(Run(line, tmUpload, dir.Path("missing.bin")), teFileOpen);
}

TEST_F(TFirmwareDialogueTest, DownloadStoresTheAnnouncedImageAndReportsEvery4096Bytes) {
    const struct {
        int announced;
        int sentBack;
    } cases[] = {{1, 1}, {8, 8}, {65, 64}};
    const std::string flash = Pattern(2097152 - 5000, 3);  // the rest reads as erased
    for (const auto& c : cases) {
        SCOPED_TRACE(c.announced);
        TFirmwareLoaderConfig config;
        config.Flash = flash;
        config.AnnouncedUnits = c.announced;
        TMemoryLine line(config);
        const std::string out = dir.Path("out.bin");
        EXPECT_EQ(Run(line, tmDownload, out), teNone);
        EXPECT_EQ(line.loader.RequestedUnits(), c.sentBack);
        const std::size_t size = std::size_t{32768} * c.sentBack;
        std::string expected = flash.substr(0, size);
        expected.resize(size, '\xFF');
        EXPECT_EQ(TempDir::Read(out), expected);
        const auto reading = line.Of(tsReading);
        ASSERT_EQ(reading.size(), size / 4096);
        for (std::size_t i = 0; i < reading.size(); ++i)
            EXPECT_EQ(reading[i].done, static_cast<std::int32_t>((i + 1) * 4096));
        EXPECT_EQ(reading.back().percent, 100);
        const auto creating = line.Of(tsCreatingFile);
        ASSERT_EQ(creating.size(), 2u);
        EXPECT_EQ(creating[0].percent, 0);
        EXPECT_EQ(creating[1].percent, 100);
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"out.bin"});
    }
}

TEST_F(TFirmwareDialogueTest, FailedDownloadLeavesTheDestinationAndNoTemporaryFile) {
    const struct {
        const char* what;
        TLoaderFault fault;
        int announced;
        std::uint64_t freeBytes;
        std::uint8_t code;
        int sentBack;  // the count the host sent back; -1 none
    } cases[] = {
        {"bad checksum in block 3", TLoaderFault::BadChecksum, 8, ~0ull, teLineError, 8},
        {"disk full", TLoaderFault::None, 8, 262143, teDiskFull, -1},
        {"nothing to download", TLoaderFault::None, 0, ~0ull, teNoImage, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string out = dir.Write("out.bin", "previous image");
        TFirmwareLoaderConfig config;
        config.Fault = c.fault;
        config.FaultAt = 3;
        config.AnnouncedUnits = c.announced;
        TMemoryLine line(config);
        freeSpace = [&c](const std::string&, std::uint64_t& bytes) {
            bytes = c.freeBytes;
            return true;
        };
        EXPECT_EQ(Run(line, tmDownload, out), c.code);
        EXPECT_EQ(line.loader.RequestedUnits(), c.sentBack);
        // A damaged block is refused with "!" and nothing more.
        if (c.fault == TLoaderFault::BadChecksum) {
            EXPECT_EQ(line.sent.back(), '!');
            EXPECT_EQ(line.loader.Phase(), TFirmwareLoaderMachine::TPhase::Failed);
        }
        EXPECT_EQ(TempDir::Read(out), "previous image");
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"out.bin"});
    }
}

TEST_F(TFirmwareDialogueTest, BiosUpdateSendsTheDataAndRepeatsABlockOnRequest) {
    const std::string data = Pattern(2500, 4);
    for (bool resend : {false, true}) {
        SCOPED_TRACE(resend);
        TFirmwareLoaderConfig config;
        if (resend) {
            config.Fault = TLoaderFault::Percent;
            config.FaultAt = 1;
        }
        TMemoryLine line(config);
        EXPECT_EQ(Run(line, tmBios, dir.Write("bios.brm", BiosFileForTest(data))), teNone);
        EXPECT_EQ(line.loader.Written(), AsBytes(data));
        const auto sending = line.Of(tsSending);
        ASSERT_EQ(sending.size(), 3u);  // one per accepted block
        EXPECT_EQ(sending.back().percent, 100);
        EXPECT_EQ(sending.back().total, 2500);
        const auto erasing = line.Of(tsErasing);
        ASSERT_EQ(erasing.size(), 2u);
        EXPECT_EQ(erasing[1].percent, 100);
        const auto writing = line.Of(tsWriting);
        ASSERT_EQ(writing.size(), 128u);
        EXPECT_EQ(writing.back().done, 131072);
        EXPECT_EQ(writing.back().total, 131072);
    }
}

TEST_F(TFirmwareDialogueTest, BiosFileChecks) {
    std::string zeroInId = BiosIdentification;
    zeroInId[20] = '\0';
    std::string lowerCase = BiosIdentification;
    lowerCase[0] = 'k';
    const std::string ones(300, '\xFF');  // a data sum of 76,500 is checked modulo 65,536
    const struct {
        const char* what;
        std::string file;
        std::uint8_t code;
    } cases[] = {
        {"sum above 65535", BiosFileForTest(ones), teNone},
        {"shorter than its header", BiosFileForTest("").substr(0, 67), teFileShort},
        {"zero byte in the identification", BiosFileForTest(ones, zeroInId), teBadBiosFile},
        {"identification differs in case", BiosFileForTest(ones, lowerCase), teBadBiosFile},
        {"wrong checksum", BiosFileForTest(ones, BiosIdentification, 1), teBadBiosFile},
        {"no data", BiosFileForTest(""), teBadBiosFile},
        {"data offset not 68", BiosFileForTest(ones, BiosIdentification, 0, 64), teBadBiosFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TMemoryLine line({});
        EXPECT_EQ(Run(line, tmBios, dir.Write("bios.brm", c.file)), c.code);
        // A refused file never got past the greeting: nothing of it reached the loader.
        if (c.code != teNone) {
            EXPECT_TRUE(line.loader.Written().empty());
        }
    }
}

TEST_F(TFirmwareDialogueTest, GreetingDropsNoiseAndRefusalsEndTheJob) {
    TMemoryLine noisy({});
    noisy.noise = "\r\nORBA loader\r\n";
    EXPECT_EQ(Run(noisy, tmUpload, dir.Write("fw.bin", Pattern(3000, 5))), teNone);
    EXPECT_EQ(noisy.loader.Written(), AsBytes(Pattern(3000, 5)));

    const struct {
        const char* what;
        TLoaderFault fault;
        int at;
        std::uint8_t code;
    } cases[] = {
        {"\"#\" for the mode selection", TLoaderFault::Hash, 1, teRefusedHash},
        {"\"!\" for a block", TLoaderFault::Bang, 6, teFlashAccess},
        {"silence after the greeting", TLoaderFault::Silence, 0, teTimeout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TFirmwareLoaderConfig config;
        config.Fault = c.fault;
        config.FaultAt = c.at;
        TMemoryLine line(config);
        EXPECT_EQ(Run(line, tmUpload, dir.Write("fw.bin", Pattern(5000, 6))), c.code);
    }
    TMemoryLine line({});
    EXPECT_EQ(Run(line, 3, "fw.bin"), teBadMode);
    EXPECT_TRUE(line.sent.empty());
}

}  // namespace
