// The settings folder of a test program started by another (a child that records until it
// is killed): it lies inside its parent's, so it goes with the parent's however the child
// ends, and the temporary directory keeps nothing of a suite run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QSettings>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "support/SpawnSelf.h"

namespace {

constexpr const char* kChildEnv = "NOX_SETTINGS_CHILD";
constexpr const char* kSettingsParentVariable = "NOX_TEST_SETTINGS_PARENT";
constexpr int kReportFd = 3;

std::string SettingsFile()
{
    QSettings s;
    s.setValue("probe", 1);
    s.sync();
    return s.fileName().toStdString();
}

bool Inside(const std::string& path, const std::string& folder)
{
    return !folder.empty() && path.rfind(folder + "/", 0) == 0;
}

}  // namespace

// The child: writes a setting, says where it went and waits for the parent's signal.
TEST(TestProgramSettingsChild, ReportsItsSettingsAndWaits)
{
    if (!std::getenv(kChildEnv))
        GTEST_SKIP() << "runs only as the child of ASpawnedTestProgramKeepsItsSettingsInsideItsParentsFolder";
    const std::string line = SettingsFile() + "\n";
    ASSERT_EQ(::write(kReportFd, line.data(), line.size()), ssize_t(line.size()));
    for (;;) ::pause();
}

TEST(TestProgramSettings, ASpawnedTestProgramKeepsItsSettingsInsideItsParentsFolder)
{
    const char* own = std::getenv(kSettingsParentVariable);
    ASSERT_NE(own, nullptr);
    const std::string folder = own;
    EXPECT_TRUE(Inside(SettingsFile(), folder)) << SettingsFile();

    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, report[1], kReportFd);
    posix_spawn_file_actions_addclose(&actions, report[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = support::SpawnSelf("TestProgramSettingsChild.ReportsItsSettingsAndWaits",
                                           std::string(kChildEnv) + "=1", &actions, pid);
    posix_spawn_file_actions_destroy(&actions);
    ::close(report[1]);
    ASSERT_EQ(spawned, 0);
    std::string line;
    char c = 0;
    pollfd p{report[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0 && ::read(report[0], &c, 1) == 1) line += c;
    ::close(report[0]);
    // Killed, as a recording child is: it removes nothing, and its folder is one the
    // parent's removal takes with it.
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    ASSERT_FALSE(line.empty());
    line.pop_back();
    EXPECT_EQ(line.rfind(folder + "/child-", 0), 0u) << line << " is not inside " << folder;
    EXPECT_TRUE(QDir(QString::fromStdString(line.substr(0, line.rfind('/')))).exists());
}
