// tivra-cli on a terminal (a pseudo-terminal here): the password is asked without echo, the
// question is answered by a key (Ctrl-C and "n" cancel), and the progress is a bar redrawn in
// place.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "ApSimulator.h"
#include "CliRun.h"
#include "TempDir.h"

namespace {

// Reads from the terminal until text has appeared (or ten seconds have passed).
bool ReadUntil(int terminal, std::string& transcript, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (transcript.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        pollfd entry{terminal, POLLIN, 0};
        if (poll(&entry, 1, 100) != 1) continue;
        char buffer[4096];
        ssize_t got = read(terminal, buffer, sizeof(buffer));
        if (got <= 0) return false;
        transcript.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

// Runs tivra-cli download on a new pseudo-terminal; returns the terminal's side.
pid_t StartOnTerminal(const std::vector<std::string>& arguments, int& terminal) {
    pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        setenv("LC_ALL", "C.UTF-8", 1);
        unsetenv("TIVRA_PASSWORD");
        ExecTivraCli(arguments);
    }
    return pid;
}

TEST(CliTerminal, AsksWithoutEchoTakesKeysAndDrawsABar) {
    setenv("NO_PROXY", "*", 1);
    TApSimOptions options;
    options.Address = "127.0.13.60";
    options.Password = "secret";
    options.ImageSize = 300000;
    TApSimulator simulator(options);
    std::string error;
    ASSERT_TRUE(simulator.AddNetworkSides(error) && simulator.Start(error)) << error;

    // The question answered with a key, with Ctrl-C (the terminal's interrupt character), and
    // refused.
    struct Case {
        std::string keys;
        int status;
        std::string last;  // the last text to wait for
    };
    const Case cases[] = {
        {"y\n", 0, "完了しました"},
        {"\x03", 2, "キャンセルしました"},
        {"n\n", 2, "キャンセルしました"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string target = dir.Path("backup.bin");
        int terminal = -1;
        pid_t pid = StartOnTerminal(
            {"download", "--address", "127.0.13.60", "--file", target, "--pause-ms", "300"},
            terminal);
        ASSERT_GE(pid, 0);
        std::string transcript;
        EXPECT_TRUE(ReadUntil(terminal, transcript, "パスワード: ")) << transcript;
        std::size_t typedAt = transcript.size();
        ASSERT_EQ(write(terminal, "secret\n", 7), 7);
        EXPECT_TRUE(ReadUntil(terminal, transcript, "[y: OK / n: キャンセル] ")) << transcript;
        EXPECT_EQ(transcript.find("secret", typedAt), std::string::npos) << "echoed";
        ASSERT_EQ(write(terminal, c.keys.data(), c.keys.size()),
                  static_cast<ssize_t>(c.keys.size()));
        EXPECT_TRUE(ReadUntil(terminal, transcript, c.last)) << transcript;
        int status = -1;
        for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; ++i) poll(nullptr, 0, 20);
        if (!WIFEXITED(status)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        close(terminal);

        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.status) << transcript;
        if (c.status == 0) {
            EXPECT_NE(transcript.find("\r読み込み中です．．． ["), std::string::npos) << transcript;
            EXPECT_NE(transcript.find("300,000 / 4,194,304 bytes"), std::string::npos);
            EXPECT_EQ(TempDir::Read(target), GenerateApSimImage(300000));
        } else {
            EXPECT_FALSE(std::filesystem::exists(target));
            EXPECT_TRUE(std::filesystem::is_empty(dir.Path(".")));
        }
    }
    simulator.Stop();
    // Only the answered question reached the access point, with the typed password.
    ASSERT_EQ(simulator.Report().Requests().size(), 1u);
    EXPECT_EQ(simulator.Report().Requests()[0].Header("Authorization"), "Basic cm9vdDpzZWNyZXQ=");
}

}  // namespace
