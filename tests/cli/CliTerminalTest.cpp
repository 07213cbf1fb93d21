// tivra-cli on a terminal (a pseudo-terminal here): the password is asked without echo, the
// question is answered by a key, and the progress is a bar redrawn in place.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "ApSimulator.h"
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

TEST(CliTerminal, AsksWithoutEchoAndDrawsABar) {
    setenv("NO_PROXY", "*", 1);
    TempDir dir;
    TApSimOptions options;
    options.Address = "127.0.13.60";
    options.Password = "secret";
    options.ImageSize = 300000;
    TApSimulator simulator(options);
    std::string error;
    ASSERT_TRUE(simulator.AddNetworkSides(error) && simulator.Start(error)) << error;

    const std::string target = dir.Path("backup.bin");
    std::string program = std::string(TIVRA_BIN_DIR) + "/tivra-cli";
    std::vector<std::string> words = {program,  "download", "--address",  "127.0.13.60",
                                      "--file", target,     "--pause-ms", "300"};
    int terminal = -1;
    pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("LC_ALL", "C.UTF-8", 1);
        unsetenv("TIVRA_PASSWORD");
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    std::string transcript;
    EXPECT_TRUE(ReadUntil(terminal, transcript, "パスワード: ")) << transcript;
    std::size_t typedAt = transcript.size();
    ASSERT_EQ(write(terminal, "secret\n", 7), 7);
    EXPECT_TRUE(ReadUntil(terminal, transcript, "[y: OK / n: キャンセル] ")) << transcript;
    EXPECT_EQ(transcript.find("secret", typedAt), std::string::npos) << "the password was echoed";
    ASSERT_EQ(write(terminal, "y\n", 2), 2);
    EXPECT_TRUE(ReadUntil(terminal, transcript, "完了しました")) << transcript;
    int status = -1;
    waitpid(pid, &status, 0);
    close(terminal);
    simulator.Stop();

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << transcript;
    EXPECT_NE(transcript.find("\r読み込み中です．．． ["), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("300,000 / 4,194,304 bytes"), std::string::npos) << transcript;
    EXPECT_EQ(TempDir::Read(target), GenerateApSimImage(300000));
    ASSERT_EQ(simulator.Report().Requests().size(), 1u);
    EXPECT_EQ(simulator.Report().Requests()[0].Header("Authorization"), "Basic cm9vdDpzZWNyZXQ=");
}

}  // namespace
