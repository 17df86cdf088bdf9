#pragma once
// Starts this test program again as a child process that runs one test, with one variable
// added to the environment (how the child learns its part). The caller sets up the child's
// file descriptors in Actions.
#include <spawn.h>

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

}  // namespace support
