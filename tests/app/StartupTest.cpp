#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/ProgramStartup.h"
#include "app/SingleInstanceLock.h"
#include "support/ScriptedDialogs.h"
#include "support/SpawnSelf.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { support::TestDialogs().Clear(); }
    void TearDown() override { support::TestDialogs().Clear(); }
};

}  // namespace

TEST_F(StartupTest, GermanOnlyForTheGermanSpeakingLocales)
{
    using startup::LanguageFromLocale;
    for (const char* german : {"de_DE", "de_CH.UTF-8", "de_AT@euro", "de_LU.ISO-8859-1", "de_LI.utf8"})
        EXPECT_EQ(LanguageFromLocale(german, nullptr, nullptr), 0) << german;
    for (const char* english : {"en_US.UTF-8", "de_BE.UTF-8", "de", "C", "POSIX", "it_IT", "de_DEX", "fr_CH"})
        EXPECT_EQ(LanguageFromLocale(english, nullptr, nullptr), 1) << english;
    // The first non-empty of LC_ALL, LC_MESSAGES and LANG decides.
    EXPECT_EQ(LanguageFromLocale("", "de_AT.UTF-8", "en_GB.UTF-8"), 0);
    EXPECT_EQ(LanguageFromLocale(nullptr, nullptr, "de_DE.UTF-8"), 0);
    EXPECT_EQ(LanguageFromLocale("en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8"), 1);
    EXPECT_EQ(LanguageFromLocale(nullptr, "", ""), 1);
}

TEST_F(StartupTest, SecondInstanceIsRefusedUntilTheFirstEnds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const AnsiString path = dir.path().toStdString();

    SingleInstanceLock first;
    ASSERT_TRUE(startup::CheckSingleInstance(first, path, 0));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    {
        SingleInstanceLock second;
        EXPECT_FALSE(startup::CheckSingleInstance(second, path, 0));
        EXPECT_FALSE(second.Held());
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        EXPECT_EQ(support::TestDialogs().LastMessage().text, "Anwendung wurde bereits gestartet!");
        EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Hinweis");
        EXPECT_EQ(support::TestDialogs().LastMessage().flags, 0);

        EXPECT_FALSE(startup::CheckSingleInstance(second, path, 1));
        EXPECT_EQ(support::TestDialogs().LastMessage().text, "Program is already running!");
        EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Attention");
    }

    // The lock file stays behind, but an ended instance no longer holds it.
    first.Release();
    SingleInstanceLock third;
    EXPECT_TRUE(startup::CheckSingleInstance(third, path, 1));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
}

TEST_F(StartupTest, MissingRuntimeDirectoryDoesNotStopTheProgram)
{
    SingleInstanceLock lock;
    EXPECT_TRUE(startup::CheckSingleInstance(lock, "/nonexistent/noxcontrol-test", 1));
    EXPECT_FALSE(lock.Error().empty());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

TEST_F(StartupTest, LowMemoryWarningBelowHundredMiB)
{
    EXPECT_TRUE(startup::WarnAboutLowMemory(99ull << 20, 1));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Warning");
    EXPECT_NE(support::TestDialogs().LastMessage().text.find("less than 128 MB"), AnsiString::npos);
    EXPECT_TRUE(startup::WarnAboutLowMemory((100ull << 20) - 1, 0));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Warning");  // English word in German too
    EXPECT_NE(support::TestDialogs().LastMessage().text.find("weniger als 128 MB"), AnsiString::npos);
    support::TestDialogs().Clear();
    EXPECT_FALSE(startup::WarnAboutLowMemory(100ull << 20, 1));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

namespace {

constexpr const char* kLockEndChildEnv = "NOX_LOCK_END_CHILD";  // "folder;exit" or "folder;signal"
constexpr int kLockEndReportFd = 3;

// Until `pid` (a child) has ended, at most ten seconds; -1 when it did not.
int AwaitEnd(pid_t pid)
{
    for (int i = 0; i < 1000; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

}  // namespace

// The child: holds the lock beside a stand-in for a thread stuck on a share that does not
// answer (a task that shares the process's open files and never ends, as such a thread
// keeps them open past the process's end), and ends as it is told, without the lock's own
// release: through exit() or a termination signal.
TEST(StartupEndTest, ChildEndsWithAStuckThread)
{
    const char* env = std::getenv(kLockEndChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of TheLockGoesWithTheProgramWhileAThreadOfItIsStuck";
    const std::string args(env);
    const std::string folder = args.substr(0, args.find(';')), how = args.substr(args.find(';') + 1);
    SingleInstanceLock lock;
    ASSERT_TRUE(lock.Acquire(folder));
    static char stack[64 * 1024];
    const pid_t stuck = ::clone(
        [](void*) -> int {
            for (;;) ::syscall(SYS_pause);
        },
        stack + sizeof stack, CLONE_FILES | SIGCHLD, nullptr);
    ASSERT_GT(stuck, 0);
    const std::string line = "stuck " + std::to_string(stuck) + "\n";
    ASSERT_EQ(::write(kLockEndReportFd, line.data(), line.size()), ssize_t(line.size()));
    if (how == "exit") std::exit(0);
    for (;;) ::pause();  // until the parent's signal
}

// However the program ends while a thread of it is stuck on a share that does not answer
// (its files stay open then), through exit() or a termination signal: it ends as before,
// and its lock is free, so that the program starts again.
TEST_F(StartupTest, TheLockGoesWithTheProgramWhileAThreadOfItIsStuck)
{
    for (const std::string how : {"exit", "signal"}) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string folder = dir.path().toStdString();
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, report[1], kLockEndReportFd);
        posix_spawn_file_actions_addclose(&actions, report[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int spawned = support::SpawnSelf("StartupEndTest.ChildEndsWithAStuckThread",
                                               std::string(kLockEndChildEnv) + "=" + folder + ";" + how, &actions, pid);
        posix_spawn_file_actions_destroy(&actions);
        ::close(report[1]);
        ASSERT_EQ(spawned, 0);
        // The stand-in keeps the pipe open too: the line ends the read, not the pipe's end.
        std::string line;
        char c = 0;
        pollfd p{report[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0 && ::read(report[0], &c, 1) == 1)
            line += c;
        ::close(report[0]);
        const pid_t stuck = line.rfind("stuck ", 0) == 0 ? pid_t(std::atoi(line.c_str() + 6)) : 0;
        ASSERT_GT(stuck, 0) << how << ": " << line;
        if (how == "signal") ::kill(pid, SIGTERM);
        const int status = AwaitEnd(pid);
        if (how == "exit")
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        else
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        SingleInstanceLock next;
        EXPECT_TRUE(next.Acquire(folder)) << how << ": the lock stayed with the stuck thread";
        ::kill(stuck, SIGKILL);
    }
}
