#pragma once
// Starts this test program again as a child process that runs one test, with one variable
// added to the environment (how the child learns its part). The caller sets up the child's
// file descriptors in Actions, or has the child report on a pipe (SpawnSelfReporting).
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>

#include <QCoreApplication>
#include <string>
#include <vector>

extern char** environ;

namespace support {

// Returns posix_spawn's result; Pid is the child's on success.
inline int SpawnSelf(const std::string& Test, const std::string& EnvEntry, const posix_spawn_file_actions_t* Actions,
                     pid_t& Pid)
{
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    std::string filter = "--gtest_filter=" + Test;
    char* argv[] = {const_cast<char*>(self.c_str()), filter.data(), nullptr};
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
    envStrings.push_back(EnvEntry);
    std::vector<char*> env;
    for (std::string& e : envStrings) env.push_back(e.data());
    env.push_back(nullptr);
    return posix_spawn(&Pid, self.c_str(), Actions, nullptr, argv, env.data());
}

// The descriptor on which a child started by SpawnSelfReporting writes its reports.
inline constexpr int kChildReportFd = 3;

// The descriptor on which a child started with a go pipe reads the parent's word to go on.
inline constexpr int kChildGoFd = 4;

// Starts the child as SpawnSelf does, its descriptor kChildReportFd writing into a pipe and
// its standard output going to the file `Output` (and its standard error to `ErrorOutput`,
// when one is given). With `GoWriter`, the child's kChildGoFd reads from a second pipe whose
// writing end is returned there. Returns the report pipe's reading end, or -1 when no child
// was started.
inline int SpawnSelfReporting(const std::string& Test, const std::string& EnvEntry, pid_t& Pid,
                              const std::string& Output = "/dev/null", const std::string& ErrorOutput = {},
                              int* GoWriter = nullptr)
{
    int fds[2], go[2] = {-1, -1};
    if (::pipe(fds) != 0) return -1;
    if (GoWriter && ::pipe(go) != 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], kChildReportFd);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    if (GoWriter) {
        posix_spawn_file_actions_adddup2(&actions, go[0], kChildGoFd);
        posix_spawn_file_actions_addclose(&actions, go[1]);
    }
    posix_spawn_file_actions_addopen(&actions, 1, Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!ErrorOutput.empty())
        posix_spawn_file_actions_addopen(&actions, 2, ErrorOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int spawned = SpawnSelf(Test, EnvEntry, &actions, Pid);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (GoWriter) ::close(go[0]);
    if (spawned == 0) {
        if (GoWriter) *GoWriter = go[1];
        return fds[0];
    }
    ::close(fds[0]);
    if (GoWriter) ::close(go[1]);
    return -1;
}

// What the child reported on `Fd` up to its `Lines`-th line end, or up to ten seconds
// without a byte (or the pipe's end); the descriptor is closed then.
inline std::string ReadReport(int Fd, int Lines = 1)
{
    std::string out;
    char c = 0;
    pollfd p{Fd, POLLIN, 0};
    while (std::count(out.begin(), out.end(), '\n') < Lines && ::poll(&p, 1, 10000) > 0 && ::read(Fd, &c, 1) == 1)
        out += c;
    ::close(Fd);
    return out;
}

}  // namespace support
