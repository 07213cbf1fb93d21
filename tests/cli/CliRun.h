// Runs the real tivra-cli program for a test: arguments, extra environment variables, bounded
// in time (killed after twenty seconds), with its standard output, standard error and exit
// status collected. A hook sees the child's process id while it runs (to send it a signal).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// In a forked child: replaces it by tivra-cli with `arguments`; exits 127 when that fails.
[[noreturn]] inline void ExecTivraCli(const std::vector<std::string>& arguments) {
    std::string program = std::string(TIVRA_BIN_DIR) + "/tivra-cli";
    std::vector<std::string> words = arguments;
    words.insert(words.begin(), program);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

struct TCliOutcome {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

inline TCliOutcome RunTivraCli(
    const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::string>>& env = {},
    const std::function<void(pid_t, const std::string& err)>& watch = nullptr) {
    int outPipe[2], errPipe[2];
    TCliOutcome outcome;
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return outcome;
    pid_t pid = fork();
    if (pid == 0) {
        int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        ExecTivraCli(arguments);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool outOpen = true, errOpen = true;
    while ((outOpen || errOpen) && std::chrono::steady_clock::now() < deadline) {
        pollfd entries[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0},
                             {errOpen ? errPipe[0] : -1, POLLIN, 0}};
        poll(entries, 2, 50);
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(entries[i].revents & (POLLIN | POLLHUP))) continue;
            ssize_t got = read(entries[i].fd, buffer, sizeof(buffer));
            if (got <= 0) {
                (i == 0 ? outOpen : errOpen) = false;
            } else {
                (i == 0 ? outcome.out : outcome.err).append(buffer, static_cast<std::size_t>(got));
            }
        }
        if (watch) watch(pid, outcome.err);
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    if (outOpen || errOpen) kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}
