// The serial operations against the simulated boot code: the question, the loader each
// operation sends, what the status page shows while it goes out, the loader's failures, the
// cancel while the access point has not answered, and the firmware and BIOS transfers with the
// simulated firmware loader, end to end.
#include "SerialOperationsFixture.h"

namespace {

using namespace serial_operations_test;

TEST_F(TSerialOperationsTest, DecliningStartsNoWorkerAndLeavesThePortAlone) {
    StartBootCode();
    for (const char* name : {"orbaflwr.com", "nvbioupd.com", "ror8019.com"})
        WriteLoader(name, 100, 0);
    // A loader that started would wait for the access point's answer, and say so first.
    bool loaderStarted = false;
    module.OnHandshakeCancelable = [&loaderStarted](bool waiting) { loaderStarted |= waiting; };
    for (const TSerialOperation& op : SerialOperations()) {
        SCOPED_TRACE(op.name);
        dialogs.Clear();
        label.SetText("before");
        dialogs.Plan(TAnswer::Cancel);
        EXPECT_EQ(Run(op.run), orCancelled);
        EXPECT_FALSE(loaderStarted);
        EXPECT_EQ(dialogs.Texts("okcancel"), Texts{kPowerOff});
        EXPECT_EQ(dialogs.History().size(), 1u);
        if (std::string(op.name) == "SetMacAddressBySerial") {
            // No status text is written at all, so the cursor is not touched either.
            EXPECT_TRUE(label.Texts.empty());
            EXPECT_EQ(label.Text(), "before");
        } else {
            EXPECT_EQ(label.Texts, Texts{"キャンセルしました"});
            EXPECT_EQ(ScreenCursor(), TCursor::Default);
        }
    }
    // No worker ran, so nothing can reach the line later: the port was never opened.
    EXPECT_TRUE(bootCode->Received().empty());
}

TEST_F(TSerialOperationsTest, WithoutTheSerialDataModuleNothingIsSentAndTheOperationFails) {
    StartBootCode();
    WriteLoader("orbaflwr.com", 100, 0);
    module.Dmod = nullptr;
    bool loaderStarted = false;
    module.OnHandshakeCancelable = [&loaderStarted](bool waiting) { loaderStarted |= waiting; };
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);
    EXPECT_FALSE(loaderStarted);
    // The user is not asked to switch on an access point nobody talks to.
    EXPECT_EQ(label.Texts, Texts{kError});
    EXPECT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    EXPECT_TRUE(bootCode->Received().empty());
}

TEST_F(TSerialOperationsTest, LoaderGoesOutByteForByteWhileTheStatusPageFollowsIt) {
    StartBootCode();
    const Bytes image = WriteLoader("orbaflwr.com", 2500, 1);
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);

    EXPECT_EQ(bootCode->ReceivedLoader(), image);
    EXPECT_TRUE(bootCode->LoaderComplete());
    // Power-on prompt, the loader's reports, then the transfer: this loader is no firmware
    // loader the simulator runs, so nothing answers the greeting and it times out.
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kPreparing, kPreparing, kPreparing, kPreparing,
                                  kPrepared, kCommunicating, kError}));
    EXPECT_EQ(progressGauge.Positions, (std::vector<int>{0, 40, 81, 100}));
    EXPECT_TRUE(progressGauge.Visible());
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    // Messages are processed while the access point has not answered (the Cancel button works
    // then), after every report, and after the final text.
    EXPECT_EQ(Changes(drawnTexts),
              (Texts{kPowerOn, kPreparing, kPrepared, kCommunicating, kError}));
    EXPECT_EQ(module.WorkerFailed, 1);
    EXPECT_EQ(dialogs.Texts("error"), Texts{});
    EXPECT_EQ(dialogs.Texts("exclamation"), Texts{"通信タイムアウトしました"});
    EXPECT_EQ(dialogs.UnusedAnswers(), 0u);
}

TEST_F(TSerialOperationsTest, AnErrorWhileWaitingStopsTheLoaderInsteadOfHanging) {
    StartBootCode(TBootCodeConfig{"", TBootFault::Silence, -1});  // never switched on
    WriteLoader("orbaflwr.com", 100, 0);
    bool thrown = false;
    SetProcessEventsHook([&] {
        if (!std::exchange(thrown, true)) throw std::runtime_error("window gone");
    });
    dialogs.Plan(TAnswer::Ok);
    const auto start = Clock::now();
    EXPECT_THROW(UploadFirmware(), std::runtime_error);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_EQ(module.LoaderThread, nullptr);
    EXPECT_FALSE(dmod.rs232c1.IsOpen());
    // The stop request is no failure of the access point: no dialog.
    EXPECT_TRUE(dialogs.Texts("error").empty());
    EXPECT_EQ(module.WorkerFailed, 1);
}

TEST_F(TSerialOperationsTest, EachOperationSendsItsOwnLoader) {
    const Bytes firmwareLoader = WriteLoader("orbaflwr.com", 1500, 2);
    const Bytes biosLoader = WriteLoader("nvbioupd.com", 1300, 3);
    const Bytes setupLoader = WriteLoader("ror8019.com", 700, 4);
    const Bytes* expected[] = {&firmwareLoader, &firmwareLoader, &biosLoader, &setupLoader};
    std::size_t index = 0;
    for (const TSerialOperation& op : SerialOperations()) {
        SCOPED_TRACE(op.name);
        port = "COM" + std::to_string(index + 1);  // each on its own port
        StartBootCode();
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(Run(op.run), orError);
        EXPECT_EQ(bootCode->ReceivedLoader(), *expected[index++]);
        ASSERT_FALSE(progressGauge.Positions.empty());
        EXPECT_EQ(progressGauge.Positions.back(), 100);
        EXPECT_TRUE(bootCode->LoaderComplete());
        ASSERT_GE(label.Texts.size(), 3u);
        EXPECT_EQ(label.Texts.front(), kPowerOn);
        EXPECT_NE(std::find(label.Texts.begin(), label.Texts.end(), kPrepared), label.Texts.end());
        EXPECT_EQ(label.Texts.back(), kError);
        EXPECT_EQ(ScreenCursor(), TCursor::Default);
    }
    EXPECT_TRUE(dialogs.Texts("error").empty());
}

TEST_F(TSerialOperationsTest, MissingLoaderFileShowsTheLoaderErrorAndFails) {
    StartBootCode();
    WriteLoader("orbaflwr.com", 100, 0);  // present, but not the one the BIOS update needs
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Run([this] {
                  return module.UpdateBiosBySerial(port, "bios.brm", totalSize, proceedSize,
                                                   progressGauge, label);
              }),
              orError);
    EXPECT_EQ(dialogs.Texts("error"),
              Texts{"エラーが発生しました\r\n必要なファイルが見つかりません"});
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kError}));
    EXPECT_EQ(module.WorkerFailed, 1);
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    EXPECT_TRUE(bootCode->Received().empty());
}

TEST_F(TSerialOperationsTest, PortThatCannotBeOpenedShowsTheOpenErrorAndFails) {
    WriteLoader("ror8019.com", 100, 0);
    TComMapping noPort("TIVRA_COM2", NoSuchPort());
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Run([this] {
                  return module.SetMacAddressBySerial(port, totalSize, proceedSize, progressGauge,
                                                      label);
              }),
              orError);
    // The general error, the loader's text, then why the port could not be used.
    EXPECT_EQ(
        dialogs.Texts("error"),
        Texts{"エラーが発生しました\r\nシリアルポートのオープンに失敗しました\r\nCOM2 の装置 " +
              NoSuchPort() +
              " がありません。USBシリアル変換器が接続されているか確認してください。"});
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kError}));
    EXPECT_EQ(module.WorkerFailed, 1);
}

TEST_F(TSerialOperationsTest, ALoaderFailureDoesNotHoldBackTheNextOperation) {
    TBootCodeConfig refusing;
    refusing.Fault = TBootFault::Bang;  // in place of the acknowledgement of the first block
    StartBootCode(refusing);
    const Bytes image = WriteLoader("orbaflwr.com", 2500, 5);
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);
    EXPECT_EQ(dialogs.Texts("error"),
              Texts{"エラーが発生しました\r\nフラッシュアクセスのエラーが発生しました"});
    EXPECT_EQ(module.WorkerFailed, 1);
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kPreparing, kPreparing, kError}));

    // The user switches off and tries again; this time the loader is accepted, and its success
    // report clears the failure, so the operation goes on past the loader to the transfer.
    StartBootCode();
    dialogs.Clear();
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);
    EXPECT_EQ(bootCode->ReceivedLoader(), image);
    EXPECT_TRUE(dialogs.Texts("error").empty());
    EXPECT_EQ(label.Texts, (Texts{kPowerOn, kPreparing, kPreparing, kPreparing, kPreparing,
                                  kPrepared, kCommunicating, kError}));
}

TEST_F(TSerialOperationsTest, FirmwareAndBiosMoveEndToEndWithTheStatusPageFollowing) {
    loaders.Write("orbaflwr.com", SimulatedFirmwareLoaderFile());
    loaders.Write("nvbioupd.com", SimulatedFirmwareLoaderFile());
    const std::string image = GenerateApSimImageForTest(100000);
    const std::string biosData = GenerateApSimImageForTest(3000);
    const std::string bios = BiosFileForTest(biosData);
    const std::string upload = loaders.Write("fw.bin", image);
    const std::string biosFile = loaders.Write("bios.brm", bios);
    const std::string download = loaders.Path("backup.bin");
    TFirmwareLoaderConfig loader;
    loader.Flash = image;
    loader.AnnouncedUnits = 4;
    const struct {
        const char* what;
        std::function<int()> run;
        const char* lastProgress;  // the last status before "finished"
        const char* total;
    } cases[] = {
        {"upload",
         [&] {
             return module.UploadFirmwareBySerial(port, upload, totalSize, proceedSize,
                                                  progressGauge, label);
         },
         "書き込み中です．．．", "        100,000"},
        {"download",
         [&] {
             return module.DownloadFirmwareBySerial(port, download, totalSize, proceedSize,
                                                    progressGauge, label);
         },
         "ファイルを作成中です．．．", "        131,072"},
        {"BIOS",
         [&] {
             return module.UpdateBiosBySerial(port, biosFile, totalSize, proceedSize, progressGauge,
                                              label);
         },
         "書き込み中です．．．", "        131,072"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartBootCode({}, loader);
        dialogs.Clear();
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(Run(c.run), orDone);
        EXPECT_TRUE(dialogs.Texts("exclamation").empty());
        EXPECT_TRUE(dialogs.Texts("error").empty());
        const Texts seen = Changes(label.Texts);
        ASSERT_GE(seen.size(), 4u);
        EXPECT_EQ(seen[seen.size() - 2], c.lastProgress);
        EXPECT_EQ(seen.back(), kFinished);
        EXPECT_EQ(SjisToUtf8(totalSize.Text()), c.total);
        EXPECT_EQ(progressGauge.Positions.back(), 100);
        EXPECT_EQ(module.WorkerFailed, 0);
        bootCode->WithProgram([&](TLoaderProgram* program) {
            auto* machine = dynamic_cast<TFirmwareLoaderMachine*>(program);
            ASSERT_NE(machine, nullptr);
            EXPECT_EQ(machine->Phase(), TFirmwareLoaderMachine::TPhase::Done);
            const std::string written(machine->Written().begin(), machine->Written().end());
            if (std::string(c.what) == "upload") {
                EXPECT_EQ(written, image);
            } else if (std::string(c.what) == "BIOS") {
                EXPECT_EQ(written, biosData);
            }
        });
    }
    std::string expected = image;
    expected.resize(131072, '\xFF');
    EXPECT_EQ(TempDir::Read(download), expected);
}

TEST_F(TSerialOperationsTest, CancelWhileTheAccessPointHasNotAnsweredEndsAsCancelled) {
    StartBootCode(TBootCodeConfig{"", TBootFault::Silence, -1});  // never switched on
    WriteLoader("orbaflwr.com", 100, 0);
    std::vector<bool> cancelable;
    module.OnHandshakeCancelable = [&](bool on) { cancelable.push_back(on); };
    // The user presses Cancel once the window offers it.
    SetProcessEventsHook([&] {
        if (!cancelable.empty() && cancelable.back()) module.CancelHandshake();
    });
    dialogs.Plan(TAnswer::Ok);
    const auto start = Clock::now();
    EXPECT_EQ(UploadFirmware(), orCancelled);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(cancelable, (std::vector<bool>{true, false}));
    EXPECT_EQ(label.Texts.back(), kCancelled);
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
    // The termination is no failure to report, and nothing but wake-up strings went out.
    EXPECT_TRUE(dialogs.Texts("error").empty());
    for (std::uint8_t byte : bootCode->Received())
        ASSERT_NE(std::string("DORBA").find(static_cast<char>(byte)), std::string::npos);
    // Once the access point answered and the loader goes out, the same call changes nothing.
    module.OnHandshakeCancelable = nullptr;
    SetProcessEventsHook([&] {
        if (!label.Texts.empty() && label.Texts.back() == kPreparing) module.CancelHandshake();
    });
    StartBootCode();
    dialogs.Clear();
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(UploadFirmware(), orError);  // no firmware loader behind this loader file
    EXPECT_TRUE(bootCode->LoaderComplete());
}

TEST_F(TSerialOperationsTest, LineDroppingMidImageFailsAndKeepsTheDestination) {
    loaders.Write("orbaflwr.com", SimulatedFirmwareLoaderFile());
    const std::string download = loaders.Write("backup.bin", "previous image");
    TFirmwareLoaderConfig loader;
    loader.Fault = TLoaderFault::DropLine;
    loader.FaultAt = 40000;
    StartBootCode({}, loader);
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Run([&] {
                  return module.DownloadFirmwareBySerial(port, download, totalSize, proceedSize,
                                                         progressGauge, label);
              }),
              orError);
    EXPECT_EQ(dialogs.Texts("exclamation"), Texts{"シリアルポート通信エラーが発生しました"});
    EXPECT_EQ(label.Texts.back(), kError);
    EXPECT_EQ(TempDir::Read(download), "previous image");
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(loaders.Path("")))
        entries += entry.path().filename().string()[0] == '.' ? 100 : 1;
    EXPECT_EQ(entries, 2u);  // the loader and the destination, no hidden temporary file
}

}  // namespace
