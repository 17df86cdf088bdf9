#pragma once
// Runs another program to its end and takes what it writes to its standard output. Started
// with posix_spawn, which the sanitizers allow in a process with threads (a fork of such a
// process may start no threads under ThreadSanitizer, as a QProcess child would).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace support {

// The program's exit code; -1 when it could not be started, did not end within timeoutMs
// (it is killed then) or ended by a signal.
inline int RunProgram(const std::vector<std::string>& Args, int TimeoutMs, std::string& Output)
{
    Output.clear();
    if (Args.empty()) return -1;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> argv;
    for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (started != 0) {
        ::close(out[0]);
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool timedOut = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0) continue;  // nothing yet, or a signal came
        char buffer[4096];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the program closed its output
        Output.append(buffer, std::size_t(n));
    }
    ::close(out[0]);
    if (timedOut) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return !timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace support
