// The network commands end to end: the real tivra-cli program against the simulated access
// point (or a plain peer on port 8765 for a stalling transfer), each test on its own loopback
// address. What arrives at the access point is checked byte for byte; what is left on disk is
// checked file by file.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "ApSimForTest.h"
#include "ApSimulator.h"
#include "CliRun.h"
#include "StreamPeer.h"
#include "TempDir.h"

namespace {

// The receive buffer of the plain peers: small, so a stalled reader stops the sender soon.
constexpr int kSmallReceiveBuffer = 4096;

// The login the simulator asks for, as the Authorization header carries it.
constexpr char kRootPw[] = "Basic cm9vdDpwdw==";

// Bytes without 55 AA at the start (no raw image, so any size passes the file check) whose
// blocks all differ.
std::string Firmware(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 11 + (i >> 10) + 1);
    return bytes;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string FolderPath(const TempDir& folder) { return folder.Path("."); }

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class CliNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NO_PROXY", "*", 1);
        setenv("no_proxy", "*", 1);
    }
    void TearDown() override {
        if (simulator_) simulator_->Stop();
    }

    TApSimulator& StartSimulator(const std::string& address,
                                 const std::function<void(TApSimOptions&)>& adjust = nullptr) {
        simulator_ = StartedApSim(address, adjust);
        return *simulator_;
    }

    // A command line with the address, the short pause and the options given.
    static std::vector<std::string> Command(const std::string& command, const std::string& address,
                                            std::vector<std::string> more) {
        std::vector<std::string> words = {command, "--address", address, "--pause-ms", "300"};
        words.insert(words.end(), more.begin(), more.end());
        return words;
    }

    TempDir dir;
    std::unique_ptr<TApSimulator> simulator_;
};

TEST_F(CliNetwork, UploadSendsTheFileWithTheChosenSettingsAndPassword) {
    const std::string image = Firmware(70000);
    const std::string file = dir.Write("fw.bin", image);
    const std::string passwordFile = dir.Write("pw.txt", "pw\r\n");
    struct Case {
        std::vector<std::string> options;
        std::vector<std::pair<std::string, std::string>> env;
        std::string body;
    };
    const Case cases[] = {
        {{"--password-file", passwordFile, "--yes"}, {}, "KeepUserSetting=1&DoUpdate=1"},
        {{"--discard-settings", "--confirm-update"},
         {{"TIVRA_PASSWORD", "pw"}},
         "KeepUserSetting=0&DoUpdate=1"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string address = "127.0.13." + std::to_string(10 + n++);
        TApSimulator& simulator = StartSimulator(address);
        std::vector<std::string> options = c.options;
        options.insert(options.begin(), {"--file", file});
        TCliOutcome outcome = RunTivraCli(Command("upload", address, options), c.env);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_NE(outcome.out.find("アップロードが完了しました。"), std::string::npos);
        ASSERT_TRUE(simulator.Report().WaitForStreams(1, 5000));
        std::vector<TApSimRequest> requests = simulator.Report().Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].Path, "/firmware_update.cgi");
        EXPECT_EQ(requests[0].Body, c.body);
        EXPECT_EQ(requests[0].Header("Authorization"), kRootPw);
        std::vector<TApSimStream> streams = simulator.Report().Streams();
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_TRUE(streams[0].Complete);
        EXPECT_TRUE(streams[0].Data == image) << "received " << streams[0].Data.size();
        simulator.Stop();
    }
}

TEST_F(CliNetwork, PlainOutputHasOneLinePerPhaseAndPerTenth) {
    const std::string file = dir.Write("fw.bin", Firmware(65536));
    StartSimulator("127.0.13.20");
    TCliOutcome outcome = RunTivraCli(
        Command("upload", "127.0.13.20", {"--file", file, "--password", "pw", "--yes"}));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(Count(outcome.err, "接続要求中．．．\n"), 1u) << outcome.err;
    EXPECT_EQ(Count(outcome.err, "書き込み中です．．．\n"), 1u) << outcome.err;
    EXPECT_EQ(Count(outcome.err, "書き込み中です．．． "), 10u) << outcome.err;
    EXPECT_NE(outcome.err.find("書き込み中です．．． 100% 65,536 / 65,536 bytes\n"),
              std::string::npos);
    // The last status line is not repeated before the result that says it.
    EXPECT_EQ(Count(outcome.err, "終了しました\n"), 0u) << outcome.err;
    EXPECT_EQ(Count(outcome.out, "アップロードが完了しました"), 1u) << outcome.out;
}

TEST_F(CliNetwork, JsonWritesOneObjectPerEvent) {
    const std::string file = dir.Write("fw.bin", Firmware(8192));
    StartSimulator("127.0.13.21");
    TCliOutcome outcome = RunTivraCli(
        Command("upload", "127.0.13.21", {"--file", file, "--password", "pw", "--yes", "--json"}));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(outcome.err.empty()) << outcome.err;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = outcome.out.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(outcome.out.substr(start, end - start));
    }
    ASSERT_GE(lines.size(), 5u) << outcome.out;
    for (const std::string& line : lines) {
        EXPECT_TRUE(line.rfind("{\"event\":\"", 0) == 0 && line.back() == '}') << line;
    }
    EXPECT_EQ(lines[0].rfind("{\"event\":\"summary\",\"title\":\"ネットワーク経由で", 0), 0u);
    EXPECT_NE(lines[0].find("\"パスワード : **\",\"ファームウェアファイル : "), std::string::npos);
    EXPECT_EQ(lines[1],
              "{\"event\":\"question\",\"text\":\"ファームウェアを更新します\","
              "\"answer\":\"ok\",\"by\":\"flag\"}");
    EXPECT_NE(outcome.out.find("{\"event\":\"phase\",\"text\":\"書き込み中です．．．\","
                               "\"id\":\"writing\"}"),
              std::string::npos);
    EXPECT_NE(outcome.out.find("\"done\":8192,\"total\":8192,\"percent\":100,\"rate\":"),
              std::string::npos);
    EXPECT_EQ(outcome.out.find("\"percent\":100,\"rate\":0}"), std::string::npos)
        << "the rate of a transfer that moved bytes is not 0";
    EXPECT_EQ(lines.back().rfind("{\"event\":\"result\",\"status\":0,\"text\":\"アップロード", 0),
              0u)
        << lines.back();
}

// Every failure is said once, with its cause on the line after it and as the JSON result's
// "reason"; an address the access point's parser would read otherwise is refused first.
TEST_F(CliNetwork, EachFailureIsSaidOnceWithItsCause) {
    const std::string file = dir.Write("fw.bin", Firmware(2097152));
    struct Case {
        const char* name;
        std::string address;
        std::function<void(TApSimOptions&)> adjust;
        std::vector<std::string> options;
        int status;
        std::string cause;
    };
    const Case cases[] = {
        {"port 80 refuses", "127.0.13.80",
         [](TApSimOptions& o) {
             o.HttpPort = 8080;
             o.Faults.ListenAlways = true;
         },
         {"--password", "pw"}, 1,
         "the request to port 80 of 127.0.13.80 never reached the access point: Connection "
         "refused"},
        {"login refused", "127.0.13.81", nullptr, {"--password", "wrong"}, 1,
         "the access point refused the user name or password (401 Unauthorized)"},
        {"image cut by a reset", "127.0.13.82",
         [](TApSimOptions& o) {
             o.Faults.ResetAt = 1000000;
             o.Faults.ReceiveBuffer = 16384;
         },
         {"--password", "pw"}, 1, "of 2,097,152 bytes"},
        {"a part over 255", "127.0.13.256", nullptr, {"--password", "pw"}, 64,
         "is not an IPv4 address of four decimal parts from 0 to 255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartSimulator(c.status == 64 ? "127.0.13.83" : c.address, c.adjust);
        for (bool json : {false, true}) {
            std::vector<std::string> options = c.options;
            options.insert(options.end(), {"--file", file, "--yes"});
            if (json) options.push_back("--json");
            TCliOutcome outcome = RunTivraCli(Command("upload", c.address, options));
            EXPECT_EQ(outcome.status, c.status) << outcome.err;
            EXPECT_NE(outcome.err.find(c.cause), std::string::npos) << outcome.err;
            if (c.status != 1) continue;
            EXPECT_EQ(Count(outcome.err, "エラーが発生しました"), 1u) << outcome.err;
            EXPECT_EQ(Count(outcome.err, "tivra-cli: "), 1u) << outcome.err;
            if (json) {
                EXPECT_NE(outcome.out.find("{\"event\":\"result\",\"status\":1,\"text\":\"エラーが"
                                           "発生しました。設定及び接続を確認してください。\","
                                           "\"reason\":\""),
                          std::string::npos)
                    << outcome.out;
            }
        }
        simulator_->Stop();
    }
    // A padded address is decimal: 127.0.13.077 is 127.0.13.77, never the octal 63.
    TApSimulator& simulator = StartSimulator("127.0.13.77");
    TCliOutcome outcome = RunTivraCli(
        Command("upload", "127.0.13.077", {"--file", file, "--password", "pw", "--yes"}));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(simulator.Report().Requests().size(), 1u);
}

// A command that ends by an exception is a failure, never a success: verify cannot make its
// private folder when TMPDIR names a missing one.
TEST_F(CliNetwork, ACommandEndedByAnExceptionExitsWithAnError) {
    const std::string file = dir.Write("fw.bin", Firmware(4096));
    TCliOutcome outcome = RunTivraCli(
        Command("verify", "127.0.13.86", {"--file", file, "--password", "pw", "--yes"}),
        {{"TMPDIR", dir.Path("missing")}});
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("No such file or directory"), std::string::npos) << outcome.err;
}

// Ctrl-C during the fixed pause after the request is seen at once: a download ends as
// cancelled, an upload (the access point is armed) says at once that it goes on.
TEST_F(CliNetwork, CtrlCDuringThePauseIsSeenAtOnce) {
    StartSimulator("127.0.13.85");
    const std::string file = dir.Write("fw.bin", Firmware(4096));
    for (const char* command : {"download", "upload"}) {
        SCOPED_TRACE(command);
        const std::string target = std::string(command) == "download" ? dir.Path("new.bin") : file;
        std::chrono::steady_clock::time_point signalled{}, answered{};
        TCliOutcome outcome = RunTivraCli(
            {command, "--address", "127.0.13.85", "--pause-ms", "5000", "--file", target,
             "--password", "pw", "--yes"},
            {}, [&](pid_t pid, const std::string& err) {
                if (signalled == std::chrono::steady_clock::time_point{} &&
                    err.find("接続要求中．．．") != std::string::npos) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                    signalled = std::chrono::steady_clock::now();
                    kill(pid, SIGINT);
                }
                if (answered == std::chrono::steady_clock::time_point{} &&
                    (err.find("キャンセルしました") != std::string::npos ||
                     err.find("runs to its end") != std::string::npos)) {
                    answered = std::chrono::steady_clock::now();
                }
            });
        ASSERT_NE(answered, std::chrono::steady_clock::time_point{}) << outcome.err;
        EXPECT_LT(answered - signalled, std::chrono::milliseconds(2500)) << "seen only at the pause's end";
        EXPECT_EQ(outcome.status, std::string(command) == "download" ? 2 : 0) << outcome.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("new.bin")));
}

TEST_F(CliNetwork, DownloadReplacesTheFileOnlyWhenTheWholeImageArrived) {
    struct Case {
        std::string address;
        std::vector<std::string> options;
        bool refuse;  // port 8765 refuses the connection
        int status;
        bool replaced;
        std::size_t requests;
    };
    const Case cases[] = {
        {"127.0.13.30", {"--yes", "--overwrite"}, false, 0, true, 1},
        {"127.0.13.31", {"--yes", "--overwrite"}, true, 1, false, 1},
        // The overwrite question cannot be asked without a terminal: answered No, nothing sent.
        {"127.0.13.32", {"--confirm-download"}, false, 2, false, 0},
    };
    for (const Case& c : cases) {
        TempDir folder;
        const std::string target = folder.Write("backup.bin", "the old image");
        TApSimulator& simulator = StartSimulator(c.address, [&](TApSimOptions& options) {
            options.ImageSize = 100000;
            options.Faults.Refuse = c.refuse;
        });
        std::vector<std::string> options = {"--file", target, "--password", "pw"};
        options.insert(options.end(), c.options.begin(), c.options.end());
        TCliOutcome outcome = RunTivraCli(Command("download", c.address, options));
        EXPECT_EQ(outcome.status, c.status) << c.address << "\n" << outcome.err;
        EXPECT_EQ(TempDir::Read(target),
                  c.replaced ? GenerateApSimImage(100000) : std::string("the old image"))
            << c.address;
        EXPECT_EQ(FilesIn(FolderPath(folder)), std::vector<std::string>{"backup.bin"}) << c.address;
        EXPECT_EQ(simulator.Report().Requests().size(), c.requests) << c.address;
        if (c.status == 1) {
            // Said once, with the cause on the line after it.
            EXPECT_EQ(Count(outcome.err, "エラーが発生しました"), 1u) << outcome.err;
            EXPECT_NE(outcome.err.find("エラーが発生しました。設定及び接続を確認してください。\n"
                                       "tivra-cli: port 8765 of " +
                                       c.address + ": Connection refused\n"),
                      std::string::npos)
                << outcome.err;
        }
        simulator.Stop();
    }
    // A destination that is a symbolic link: the file it names is replaced, the link stays.
    TempDir folder;
    const std::string real = folder.Write("real.bin", "the old image");
    ASSERT_EQ(symlink(real.c_str(), folder.Path("link.bin").c_str()), 0);
    StartSimulator("127.0.13.33", [](TApSimOptions& options) { options.ImageSize = 5000; });
    TCliOutcome outcome = RunTivraCli(
        Command("download", "127.0.13.33",
                {"--file", folder.Path("link.bin"), "--password", "pw", "--yes", "--overwrite"}));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("link.bin")));
    EXPECT_EQ(TempDir::Read(real), GenerateApSimImage(5000));
    EXPECT_EQ(FilesIn(FolderPath(folder)), (std::vector<std::string>{"link.bin", "real.bin"}));
}

TEST_F(CliNetwork, VerifyFindsTheFirstDifferingByteAndWritesOnlyItsReport) {
    const std::string image = GenerateApSimImage(150000);
    std::string changed = image;
    changed[123456] = static_cast<char>(changed[123456] ^ 0x01);
    struct Case {
        std::string content;
        int status;
        std::string result;
    };
    const Case cases[] = {
        {image, 0, "result: identical\n"},
        {changed, 1, "result: different from offset 0x1E240 (123456)"},
        {image.substr(0, 65536), 1, "result: different from offset 0x10000 (65536): file (end)"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string address = "127.0.13." + std::to_string(40 + n++);
        TempDir folder, scratch;
        const std::string file = folder.Write("fw.bin", c.content);
        const std::string report = folder.Path("report.txt");
        StartSimulator(address, [](TApSimOptions& options) { options.ImageSize = 150000; });
        TCliOutcome outcome =
            RunTivraCli(Command("verify", address,
                                {"--file", file, "--password", "pw", "--yes", "--report", report}),
                        {{"TMPDIR", FolderPath(scratch)}});
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        EXPECT_NE(TempDir::Read(report).find(c.result), std::string::npos) << TempDir::Read(report);
        EXPECT_NE(outcome.out.find(c.result), std::string::npos) << outcome.out;
        EXPECT_EQ(FilesIn(FolderPath(folder)), (std::vector<std::string>{"fw.bin", "report.txt"}));
        EXPECT_TRUE(FilesIn(FolderPath(scratch)).empty());
        simulator_->Stop();
    }
}

TEST_F(CliNetwork, CtrlCStopsADownloadButNotAnUpdateUnderWay) {
    // A download that stalls after a few bytes: Ctrl-C ends it as cancelled, and neither the
    // destination nor a part of the image is changed or left.
    {
        const std::string target = dir.Write("backup.bin", "the old image");
        TStreamPeer peer(
            "127.0.13.50",
            [](int connection) {
                std::string part(5000, 'x');
                send(connection, part.data(), part.size(), MSG_NOSIGNAL);
                TStreamPeer::ReadAll(connection);  // until the program closes the connection
            },
            kSmallReceiveBuffer);
        bool sent = false;
        TCliOutcome outcome =
            RunTivraCli(Command("download", "127.0.13.50",
                                {"--file", target, "--password", "pw", "--yes", "--overwrite"}),
                        {}, [&](pid_t pid, const std::string& err) {
                            if (!sent && err.find("読み込み中です．．．") != std::string::npos) {
                                kill(pid, SIGINT);
                                sent = true;
                            }
                        });
        EXPECT_EQ(outcome.status, 2) << outcome.err;
        EXPECT_NE(outcome.err.find("キャンセルしました"), std::string::npos);
        EXPECT_EQ(TempDir::Read(target), "the old image");
        EXPECT_EQ(FilesIn(FolderPath(dir)), std::vector<std::string>{"backup.bin"});
    }
    // An update that has begun runs to its end and says so.
    {
        const std::string image = Firmware(65536);
        const std::string file = dir.Write("fw.bin", image);
        std::string received;
        {
            TStreamPeer peer(
                "127.0.13.51", [&](int connection) { received = TStreamPeer::ReadAll(connection); },
                kSmallReceiveBuffer);
            bool sent = false;
            TCliOutcome outcome = RunTivraCli(
                Command("upload", "127.0.13.51", {"--file", file, "--password", "pw", "--yes"}), {},
                [&](pid_t pid, const std::string& err) {
                    if (!sent && err.find("接続要求中．．．") != std::string::npos) {
                        kill(pid, SIGINT);
                        sent = true;
                    }
                });
            EXPECT_EQ(outcome.status, 0) << outcome.err;
            EXPECT_NE(outcome.err.find("the firmware update has begun and runs to its end"),
                      std::string::npos)
                << outcome.err;
        }
        EXPECT_TRUE(received == image) << "received " << received.size();
    }
}

TEST_F(CliNetwork, FilterListGoesThroughAFileItsCheckAndBack) {
    TApSimulator& simulator = StartSimulator("127.0.13.70");
    auto filter = [&](const std::string& command, std::vector<std::string> more) {
        more.insert(more.begin(), {command, "--address", "127.0.13.70", "--password", "pw"});
        return RunTivraCli(more, {{"LC_ALL", "C.UTF-8"}});
    };
    // Fetched into a file (".mft" appended); an existing file is replaced only on request.
    TCliOutcome outcome = filter("filter-get", {"--file", dir.Path("unit")});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    const std::string fetched = TempDir::Read(dir.Path("unit.mft"));
    EXPECT_EQ(fetched, "00A0C9-12AB34 \x8E\x96\x96\xB1\x8F\x8APC\r\n001122-334455 printer\r\n");
    EXPECT_EQ(filter("filter-get", {"--file", dir.Path("unit.mft")}).status, 2);
    EXPECT_EQ(filter("filter-get", {"--file", dir.Path("unit.mft"), "--overwrite"}).status, 0);

    // A file with a bad and a duplicate line: the check fails without any network, and the
    // answer to the question decides whether the write-back skips them or stops.
    const std::string edited =
        dir.Write("edited.mft", fetched +
                                    "# comment\r\nnot-an-address\r\n001122-334455 again\r\n"
                                    "0000F4-A1B2C3 lab\r\n");
    EXPECT_EQ(RunTivraCli({"filter-check", "--file", dir.Path("unit.mft")}).status, 0);
    EXPECT_EQ(RunTivraCli({"filter-check", "--file", edited, "--bad-lines", "ignore"}).status, 1);
    outcome = filter("filter-put", {"--file", edited, "--bad-lines", "no", "--yes"});
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_TRUE(simulator.Report().Streams().empty());
    outcome = filter("filter-put",
                     {"--file", edited, "--bad-lines", "yes", "--yes", "--pause-ms", "300"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    ASSERT_TRUE(simulator.Report().WaitForStreams(1, 5000));
    const std::vector<TApSimStream> streams = simulator.Report().Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].Kind, "filter list");
    EXPECT_TRUE(streams[0].Complete);
    const std::vector<std::string> expected = {TApSimFilterList::SampleLines()[0],
                                               TApSimFilterList::SampleLines()[1],
                                               "00:00:F4:A1:B2:C3 lab"};
    EXPECT_EQ(simulator.FilterList().Lines(), expected);
}

}  // namespace
