// A run over several access points end to end: the real tivra-cli program against several
// simulated access points on their own loopback addresses, one of them failing. What each
// access point received, the final table, the exit status and the files left are checked.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>

#include "AddressList.h"
#include "ApSimForTest.h"
#include "CliRun.h"
#include "TempDir.h"

namespace {

std::string Image(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 9) + 3);
    return bytes;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The table row of address: its result word and cause, as printed.
std::string Row(const std::string& out, const std::string& address) {
    std::smatch match;
    if (!std::regex_search(out, match, std::regex("\n" + address + " +([^\n]*)"))) return "";
    return match[1];
}

class CliSeveral : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NO_PROXY", "*", 1);
        setenv("no_proxy", "*", 1);
    }
    void TearDown() override {
        for (auto& simulator : simulators_) simulator->Stop();
    }
    // Simulators on 127.0.21.11, .12, .13...; the one at failing (index) refuses its stream,
    // or plays the fault given.
    std::vector<std::string> Start(int count, int failing,
                                   std::function<void(TApSimOptions&)> fault = nullptr) {
        if (!fault) fault = [](TApSimOptions& options) { options.Faults.Refuse = true; };
        std::vector<std::string> addresses;
        for (int i = 0; i < count; ++i) {
            addresses.push_back("127.0.21." + std::to_string(11 + i));
            simulators_.push_back(StartedApSim(addresses.back(), i == failing ? fault : nullptr));
        }
        return addresses;
    }
    static std::vector<std::string> Command(const std::string& command,
                                            const std::vector<std::string>& addresses,
                                            std::vector<std::string> more,
                                            const std::string& pauseMs = "100") {
        std::vector<std::string> words = {command,      "--pause-ms", pauseMs,
                                          "--password", "pw",         "--yes"};
        for (const std::string& address : addresses)
            words.insert(words.end(), {"--address", address});
        words.insert(words.end(), more.begin(), more.end());
        return words;
    }

    TempDir dir;
    std::vector<std::unique_ptr<TApSimulator>> simulators_;
};

TEST(CliSeveralParts, AddressListSkipsCommentsAndNamesABadLine) {
    struct Case {
        std::string text;
        std::vector<std::string> addresses;
        std::string refusal;  // part of the usage error, empty when accepted
    };
    const Case cases[] = {
        {"# shop floor\n\n 192.168.0.11  # first\r\n010.0.0.012\n\t\n",
         {"192.168.0.11", "10.0.0.12"},
         ""},
        {"192.168.0.11", {"192.168.0.11"}, ""},
        {"192.168.0.11\n# fine\n192.168.0\n", {}, "list.txt line 3: \"192.168.0\""},
        {"192.168.0.256\n", {}, "line 1: \"192.168.0.256\""},
        {"192.168.0.1 192.168.0.2\n", {}, "line 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            EXPECT_EQ(ParseAddressList(c.text, "list.txt"), c.addresses);
            EXPECT_TRUE(c.refusal.empty());
        } catch (const ECliUsage& usage) {
            EXPECT_NE(std::string(usage.what()).find(c.refusal), std::string::npos) << usage.what();
            EXPECT_FALSE(c.refusal.empty()) << usage.what();
        }
    }
}

TEST_F(CliSeveral, UploadEndsWithTheTableAndFailsWhenOneAccessPointFailed) {
    const std::string image = Image(20000);
    const std::string file = dir.Write("fw.bin", image);
    const std::vector<std::string> addresses = Start(3, 1);
    struct Case {
        std::vector<std::string> more;
        bool json;
    };
    const Case cases[] = {{{"--parallel", "2"}, false}, {{"--parallel", "3", "--json"}, true}};
    for (const Case& c : cases) {
        std::vector<std::string> more = c.more;
        more.insert(more.end(), {"--file", file});
        TCliOutcome outcome = RunTivraCli(Command("upload", addresses, more));
        EXPECT_EQ(outcome.status, 1) << outcome.err;
        // One question for the whole run, however many access points.
        if (c.json) {
            EXPECT_EQ(Count(outcome.out, "\"event\":\"question\""), 1u) << outcome.out;
            // Every event of an access point carries its address.
            for (const char* event : {"phase", "progress", "result"}) {
                const std::string tag = std::string("{\"event\":\"") + event + "\"";
                EXPECT_EQ(Count(outcome.out, tag),
                          Count(outcome.out, tag + ",\"address\":\"127.0.21."))
                    << event;
            }
            EXPECT_NE(outcome.out.find(
                          "{\"event\":\"run\",\"status\":1,\"access_points\":[{\"address\":"
                          "\"127.0.21.11\",\"result\":\"done\",\"status\":0,\"bytes\":20000"),
                      std::string::npos)
                << outcome.out;
            EXPECT_NE(outcome.out.find("\"result\":\"failed\",\"status\":1,\"bytes\":0,"),
                      std::string::npos);
        } else {
            EXPECT_EQ(Row(outcome.out, "127.0.21.11").rfind("done         20,000", 0), 0u)
                << outcome.out;
            EXPECT_EQ(Row(outcome.out, "127.0.21.13").rfind("done         20,000", 0), 0u)
                << outcome.out;
            // The failure's cause as the single run's error line gives it.
            EXPECT_NE(Row(outcome.out, "127.0.21.12").find("failed       0 "), std::string::npos);
            EXPECT_NE(Row(outcome.out, "127.0.21.12")
                          .find("port 8765 of 127.0.21.12: Connection refused"),
                      std::string::npos)
                << outcome.out;
            // Every line of the progress is marked with its access point.
            EXPECT_EQ(Count(outcome.err, "書き込み中です．．． 100% 20,000 / 20,000 bytes\n"), 2u);
            EXPECT_EQ(Count(outcome.err, "書き込み中"),
                      Count(outcome.err, "127.0.21.11: 書き込み中") +
                          Count(outcome.err, "127.0.21.13: 書き込み中"))
                << outcome.err;
        }
    }
    for (int i : {0, 2}) {
        ASSERT_TRUE(simulators_[i]->Report().WaitForStreams(2, 5000));
        for (const TApSimStream& stream : simulators_[i]->Report().Streams()) {
            EXPECT_TRUE(stream.Complete && stream.Data == image);
        }
    }
}

TEST_F(CliSeveral, StopOnFailureStartsNoFurtherAccessPoint) {
    const std::string file = dir.Write("fw.bin", Image(4096));
    // A refused login: the reply reaches the access point's own thread within the pause.
    const std::vector<std::string> addresses =
        Start(3, 0, [](TApSimOptions& options) { options.Password = "other"; });
    TCliOutcome outcome = RunTivraCli(Command(
        "upload", addresses, {"--file", file, "--parallel", "1", "--stop-on-failure"}, "1500"));
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_EQ(Row(outcome.out, "127.0.21.11").rfind("failed", 0), 0u) << outcome.out;
    EXPECT_NE(Row(outcome.out, "127.0.21.11").find("refused the user name or password"),
              std::string::npos);
    for (int i : {1, 2}) {
        EXPECT_EQ(Row(outcome.out, addresses[static_cast<std::size_t>(i)]), "not started");
        EXPECT_TRUE(simulators_[static_cast<std::size_t>(i)]->Report().Requests().empty());
    }
}

TEST_F(CliSeveral, DownloadNamesEachFileByItsAddressInTheFolder) {
    const std::vector<std::string> addresses = Start(3, 2);
    const std::string folder = dir.Path("images");
    std::filesystem::create_directory(folder);
    const std::string list =
        dir.Write("aps.txt", "# the row\n127.0.21.11\n\n127.0.21.12 # second\n");
    TCliOutcome outcome = RunTivraCli(Command(
        "download", {addresses[2]}, {"--addresses", list, "--file", folder, "--parallel", "2"}));
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"127.0.21.11.bin", "127.0.21.12.bin"}));
    EXPECT_EQ(std::filesystem::file_size(folder + "/127.0.21.11.bin"), 65536u);
    // A file for --file, a bad line of the list, no access point at a time: refused before any
    // access point is asked.
    const std::string bad = dir.Write("bad.txt", "127.0.21.11\n127.0.21\n");
    for (const std::vector<std::string>& more :
         {std::vector<std::string>{"--file", dir.Write("plain.bin", "x")},
          std::vector<std::string>{"--addresses", bad, "--file", folder},
          std::vector<std::string>{"--parallel", "0", "--file", folder}}) {
        TCliOutcome refused = RunTivraCli(Command("download", addresses, more));
        EXPECT_EQ(refused.status, 64) << refused.err;
    }
    EXPECT_NE(RunTivraCli(Command("download", {}, {"--addresses", bad, "--file", folder}))
                  .err.find("bad.txt line 2: \"127.0.21\""),
              std::string::npos);
    EXPECT_EQ(simulators_[0]->Report().Requests().size(), 1u);
}

TEST_F(CliSeveral, CtrlCCancelsTheRunningAndStartsNoMore) {
    const std::vector<std::string> addresses = Start(3, -1);
    const std::string folder = dir.Path("images");
    std::filesystem::create_directory(folder);
    bool signalled = false;
    TCliOutcome outcome =
        RunTivraCli({"download", "--address", addresses[0], "--address", addresses[1], "--address",
                     addresses[2], "--pause-ms", "15000", "--parallel", "2", "--password", "pw",
                     "--yes", "--file", folder},
                    {}, [&](pid_t pid, const std::string& err) {
                        if (!signalled && Count(err, "接続要求中") == 2) {
                            signalled = true;
                            kill(pid, SIGINT);
                        }
                    });
    ASSERT_TRUE(signalled) << outcome.err;
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_EQ(Row(outcome.out, addresses[0]).rfind("cancelled", 0), 0u) << outcome.out;
    EXPECT_EQ(Row(outcome.out, addresses[1]).rfind("cancelled", 0), 0u) << outcome.out;
    EXPECT_EQ(Row(outcome.out, addresses[2]), "not started");
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

}  // namespace
