// File > Exit as a whole process: a child process (this test program again) takes the
// single-instance lock and runs the program's own run, scripted through its windows, and is
// then told to exit. The parent sees the child end, its files and its lock.
//
// While a file's read hangs: the parent sees the lock held while the read hangs, the child
// end, and then takes the lock itself, as a second start of the program would.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChannelTestSupport.h"
#include "app/CLanguage.h"
#include "app/ProgramStartup.h"
#include "app/RecordedDataFile.h"
#include "app/RecordedDataWriter.h"
#include "app/SingleInstanceLock.h"
#include "app/TFileCommands.h"
#include "app/TfrmMainWindow.h"
#include "channel/ProgramForms.h"
#include "chart/engine/TChartSeries.h"
#include "platform/TextCodec.h"
#include "support/HangingFileSystem.h"
#include "support/ProgramChild.h"
#include "support/ScriptedDialogs.h"
#include "support/SpawnSelf.h"

namespace {

constexpr const char* kChildEnv = "NOX_EXIT_CHILD";                     // "lock folder;file"
constexpr const char* kRecordingChildEnv = "NOX_EXIT_RECORDING_CHILD";  // "folder"
constexpr int kReportFd = support::kChildReportFd;                      // child -> parent: what happened
constexpr int kGoFd = support::kChildGoFd;                              // parent -> child: exit now
constexpr int kWaitMs = 30000;                                          // bound of every wait of the parent

// Reads lines from `fd` until `stop` holds for one or the pipe ends (false: the wait ran
// out); every line read goes into `lines`.
bool ReadLines(int fd, std::vector<std::string>& lines, const std::function<bool(const std::string&)>& stop)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    std::string pending;
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0) continue;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return true;  // the child is gone
        pending.append(buf, size_t(n));
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            lines.push_back(pending.substr(0, nl));
            pending.erase(0, nl + 1);
            if (stop(lines.back())) return true;
        }
    }
}

// What the child's test printed (its failures), for the parent's messages.
std::string ChildOutput(const std::string& file)
{
    std::string text;
    if (!platform::ReadFileBytes(file, text)) return "(no output of the child)";
    return "the child's output:\n" + text;
}

// Reads the child's report to its end and reaps the child, which must have ended after
// File > Exit with status 0; one that did not is killed. `output` is the file of the
// child's standard output, shown when it failed.
void AwaitExitedChild(int reportFd, pid_t pid, std::vector<std::string>& lines, const std::string& output)
{
    const bool ended = ReadLines(reportFd, lines, [](const std::string&) { return false; });
    ::close(reportFd);
    if (!ended) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(ended) << "the process did not end after File > Exit; " << ChildOutput(output);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "; " << ChildOutput(output);
}

// Runs a child's scripted steps inside the program's run. A step that fails (a wait that
// ran out) ends the child at once, with its failure on its output: the program would
// otherwise run on with no one left to end it, and the parent would see only a child
// that did not exit.
void RunChildScript(const std::function<void()>& steps)
{
    steps();
    support::EndChildOnFailure();
}

}  // namespace

// The child: the program's run, scripted through its menus.
TEST(ProgramExitTest, ChildExitsWhileAReadHangs)
{
    const char* env = std::getenv(kChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of ExitEndsTheProcessWhileAReadHangsAndFreesTheLock";
    const std::string args(env);
    const size_t semicolon = args.find(';');
    ASSERT_NE(semicolon, std::string::npos);
    const std::string lockFolder = args.substr(0, semicolon), file = args.substr(semicolon + 1);
    FILE* report = ::fdopen(kReportFd, "w");
    ASSERT_NE(report, nullptr);

    SingleInstanceLock lock;
    ASSERT_TRUE(startup::CheckSingleInstance(lock, lockFolder, CLanguage::English));
    // The read hangs until the process ends: the stand-in is never released.
    static auto* share =
        new support::HangingFileSystem([file](const std::string& path, bool write) { return !write && path == file; });
    QTimer::singleShot(0, [&] {
        RunChildScript([&] {
            TfrmMainWindow* main = support::MainWindow();
            ASSERT_NE(main, nullptr);
            support::TestDialogs().QueueFileName(file);
            main->mnuVisualisierung->trigger();
            std::fprintf(report, share->AwaitHang() ? "hanging\n" : "no hang\n");
            std::fflush(report);
            char go = 0;
            ASSERT_EQ(::read(kGoFd, &go, 1), 1);
            support::TestDialogs().QueueAnswer(IDYES);  // close the view window and exit
            main->mnuFileExitItem->trigger();
        });
    });
    const int result = RunProgram(lock, CLanguage::English);
    std::fprintf(report, "ended %d\n", result);
    std::fflush(report);
}

TEST(ProgramExitTest, ExitEndsTheProcessWhileAReadHangsAndFreesTheLock)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string lockFolder = folder.path().toStdString();
    const std::string file = lockFolder + "/share.csv";
    {
        QFile f(QString::fromStdString(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xA7;01.01.2026;00:00:00;share.csv;;;;;;\r\n");
    }

    const std::string output = lockFolder + "/stdout.txt";
    pid_t pid = 0;
    int goWriter = -1;
    const int reportReader =
        support::SpawnSelfReporting("ProgramExitTest.ChildExitsWhileAReadHangs",
                                    std::string(kChildEnv) + "=" + lockFolder + ";" + file, pid, output, {}, &goWriter);
    ASSERT_GE(reportReader, 0);

    std::vector<std::string> lines;
    const bool hanging = ReadLines(reportReader, lines, [](const std::string& l) { return l == "hanging"; });
    EXPECT_TRUE(hanging && !lines.empty() && lines.back() == "hanging");
    {
        // While the child runs, the program cannot start a second time.
        SingleInstanceLock second;
        EXPECT_FALSE(second.Acquire(lockFolder));
    }
    ASSERT_EQ(::write(goWriter, "x", 1), 1);
    ::close(goWriter);
    ASSERT_NO_FATAL_FAILURE(AwaitExitedChild(reportReader, pid, lines, output));
    EXPECT_EQ(lines.back(), "ended 0");
    // The lock went with the process: the program starts again.
    SingleInstanceLock next;
    EXPECT_TRUE(next.Acquire(lockFolder)) << next.Error();
}

namespace {

class ProgramExitRecordingTest : public channeltest::ChannelFixture {};

}  // namespace

// The child: records a simulated unit in a channel window of the program's run; queued work
// throws, and so does the callback of the channel's save; the recording goes on and the
// program is ended through File > Exit.
TEST_F(ProgramExitRecordingTest, ChildRecordsThroughFailingWorkAndExits)
{
    const char* env = std::getenv(kRecordingChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of ExitAfterFailingQueuedWorkWritesTheClosingSaveAndFreesTheLock";
    const std::string dir(env);
    FILE* report = ::fdopen(kReportFd, "w");
    ASSERT_NE(report, nullptr);
    // A reply held up by a loaded machine must not become a time-out: the channel would
    // wait for the (still) clock before it asks again, and the next cycle would not come.
    comm::TCommTiming timing = comm::Timing();
    timing.ReadTimeoutMs = timing.ReplyWaitMs = 5000;
    comm::SetTiming(timing);
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;

    SingleInstanceLock lock;
    ASSERT_TRUE(startup::CheckSingleInstance(lock, dir, CLanguage::English));
    TmdiSubWindow* w = nullptr;
    auto tick = [&] {
        ASSERT_TRUE(AwaitCycle(w->Session()));
        clock.AdvanceMs(std::int64_t(w->Session().SamplingInterval()) * 1000);
        w->tmrDataUpdateTimer();
    };
    QTimer::singleShot(0, [&] {
        RunChildScript([&] {
            ASSERT_NO_FATAL_FAILURE(OpenRecordingOverTcp(support::MainWindow(), line.TcpPort(), dir + "/exit", w));
            for (int i = 0; i < 3; ++i) ASSERT_NO_FATAL_FAILURE(tick());
            platform::UiDispatcher::Instance().Post([] { throw std::runtime_error("queued fault"); });
            w->Session().SaveRecording([](bool) { throw std::runtime_error("save callback fault"); });
            ASSERT_TRUE(channeltest::Await([] { return TDataFileSaveQueue::Instance().Idle(); }));
            // A reply held up (as on a busy machine) is waited for.
            line.First().InjectFault(support::UnitFault::LateReply, 1, 600);
            for (int i = 0; i < 3; ++i) ASSERT_NO_FATAL_FAILURE(tick());
            std::fprintf(report, "rows %d\n", w->Session().Series(0)->Count());
            std::fflush(report);
            for (int i = 0; i < 3; ++i) support::TestDialogs().QueueAnswer(IDYES);  // close the channel and exit
            support::MainWindow()->mnuFileExitItem->trigger();
        });
    });
    const int result = RunProgram(lock, CLanguage::English);
    std::fprintf(report, "ended %d\n", result);
    std::fflush(report);
}

// An exception in queued work or in a save's callback ends neither the recording nor the
// program's end: File > Exit writes the closing save, the exception is in the channel's
// protocol and on standard error, and the lock is free again.
TEST(ProgramExitTest, ExitAfterFailingQueuedWorkWritesTheClosingSaveAndFreesTheLock)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string dir = folder.path().toStdString();
    const std::string output = dir + "/stdout.txt", errors = dir + "/stderr.txt";
    pid_t pid = 0;
    const int reportReader =
        support::SpawnSelfReporting("ProgramExitRecordingTest.ChildRecordsThroughFailingWorkAndExits",
                                    std::string(kRecordingChildEnv) + "=" + dir, pid, output, errors);
    ASSERT_GE(reportReader, 0);
    std::vector<std::string> lines;
    ASSERT_NO_FATAL_FAILURE(AwaitExitedChild(reportReader, pid, lines, output));
    ASSERT_EQ(lines.size(), 2u) << ChildOutput(output);
    EXPECT_EQ(lines.back(), "ended 0");
    int rows = 0;
    ASSERT_EQ(std::sscanf(lines.front().c_str(), "rows %d", &rows), 1) << lines.front();

    const TRecordedDataRead file = ReadRecordedDataFile(dir + "/exit_11.csv");
    ASSERT_TRUE(file.Loaded);
    EXPECT_FALSE(file.Damaged());
    EXPECT_EQ(file.Rows(), rows);
    EXPECT_NE(std::find_if(file.EventProtocol.begin(), file.EventProtocol.end(),
                           [](const AnsiString& l) { return l.ends_with(" Internal error: save callback fault"); }),
              file.EventProtocol.end());
    std::string stderrText;
    ASSERT_TRUE(platform::ReadFileBytes(errors, stderrText));
    EXPECT_NE(stderrText.find("queued fault"), std::string::npos) << stderrText;
    SingleInstanceLock next;
    EXPECT_TRUE(next.Acquire(dir)) << next.Error();
}
