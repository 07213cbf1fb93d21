// The faults that strike the serial transfers (the line dropping, a file cut, refusals, a
// destination that cannot be written), after which nothing may be left behind.
#include "SerialOperationsFixture.h"

namespace {

using namespace serial_operations_test;

// Entries under a /proc/self folder: open descriptors ("fd") or running threads ("task").
int ProcEntries(const char* folder) {
    int count = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string("/proc/self/") + folder)) {
        (void)entry;
        ++count;
    }
    return count;
}

enum class TFaultOp { Upload, Download, Bios };
// RefusedBeforeLoading: the operation fails before anything goes out on the line.
enum class TFaultAction { None, DropWhileLoading, CutSourceWhileErasing, RefusedBeforeLoading };

struct TFaultCase {
    const char* what;
    TFaultOp op;
    TLoaderFault fault;
    int at;
    TFaultAction action;
    const char*
        destination;   // for a download: in the test's folder, absolute, or "" for backup.bin
    const char* kind;  // the dialog that tells the user
    std::string message;
};
const char kLineError[] = "シリアルポート通信エラーが発生しました";

// A serial transfer struck by a fault: it fails with its message, and leaves the destination,
// the folder, the descriptors and the threads as they were.
class TSerialFaultsTest : public TSerialOperationsTest {
protected:
    void ExpectFailsCleanly(const TFaultCase& c) {
        SCOPED_TRACE(c.what);
        loaders.Write("orbaflwr.com", SimulatedFirmwareLoaderFile());
        loaders.Write("nvbioupd.com", SimulatedFirmwareLoaderFile());
        const std::string upload = loaders.Write("fw.bin", GenerateApSimImageForTest(200000));
        const std::string biosFile = loaders.Write("bios.brm", BiosFile());
        const std::string backup = loaders.Write("backup.bin", "previous image");
        const std::string destination = *c.destination == '/' ? std::string(c.destination)
                                        : *c.destination      ? loaders.Path(c.destination)
                                                              : backup;
        // A sanitizer's runtime starts a helper thread with the first thread the process makes:
        // one made and ended here keeps it out of the count.
        std::thread([] {}).join();
        const int threadsBefore = ProcEntries("task");
        const int descriptorsBefore = ProcEntries("fd");
        TFirmwareLoaderConfig loader;
        loader.Fault = c.fault;
        loader.FaultAt = c.at;
        StartBootCode({}, loader);
        SetProcessEventsHook([&] {
            const std::string shown = SjisToUtf8(label.Text());
            if (c.action == TFaultAction::DropWhileLoading && shown == kPreparing) bootCode->Stop();
            if (c.action == TFaultAction::CutSourceWhileErasing &&
                shown == EngineStrings::Erasing) {
                ASSERT_EQ(truncate(upload.c_str(), 50000), 0);
            }
        });
        dialogs.Clear();
        dialogs.Plan(TAnswer::Ok);
        const int result = Run([&] {
            switch (c.op) {
                case TFaultOp::Upload:
                    return module.UploadFirmwareBySerial(port, upload, totalSize, proceedSize,
                                                         progressGauge, label);
                case TFaultOp::Download:
                    return module.DownloadFirmwareBySerial(port, destination, totalSize,
                                                           proceedSize, progressGauge, label);
                default:
                    return module.UpdateBiosBySerial(port, biosFile, totalSize, proceedSize,
                                                     progressGauge, label);
            }
        });
        EXPECT_EQ(result, orError);
        EXPECT_EQ(label.Texts.back(), kError);
        EXPECT_EQ(module.WorkerFailed, 1);
        EXPECT_EQ(dialogs.Texts(c.kind), Texts{c.message});
        if (c.action == TFaultAction::RefusedBeforeLoading) {
            EXPECT_TRUE(bootCode->ReceivedLoader().empty());
        } else if (c.action != TFaultAction::DropWhileLoading) {
            bootCode->WithProgram([&](TLoaderProgram* program) {
                auto* machine = dynamic_cast<TFirmwareLoaderMachine*>(program);
                ASSERT_NE(machine, nullptr);
                // The loader never saw the end of an image it could take as whole.
                EXPECT_NE(machine->Phase(), TFirmwareLoaderMachine::TPhase::Done);
            });
        }
        bootCode->Stop();
        EXPECT_EQ(TempDir::Read(backup), "previous image");
        Texts names;
        for (const auto& entry : std::filesystem::directory_iterator(loaders.Path("")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names,
                  (Texts{"backup.bin", "bios.brm", "fw.bin", "nvbioupd.com", "orbaflwr.com"}));
        EXPECT_EQ(ProcEntries("fd"), descriptorsBefore);
        EXPECT_EQ(ProcEntries("task"), threadsBefore);
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    }

    // A BIOS file of 6000 data bytes that passes the file check.
    static std::string BiosFile() { return BiosFileForTest(GenerateApSimImageForTest(6000)); }
};

TEST_F(TSerialFaultsTest, ALineThatDropsFailsTheOperationInEveryPhase) {
    const TFaultCase cases[] = {
        {"during the loader upload", TFaultOp::Upload, TLoaderFault::None, 0,
         TFaultAction::DropWhileLoading, "", "error", std::string(kError) + "\r\n" + kLineError},
        {"during a firmware upload", TFaultOp::Upload, TLoaderFault::DropLine, 20000,
         TFaultAction::None, "", "exclamation", kLineError},
        {"during a BIOS update", TFaultOp::Bios, TLoaderFault::DropLine, 2048, TFaultAction::None,
         "", "exclamation", kLineError},
    };
    for (const TFaultCase& c : cases) ExpectFailsCleanly(c);
}

TEST_F(TSerialFaultsTest, FileFaultsAndRefusalsFailWithoutAnImageTakenAsWhole) {
    const TFaultCase cases[] = {
        {"upload file cut while the flash is erased", TFaultOp::Upload, TLoaderFault::None, 0,
         TFaultAction::CutSourceWhileErasing, "", "exclamation", "ファイルの読み込みエラー"},
        {"\"!\" for an upload block", TFaultOp::Upload, TLoaderFault::Bang, 6, TFaultAction::None,
         "", "exclamation", "フラッシュアクセスのエラーが発生しました"},
        {"download into a missing folder", TFaultOp::Download, TLoaderFault::None, 0,
         TFaultAction::RefusedBeforeLoading, "no-such-folder/out.bin", "exclamation",
         "操作に失敗しました"},
        {"download onto a device node", TFaultOp::Download, TLoaderFault::None, 0,
         TFaultAction::RefusedBeforeLoading, "/dev/null", "exclamation", "操作に失敗しました"},
    };
    for (const TFaultCase& c : cases) ExpectFailsCleanly(c);
}

}  // namespace
