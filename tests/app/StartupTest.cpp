#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "app/ProgramStartup.h"
#include "app/SingleInstanceLock.h"
#include "platform/UiDispatcher.h"
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
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(startup::CheckSingleInstance(lock, "/nonexistent/noxcontrol-test", 0));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(lock.Error().empty());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    platform::UiDispatcher::Instance().ProcessPending();
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_EQ(support::TestDialogs().LastMessage().text,
              "Die Sperre gegen einen zweiten Start des Programms konnte nicht angelegt werden: "
              "/nonexistent/noxcontrol-test/noxcontrol.lock: No such file or directory. Das Programm läuft ohne sie; "
              "ein zweiter Start wird nicht verhindert.");
    EXPECT_NE(said.find(support::TestDialogs().LastMessage().text), std::string::npos) << said;
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
constexpr int kLockEndReportFd = support::kChildReportFd;

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
        pid_t pid = 0;
        const int report = support::SpawnSelfReporting("StartupEndTest.ChildEndsWithAStuckThread",
                                                       std::string(kLockEndChildEnv) + "=" + folder + ";" + how, pid);
        ASSERT_GE(report, 0);
        // The stand-in keeps the pipe open too: the line ends the read, not the pipe's end.
        const std::string line = support::ReadReport(report);
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
        // The program is not gone while the stuck thread is left: a start says so.
        next.Release();
        support::TestDialogs().Clear();
        SingleInstanceLock told;
        EXPECT_TRUE(startup::CheckSingleInstance(told, folder, 1));
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u) << how;
        EXPECT_NE(support::TestDialogs().LastMessage().text.find("(process " + std::to_string(pid) + ") was ended"),
                  AnsiString::npos)
            << how << ": " << support::TestDialogs().LastMessage().text;
        ::kill(stuck, SIGKILL);
    }
}

namespace {

constexpr const char* kHolderChildEnv = "NOX_LOCK_HOLDER_CHILD";  // "lock folder;share folder or empty"

// Starts the holder child and reads its report line ("locked", "waiting <tid>").
pid_t StartHolder(const std::string& lockFolder, const std::string& share, std::string& reported)
{
    pid_t pid = 0;
    const int report = support::SpawnSelfReporting("StartupEndTest.ChildHoldsTheLock",
                                                   std::string(kHolderChildEnv) + "=" + lockFolder + ";" + share, pid);
    if (report < 0) return 0;
    reported += support::ReadReport(report);
    return pid;
}

// The state letter of a process, from /proc ('?' when it is gone).
char ProcessState(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("State:", 0) == 0 && line.size() > 7) return line[7];
    return '?';
}

}  // namespace

// The child: takes the lock and says so. Given a share folder, a thread of it waits there
// for a reply that never comes (a read of a pipe in that folder), and its main thread ends:
// what is left is a process that runs none of the program and keeps the lock, as one killed
// while a thread of it waits on a share that does not answer.
TEST(StartupEndTest, ChildHoldsTheLock)
{
    const char* env = std::getenv(kHolderChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of AStartBesideAnInstanceThatCannotFinishEndingSaysSoAndStarts";
    const std::string args(env);
    const std::string folder = args.substr(0, args.find(';')), share = args.substr(args.find(';') + 1);
    SingleInstanceLock lock;
    ASSERT_TRUE(lock.Acquire(folder));
    if (share.empty()) {
        ASSERT_EQ(::write(kLockEndReportFd, "locked\n", 7), 7);
        for (;;) ::pause();
    }
    const std::string fifo = share + "/reply", data = share + "/data.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    static std::atomic<bool> opened{false};
    std::thread([fifo, data] {
        const int fd = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
        const int file = ::open(data.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const std::string line = "waiting " + std::to_string(::syscall(SYS_gettid)) + "\n";
        if (fd < 0 || file < 0 || ::write(kLockEndReportFd, line.data(), line.size()) != ssize_t(line.size()))
            std::abort();
        opened = true;
        char reply = 0;
        [[maybe_unused]] const ssize_t n = ::read(fd, &reply, 1);
        // Given a reply, it looks at its data file as the C library's fstat does (and the
        // test holds it in that call).
        struct stat st {};
        ::syscall(SYS_newfstatat, file, "", &st, AT_EMPTY_PATH);
        std::abort();
    }).detach();
    while (!opened) std::this_thread::yield();
    ::syscall(SYS_exit, 0);  // the main thread alone
}

// A start beside an instance that is alive is refused. A start beside one that was killed but
// cannot finish ending (ptrace holds it in its end, as a call that cannot be broken off
// would) or whose main thread is gone while a thread waits in a folder says so, naming the
// process and the folder where it can be found, and starts.
TEST_F(StartupTest, AStartBesideAnInstanceThatCannotFinishEndingSaysSoAndStarts)
{
    for (const bool waitsInAFolder : {false, true}) {
        SCOPED_TRACE(waitsInAFolder ? "main thread gone, a thread waits in a folder" : "killed, held in its end");
        support::TestDialogs().Clear();
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string folder = dir.path().toStdString(), share = folder + "/share";
        ASSERT_EQ(::mkdir(share.c_str(), 0700), 0);
        std::string reported;
        const pid_t pid = StartHolder(folder, waitsInAFolder ? share : std::string(), reported);
        ASSERT_GT(pid, 0);
        ASSERT_EQ(reported.substr(0, 6), waitsInAFolder ? "waitin" : "locked") << reported;
        if (!waitsInAFolder) {
            SingleInstanceLock alive;
            EXPECT_FALSE(startup::CheckSingleInstance(alive, folder, 1));
            EXPECT_EQ(support::TestDialogs().LastMessage().text, "Program is already running!");
            EXPECT_FALSE(alive.Holder().BeingEnded);
            EXPECT_EQ(alive.Holder().Pid, pid);
            support::TestDialogs().Clear();
        }
        bool traced = false;
        if (waitsInAFolder) {
            // The main thread has ended; the waiting thread keeps the process and its lock,
            // and waits in its read.
            const pid_t waiting = pid_t(std::atoi(reported.c_str() + 8));
            ASSERT_GT(waiting, 0);
            const std::string task = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(waiting) + "/syscall";
            auto waitsInRead = [&] {
                std::ifstream in(task);
                long call = -1;
                return ProcessState(pid) == 'Z' && (in >> call) && call == SYS_read;
            };
            for (int i = 0; i < 1000 && !waitsInRead(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_TRUE(waitsInRead());
        } else {
            ASSERT_EQ(::ptrace(PTRACE_SEIZE, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACEEXIT)), 0)
                << std::strerror(errno);
            traced = true;
            ASSERT_EQ(::kill(pid, SIGKILL), 0);
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_EQ(status >> 8, SIGTRAP | (PTRACE_EVENT_EXIT << 8)) << status;
        }
        SingleInstanceLock next;
        EXPECT_TRUE(startup::CheckSingleInstance(next, folder, 1));
        EXPECT_TRUE(next.Held());
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        const AnsiString text = support::TestDialogs().LastMessage().text;
        EXPECT_NE(text.find("(process " + std::to_string(pid) + ") was ended but cannot finish ending"),
                  AnsiString::npos)
            << text;
        EXPECT_NE(text.find("The program starts now."), AnsiString::npos) << text;
        if (waitsInAFolder) {
            EXPECT_NE(text.find("does not answer: \"" + share + "\"."), AnsiString::npos) << text;
        }
        {
            // Now the new start holds the lock, and the one after it is refused.
            SingleInstanceLock third;
            EXPECT_FALSE(startup::CheckSingleInstance(third, folder, 1));
            EXPECT_EQ(support::TestDialogs().LastMessage().text, "Program is already running!");
        }
        // Once the new start has ended, the next one is told of the earlier start all the same.
        next.Release();
        support::TestDialogs().Clear();
        SingleInstanceLock later;
        EXPECT_TRUE(startup::CheckSingleInstance(later, folder, 1));
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        EXPECT_NE(support::TestDialogs().LastMessage().text.find("(process " + std::to_string(pid) + ") was ended"),
                  AnsiString::npos)
            << support::TestDialogs().LastMessage().text;
        if (traced) ::ptrace(PTRACE_DETACH, pid, nullptr, nullptr);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

// A thread of the ended instance that waits on a file (its data file, as the minute's write
// looks at it) makes the new start name the file's folder, not the file as a folder. The
// thread is held by ptrace at the start of that call, as a share that does not answer holds it.
TEST_F(StartupTest, AStartBesideAnInstanceWaitingOnAFileNamesTheFolderOfTheFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString(), share = folder + "/share";
    ASSERT_EQ(::mkdir(share.c_str(), 0700), 0);
    std::string reported;
    const pid_t pid = StartHolder(folder, share, reported);
    ASSERT_GT(pid, 0);
    ASSERT_EQ(reported.substr(0, 8), "waiting ") << reported;
    const pid_t waiting = pid_t(std::atoi(reported.c_str() + 8));
    ASSERT_GT(waiting, 0);
    const std::string task = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(waiting) + "/syscall";
    const auto waitsIn = [&](long wanted) {
        std::ifstream in(task);
        long call = -1;
        return (in >> call) && call == wanted;
    };
    for (int i = 0; i < 1000 && !(ProcessState(pid) == 'Z' && waitsIn(SYS_read)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(ProcessState(pid), 'Z');
    ASSERT_EQ(::ptrace(PTRACE_SEIZE, waiting, nullptr, nullptr), 0) << std::strerror(errno);
    ASSERT_EQ(::ptrace(PTRACE_INTERRUPT, waiting, nullptr, nullptr), 0) << std::strerror(errno);
    ASSERT_EQ(::waitpid(waiting, nullptr, __WALL), waiting);
    {
        const int reply = ::open((share + "/reply").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(reply, 0);
        ASSERT_EQ(::write(reply, "x", 1), 1);
        ::close(reply);
    }
    // Step from call to call until it stands at the start of its look at the file.
    bool held = false;
    for (int stop = 0; stop < 20 && !held; ++stop) {
        ASSERT_EQ(::ptrace(PTRACE_SYSCALL, waiting, nullptr, nullptr), 0) << std::strerror(errno);
        ASSERT_EQ(::waitpid(waiting, nullptr, __WALL), waiting);
        held = waitsIn(SYS_newfstatat);
    }
    ASSERT_TRUE(held);

    SingleInstanceLock next;
    EXPECT_TRUE(startup::CheckSingleInstance(next, folder, 1));
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    const AnsiString text = support::TestDialogs().LastMessage().text;
    EXPECT_NE(text.find("does not answer: \"" + share + "\"."), AnsiString::npos) << text;

    ::kill(pid, SIGKILL);
    ::waitpid(waiting, nullptr, __WALL);
    ::waitpid(pid, nullptr, 0);
}

namespace {

constexpr uid_t kStranger = 4343;

std::string LockFolderName()
{
    return "/noxcontrol-" + std::to_string(::getuid());
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

mode_t Mode(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace

// Started without a runtime directory, the program keeps its lock in a folder of its own in
// the temporary directory, made private. A link at that folder's name, or a folder others may
// write in, is not used: the lock goes to a private place instead, made now and said once by
// the start that runs, and used from then on. A folder of the user's own that others may only
// open is made private and used.
TEST_F(StartupTest, TheLockFolderInTheTemporaryDirectoryIsUsedOnlyWhenPrivate)
{
    QTemporaryDir top;
    ASSERT_TRUE(top.isValid());
    const std::string base = top.path().toStdString();
    EXPECT_EQ(startup::LockFolder(base, base + "/none", base + "/none-instead", 1), base);
    EXPECT_EQ(startup::LockFolder("", base, base + "/instead", 1), base + LockFolderName());
    EXPECT_EQ(Mode(base + LockFolderName()), 0700u);
    EXPECT_FALSE(Exists(base + "/instead"));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    for (const bool link : {true, false}) {
        SCOPED_TRACE(link ? "a link" : "a folder others may write in");
        support::TestDialogs().Clear();
        const std::string temporary = base + (link ? "/link" : "/open"), refused = temporary + LockFolderName();
        ASSERT_EQ(::mkdir(temporary.c_str(), 0755), 0);
        if (link) {
            ASSERT_EQ(::symlink((base + LockFolderName()).c_str(), refused.c_str()), 0);
        } else {
            ASSERT_EQ(::mkdir(refused.c_str(), 0700), 0);
            ASSERT_EQ(::chmod(refused.c_str(), 0777), 0);
        }
        const std::string instead = temporary + "-home/.cache/NoxControl/instance";
        // Two starts at once: the one that made the folder instead is refused, and the one
        // that runs says where the lock is. Nothing is said before a start knows it runs.
        SingleInstanceLock running;
        EXPECT_EQ(startup::LockFolder("", temporary, instead, 1), instead);
        EXPECT_EQ(Mode(instead), 0700u);
        EXPECT_EQ(startup::LockFolder("", temporary, instead, 1), instead);
        EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
        ASSERT_TRUE(startup::CheckSingleInstance(running, instead, 1));
        EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
        {
            SingleInstanceLock refusedStart;
            EXPECT_FALSE(startup::CheckSingleInstance(refusedStart, instead, 1));
        }
        ASSERT_EQ(support::TestDialogs().MessageCount(), 2u);
        EXPECT_EQ(support::TestDialogs().Messages()[0].text,
                  "The folder \"" + refused + "\" is not a private folder of this user's (another user made it, it " +
                      "is a link, or others may write in it). The lock against a second start of the program is " +
                      "kept in \"" + instead + "\" from now on.");
        EXPECT_EQ(support::TestDialogs().LastMessage().text, "Program is already running!");
        running.Release();
        // The next start keeps it there without a word, also once the folder could be used.
        support::TestDialogs().Clear();
        ASSERT_EQ(::remove(refused.c_str()), 0);
        EXPECT_EQ(startup::LockFolder("", temporary, instead, 0), instead);
        SingleInstanceLock next;
        EXPECT_TRUE(startup::CheckSingleInstance(next, instead, 0));
        EXPECT_TRUE(next.Held());
        EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
        EXPECT_FALSE(Exists(refused));
    }

    // The user's own folders with a mode that lets others in (the private folder instead
    // and the temporary directory's) are made private and used, without a word.
    support::TestDialogs().Clear();
    const std::string own = base + "/own", instead = base + "/own-instead";
    ASSERT_EQ(::mkdir(own.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((own + LockFolderName()).c_str(), 0700), 0);
    ASSERT_EQ(::chmod((own + LockFolderName()).c_str(), 0750), 0);
    EXPECT_EQ(startup::LockFolder("", own, instead, 1), own + LockFolderName());
    EXPECT_EQ(Mode(own + LockFolderName()), 0700u);
    ASSERT_EQ(::mkdir(instead.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(instead.c_str(), 0755), 0);
    EXPECT_EQ(startup::LockFolder("", own, instead, 1), instead);
    EXPECT_EQ(Mode(instead), 0700u);
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

// Where no private folder can be had, the program runs without the lock, and says so with
// the reason: on standard error at once, in a box once its windows run. So does a lock file
// that cannot be made in the folder there is.
TEST_F(StartupTest, ALockThatCannotBeMadeIsSaidAndTheProgramRuns)
{
    QTemporaryDir top;
    ASSERT_TRUE(top.isValid());
    const std::string base = top.path().toStdString();
    platform::UiDispatcher::Instance().ProcessPending();
    const std::string temporary = base + "/tmp", theirs = temporary + LockFolderName();
    ASSERT_EQ(::mkdir(temporary.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(base.c_str(), theirs.c_str()), 0);
    struct TCase {
        const char* Name;
        std::string Instead;
        std::string Why;
    };
    const std::string file = base + "/file", cache = base + "/file/.cache/NoxControl/instance";
    std::ofstream(file) << "x";
    const std::string open = base + "/open";
    ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    for (const TCase& c : {TCase{"no folder can be made", cache,
                                 "the folder \"" + theirs + "\" is not a private folder of this user's, and the " +
                                     "folder \"" + cache + "\" could not be made (Not a directory)"},
                           TCase{"others may write in it", open,
                                 "neither the folder \"" + theirs + "\" nor the folder \"" + open + "\" is a " +
                                     "private folder of this user's"}}) {
        SCOPED_TRACE(c.Name);
        support::TestDialogs().Clear();
        AnsiString why;
        const AnsiString folder = startup::LockFolder("", temporary, c.Instead, 1, &why);
        EXPECT_EQ(folder, "");
        EXPECT_EQ(why.rfind(c.Why, 0), 0u) << why;
        SingleInstanceLock lock;
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(startup::CheckSingleInstance(lock, folder, 1, why));
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(lock.Held());
        const AnsiString text = "The lock against a second start of the program could not be made: " + why +
                                ". The program runs without it; a second start is not refused.";
        EXPECT_NE(said.find(text), std::string::npos) << said;
        // The box does not hold up the start: it comes once the event loop runs.
        EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
        platform::UiDispatcher::Instance().ProcessPending();
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        EXPECT_EQ(support::TestDialogs().LastMessage().text, text);
        EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Notice");
    }
}

// Another user made the lock's folder first, in a temporary directory everybody may write,
// with links in it and a lock of his own held there: the program neither follows the links
// nor takes his lock for its own running instance. The lock goes to the private place, and
// it still refuses a second start there.
TEST_F(StartupTest, AFolderAnotherUserMadeFirstIsNotTheLocksPlace)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs a second user";
    QTemporaryDir shared(QStringLiteral("/tmp/nox-lockfolder-XXXXXX"));
    QTemporaryDir home;
    ASSERT_TRUE(shared.isValid() && home.isValid());
    const std::string temporary = shared.path().toStdString(), theirs = temporary + LockFolderName();
    ASSERT_EQ(::chmod(temporary.c_str(), 01777), 0);
    const std::string mine = home.path().toStdString() + "/private", instead = home.path().toStdString() + "/instance";
    ASSERT_EQ(::mkdir(mine.c_str(), 0711), 0);
    std::ofstream(mine + "/thesis.odt") << "my thesis";

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t stranger = ::fork();
    ASSERT_GE(stranger, 0);
    if (stranger == 0) {
        ::close(ready[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kStranger) != 0 || ::setuid(kStranger) != 0) ::_exit(3);
        if (::mkdir(theirs.c_str(), 0777) != 0 || ::chmod(theirs.c_str(), 0777) != 0) ::_exit(4);
        const int fd = ::open((theirs + "/noxcontrol.lock").c_str(), O_RDWR | O_CREAT, 0666);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(5);
        if (::symlink((mine + "/planted").c_str(), (theirs + "/noxcontrol.running").c_str()) != 0 ||
            ::symlink((mine + "/thesis.odt").c_str(), (theirs + "/noxcontrol.lock.replace").c_str()) != 0)
            ::_exit(6);
        if (::write(ready[1], "r", 1) != 1) ::_exit(7);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    // Ended however the test ends.
    struct TEnd {
        pid_t pid;
        ~TEnd()
        {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    } end{stranger};
    char word = 0;
    ASSERT_EQ(::read(ready[0], &word, 1), 1);
    ::close(ready[0]);

    const AnsiString folder = startup::LockFolder("", temporary, instead, 1);
    EXPECT_EQ(folder, instead);
    SingleInstanceLock lock;
    EXPECT_TRUE(startup::CheckSingleInstance(lock, folder, 1));
    EXPECT_TRUE(lock.Held());
    ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
    EXPECT_NE(support::TestDialogs().LastMessage().text.find("\"" + theirs + "\" is not a private folder"),
              AnsiString::npos);
    support::TestDialogs().Clear();
    EXPECT_FALSE(Exists(mine + "/planted"));
    {
        // The next start looks in the same place, and is refused while the first runs.
        EXPECT_EQ(startup::LockFolder("", temporary, instead, 1), instead);
        SingleInstanceLock second;
        EXPECT_FALSE(startup::CheckSingleInstance(second, instead, 1));
        EXPECT_FALSE(second.TakeOverFromEndingHolder());
        EXPECT_EQ(support::TestDialogs().LastMessage().text, "Program is already running!");
        EXPECT_EQ(support::TestDialogs().MessageCount(), 1u);
    }
    std::string thesis;
    std::getline(std::ifstream(mine + "/thesis.odt"), thesis);
    EXPECT_EQ(thesis, "my thesis");
    EXPECT_EQ(Mode(mine), 0711u);
}

// Another user's folder at the lock folder's name is not the lock's place however private it
// looks (the mode alone would let it pass: a privileged user may enter any folder), and its
// mode is left as its owner set it.
TEST_F(StartupTest, AnotherUsersFolderIsNotTheLocksPlaceWhateverItsMode)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs a second user";
    QTemporaryDir top;
    ASSERT_TRUE(top.isValid());
    const std::string base = top.path().toStdString();
    for (const mode_t mode : {0700u, 0750u}) {
        SCOPED_TRACE(mode);
        support::TestDialogs().Clear();
        const std::string temporary = base + "/tmp" + std::to_string(mode), theirs = temporary + LockFolderName();
        const std::string instead = base + "/home" + std::to_string(mode) + "/instance";
        ASSERT_EQ(::mkdir(temporary.c_str(), 01777), 0);
        ASSERT_EQ(::mkdir(theirs.c_str(), mode), 0);
        ASSERT_EQ(::chown(theirs.c_str(), kStranger, kStranger), 0);
        ASSERT_EQ(::mkdir((base + "/home" + std::to_string(mode)).c_str(), 0700), 0);
        ASSERT_EQ(::mkdir(instead.c_str(), 0700), 0);
        ASSERT_EQ(::chown(instead.c_str(), kStranger, kStranger), 0);
        AnsiString why;
        EXPECT_EQ(startup::LockFolder("", temporary, instead, 1, &why), "");
        EXPECT_NE(why.find("neither the folder \"" + theirs + "\""), AnsiString::npos) << why;
        EXPECT_EQ(Mode(theirs), mode);
        EXPECT_FALSE(Exists(theirs + "/noxcontrol.lock"));
        ASSERT_EQ(::chown(instead.c_str(), ::geteuid(), ::getegid()), 0);
        EXPECT_EQ(startup::LockFolder("", temporary, instead, 1, &why), instead);
        EXPECT_EQ(Mode(theirs), mode);
    }
}

// A link at the name of each of the lock's files is not followed, whoever put it there: the
// lock is not taken through it, and nothing is made or locked where it points.
TEST_F(StartupTest, ALinkAtALockFilesNameIsNotFollowed)
{
    QTemporaryDir dir, other;
    ASSERT_TRUE(dir.isValid() && other.isValid());
    const std::string folder = dir.path().toStdString(), elsewhere = other.path().toStdString();
    const std::string lockFile = folder + "/noxcontrol.lock", victim = elsewhere + "/thesis.odt";
    std::ofstream(victim) << "my thesis";

    ASSERT_EQ(::symlink(victim.c_str(), lockFile.c_str()), 0);
    {
        SingleInstanceLock lock;
        EXPECT_FALSE(lock.Acquire(folder));
        EXPECT_NE(lock.Error().find(lockFile), AnsiString::npos) << lock.Error();
        const int fd = ::open(victim.c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << "the file the link points to was locked";
        ::close(fd);
        // Running twice is less harm than not running at all.
        EXPECT_TRUE(startup::CheckSingleInstance(lock, folder, 1));
        EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    }
    ASSERT_EQ(::unlink(lockFile.c_str()), 0);
    ASSERT_EQ(::symlink((elsewhere + "/planted-lock").c_str(), lockFile.c_str()), 0);
    {
        SingleInstanceLock lock;
        EXPECT_FALSE(lock.Acquire(folder));
    }
    ASSERT_EQ(::unlink(lockFile.c_str()), 0);

    ASSERT_EQ(::symlink((elsewhere + "/planted-running").c_str(), (folder + "/noxcontrol.running").c_str()), 0);
    ASSERT_EQ(::symlink((elsewhere + "/planted-replace").c_str(), (folder + "/noxcontrol.lock.replace").c_str()), 0);
    SingleInstanceLock first;
    EXPECT_TRUE(first.Acquire(folder));
    SingleInstanceLock second;
    EXPECT_FALSE(second.Acquire(folder));
    EXPECT_FALSE(second.TakeOverFromEndingHolder());
    EXPECT_FALSE(second.EndingInstances().BeingEnded);

    for (const char* planted : {"/planted-lock", "/planted-running", "/planted-replace"})
        EXPECT_FALSE(Exists(elsewhere + planted)) << planted;
    std::string thesis;
    std::getline(std::ifstream(victim), thesis);
    EXPECT_EQ(thesis, "my thesis");
}
