// Tests of the tivra-apsim program itself: it announces the address to type, serves it, and
// writes its report on request (SIGUSR1) and when it is ended (SIGTERM).
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ApSimTestSupport.h"
#include "TempDir.h"

namespace {

// Waits (in short sleeps, at most ten seconds) until check() holds.
bool Eventually(const std::function<bool()>& check) {
    for (int i = 0; i < 500; ++i) {
        if (check()) return true;
        poll(nullptr, 0, 20);
    }
    return false;
}

TEST(ApSimProgramTest, AnnouncesServesAndReports) {
    TempDir dir;
    const std::string report = dir.Path("report.json");
    std::string program = std::string(TIVRA_BIN_DIR) + "/tivra-apsim";
    std::vector<std::string> arguments = {program, "--address", "127.0.5.40", "--password",
                                          "pw",    "--report",  report};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int output[2];
    ASSERT_EQ(pipe(output), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(output[1], STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(output[1]);
    std::string announced;
    pollfd entry{output[0], POLLIN, 0};
    char buffer[64];
    while (announced.find('\n') == std::string::npos && poll(&entry, 1, 10000) == 1) {
        ssize_t got = read(output[0], buffer, sizeof(buffer));
        if (got <= 0) break;
        announced.append(buffer, static_cast<std::size_t>(got));
    }
    close(output[0]);
    EXPECT_EQ(announced, "ready on 127.0.5.40\n");

    EXPECT_NE(Exchange("127.0.5.40", 80,
                       "GET /read_maf.cgi HTTP/1.0\r\nAuthorization: Basic cm9vdDpwdw==\r\n\r\n")
                  .find("MAFLIST 2\n"),
              std::string::npos);
    kill(pid, SIGUSR1);
    EXPECT_TRUE(Eventually(
        [&] { return TempDir::Read(report).find("/read_maf.cgi") != std::string::npos; }));

    std::remove(report.c_str());
    kill(pid, SIGTERM);
    int status = -1;
    EXPECT_TRUE(Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(TempDir::Read(report).find("\"status\": 200"), std::string::npos);
    if (!WIFEXITED(status)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

}  // namespace
