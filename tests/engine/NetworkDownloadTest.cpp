// The firmware download over the network, against the simulated access point: the download
// request, the image stored exactly as it arrived until the access point closes the
// connection, the percentage against the assumed 4 MiB, and the failures.
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "CountFormat.h"
#include "NetworkTestSupport.h"

namespace {

using TNetworkDownload = TNetworkTest;
using TAnswer = TDialogs::Answer;

constexpr std::int64_t kAssumedSize = 4194304;

TEST_F(TNetworkDownload, StoresTheImageExactlyAsSent) {
    TApSimulator& simulator = StartSimulator(
        "127.0.8.1", [](TApSimOptions& options) { options.ImageSize = kAssumedSize; });
    // The file name is the file system's bytes, passed on unchanged.
    const std::string file = dir.Write("ダウンロード 像.bin", std::string(5000000, 'x'));
    dialogs.Plan(TAnswer::Ok);

    ASSERT_EQ(Download("127.0.8.1", file), orDone);

    EXPECT_EQ(dialogs.Texts("okcancel"),
              std::vector<std::string>{"ファームウェアをダウンロードします"});
    std::vector<TApSimRequest> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method, "GET");
    EXPECT_EQ(requests[0].Path, "/downfirm.cgi");
    EXPECT_TRUE(requests[0].Body.empty());
    EXPECT_TRUE(requests[0].Authorized);
    std::vector<TApSimStream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_TRUE(streams[0].Complete);
    // Only the image remains: the temporary file became the destination.
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"ダウンロード 像.bin"});
    const std::string stored = TempDir::Read(file);
    EXPECT_EQ(stored.size(), static_cast<std::size_t>(kAssumedSize));
    EXPECT_EQ(Sha256Hex(stored), Sha256Hex(simulator.Report().Streams()[0].Data));

    EXPECT_EQ(totalSize.Text(), FormatCount(4194304));
    EXPECT_EQ(proceedSize.Text(), FormatCount(4194304));
    EXPECT_EQ(progress.values.front(), 0);
    EXPECT_EQ(progress.values.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.values.begin(), progress.values.end()));
    EXPECT_EQ(Label(), "終了しました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
}

TEST_F(TNetworkDownload, ThePercentageIsTakenAgainstFourMebibytes) {
    struct TCase {
        const char* address;
        std::int64_t size;
        int lastPercent;
    };
    const TCase cases[] = {
        {"127.0.8.2", 100000, 2},                 // 2.38 %
        {"127.0.8.3", kAssumedSize + 5000, 100},  // beyond the assumption: the gauge stops at 100
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.address);
        StartSimulator(c.address, [&c](TApSimOptions& options) { options.ImageSize = c.size; });
        progress.values.clear();
        dialogs.Plan(TAnswer::Ok);
        const std::string file = dir.Path(std::string(c.address) + ".bin");
        ASSERT_EQ(Download(c.address, file), orDone);
        EXPECT_EQ(TempDir::Read(file).size(), static_cast<std::size_t>(c.size));
        EXPECT_EQ(totalSize.Text(), FormatCount(4194304));
        EXPECT_EQ(proceedSize.Text(), FormatCount(static_cast<double>(c.size)));
        ASSERT_FALSE(progress.values.empty());
        EXPECT_EQ(progress.values.back(), c.lastPercent);
        EXPECT_LE(*std::max_element(progress.values.begin(), progress.values.end()), 100);
        FinishHttpRequest();
    }
}

// The stream carries no size, so only the firmware check tells a cut image: an empty one, or a
// raw image (55 AA) that is not 2 MiB, ends as an error and replaces nothing. A whole raw image
// and a file of another kind of any size are taken.
TEST_F(TNetworkDownload, AnImageTheFirmwareCheckRefusesReplacesNothing) {
    std::string raw = NetworkPattern(2097152);
    raw[0] = '\x55';
    raw[1] = '\xAA';
    TempDir images;
    const std::string rawFile = images.Write("raw.bin", raw);
    struct TCase {
        const char* name;
        std::int64_t closeAfter;
        int result;
        const char* cause;
    };
    const TCase cases[] = {
        {"nothing at all", 0, orError, "sent no image"},
        {"a raw image cut short", 1000000, orError, "after 1000000 bytes"},
        {"a whole raw image", -1, orDone, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartSimulator("127.0.8.4", [&](TApSimOptions& options) {
            options.ImageFile = rawFile;
            options.Faults.CloseEarly = c.closeAfter;
        });
        const std::string file = dir.Write("out.bin", "old content");
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(Download("127.0.8.4", file), c.result);
        EXPECT_NE(module.LastFailureCause.find(c.cause), std::string::npos) << module.LastFailureCause;
        EXPECT_TRUE(TempDir::Read(file) == (c.result == orDone ? raw : "old content"));
        EXPECT_EQ(FolderContents(), std::vector<std::string>{"out.bin"});
    }
}

TEST_F(TNetworkDownload, ARefusedConnectionLeavesTheFileAlone) {
    StartSimulator("127.0.8.5", [](TApSimOptions& options) { options.Faults.Refuse = true; });
    const std::string file = dir.Write("out.bin", "keep me");
    dialogs.Plan(TAnswer::Ok);
    EXPECT_EQ(Download("127.0.8.5", file), orError);
    EXPECT_EQ(TempDir::Read(file), "keep me");
    EXPECT_EQ(Label(), "エラーが発生しました");
    EXPECT_EQ(ScreenCursor(), TCursor::Default);
}

// Only a close is the end of the image. A reset cuts it short, an access point that goes silent
// part way ends it after the idle limit (with the window serviced meanwhile), and the disk can
// refuse the bytes: none of these passes for a download that is complete, and none touches the
// destination (an existing file stays as it was, a new one is not created) or leaves a
// temporary file behind.
TEST_F(TNetworkDownload, AFailedDownloadLeavesTheDestinationAsItWas) {
    const std::string sent = NetworkPattern(50000);
    struct TCase {
        const char* name;
        const char* address;
        std::function<void(int connection)> serve;
        long fileSizeLimit;  // RLIMIT_FSIZE while the download runs (0: none)
    };
    const TCase cases[] = {
        {"reset", "127.0.8.6",
         [&sent](int connection) {
             send(connection, sent.data(), sent.size(), MSG_NOSIGNAL);
             std::this_thread::sleep_for(std::chrono::milliseconds(300));
             linger reset{1, 0};
             setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
         },
         0},
        {"silent", "127.0.8.9",
         [&sent](int connection) {
             send(connection, sent.data(), sent.size(), MSG_NOSIGNAL);
             char byte;
             recv(connection, &byte, 1, 0);  // silent until the wizard gives up
         },
         0},
        {"disk full", "127.0.8.10",
         [&sent](int connection) {
             send(connection, sent.data(), sent.size(), MSG_NOSIGNAL);
             TStreamPeer::ReadAll(connection);
         },
         20000},
    };
    // The peers listen from the start: no pause is needed for an update request to arm them.
    module.KickPauseMs = 0;
    module.NetworkIdleLimitMs = 1000;
    // A write beyond the file size limit fails with EFBIG instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    for (const TCase& c : cases) {
        for (bool existing : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (existing ? ", existing file" : ", new file"));
            const std::string file = dir.Path("out.bin");
            if (existing) dir.Write("out.bin", "keep me");
            int result;
            const int passesBefore = processPasses;
            const auto started = std::chrono::steady_clock::now();
            {
                TStreamPeer peer(c.address, c.serve);
                rlimit previous{};
                getrlimit(RLIMIT_FSIZE, &previous);
                if (c.fileSizeLimit > 0) {
                    rlimit limit{static_cast<rlim_t>(c.fileSizeLimit), previous.rlim_max};
                    setrlimit(RLIMIT_FSIZE, &limit);
                }
                dialogs.Plan(TAnswer::Ok);
                result = Download(c.address, file);
                setrlimit(RLIMIT_FSIZE, &previous);
            }
            const auto elapsed = std::chrono::steady_clock::now() - started;
            EXPECT_EQ(result, orError);
            EXPECT_EQ(Label(), "エラーが発生しました");
            if (existing) {
                EXPECT_EQ(TempDir::Read(file), "keep me");
                EXPECT_EQ(FolderContents(), std::vector<std::string>{"out.bin"});
            } else {
                EXPECT_TRUE(FolderContents().empty());
            }
            if (std::string(c.name) == "silent") {
                EXPECT_GE(elapsed, std::chrono::milliseconds(1000));
                EXPECT_LT(elapsed, std::chrono::seconds(20));
                EXPECT_GE(processPasses - passesBefore, 10) << "a pass at least every 100 ms";
            }
            std::filesystem::remove(file);
        }
    }
    std::signal(SIGXFSZ, SIG_DFL);
}

// A destination that cannot be written, or is no regular file (a folder, a device node behind
// a link), fails before the access point is asked for anything, and the node is left alone.
TEST_F(TNetworkDownload, AFileThatCannotBeCreatedIsAnErrorBeforeTheRequest) {
    StartSimulator("127.0.8.7");
    dir.Write("plain", "a file, not a folder");
    std::filesystem::create_directory(dir.Path("folder.bin"));
    std::filesystem::create_symlink("/dev/null", dir.Path("null.bin"));
    for (const char* name : {"no such folder/out.bin", "plain/out.bin", "folder.bin", "null.bin"}) {
        SCOPED_TRACE(name);
        dialogs.Plan(TAnswer::Ok);
        EXPECT_EQ(Download("127.0.8.7", dir.Path(name)), orError);
        EXPECT_EQ(Label(), "エラーが発生しました");
        EXPECT_EQ(ScreenCursor(), TCursor::Default);
    }
    EXPECT_TRUE(module.KickFirmUpload.URL.empty()) << "no download request went out";
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("null.bin")));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

}  // namespace
