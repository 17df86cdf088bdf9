// The program ended from outside while its data file is on a share that does not answer: a
// child process (this test program again) runs the program's own run with a channel
// recording a simulated unit; its share then stops answering, and the parent sends a
// termination signal. The end's write waits on the share; meanwhile the parent looks at
// what the child shows and starts the program beside it, then lets the share answer.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "ChannelTestSupport.h"
#include "app/CLanguage.h"
#include "app/ProgramStartup.h"
#include "app/RecordedDataFile.h"
#include "app/SingleInstanceLock.h"
#include "app/TfrmMainWindow.h"
#include "channel/ProgramForms.h"
#include "platform/FileSave.h"
#include "platform/UiDispatcher.h"
#include "support/HangingFileSystem.h"
#include "support/ProgramChild.h"
#include "support/ScriptedDialogs.h"
#include "support/SpawnSelf.h"

namespace {

// The folder of lock and data file, and after a ";" how long the end waits for the file (ms).
constexpr const char* kChildEnv = "NOX_HUNG_SHARE_END_CHILD";
constexpr int kReportFd = support::kChildReportFd;  // child -> parent: what it shows
constexpr int kGoFd = support::kChildGoFd;          // parent -> child: the share answers

class OutsideEndHungShareTest : public channeltest::ChannelFixture {};

int VisibleWindows()
{
    int visible = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) ++visible;
    return visible;
}

void Report(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(kReportFd, text.data(), text.size()) != ssize_t(text.size())) std::_Exit(4);
}

// A line of the child's report, at most 30 seconds away; empty when none came.
std::string NextLine(int fd)
{
    std::string line;
    char c = 0;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 30000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

}  // namespace

// The child: records a few ticks, then its share stops answering for writes. The first write
// that waits on it tells the parent how many windows are seen at that moment.
TEST_F(OutsideEndHungShareTest, ChildRecordsOnAShareThatStopsAnswering)
{
    const char* env = std::getenv(kChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of AnOutsideEndTakesTheWindowsOffFirstAndAStartBesideItSaysSo";
    const std::string args(env);
    const std::string dir = args.substr(0, args.find(';'));
    if (args.find(';') != std::string::npos) SetOutsideEndWriteMs(std::atoi(args.c_str() + args.find(';') + 1));
    comm::TCommTiming timing = comm::Timing();
    timing.ReadTimeoutMs = timing.ReplyWaitMs = 5000;
    comm::SetTiming(timing);
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;

    static std::atomic<bool> stopped{false}, told{false};
    static auto* share = new support::HangingFileSystem([dir](const std::string& path, bool write) {
        if (!stopped || !write || path.rfind(dir + "/end", 0) != 0) return false;
        if (!told.exchange(true))
            platform::UiDispatcher::Instance().Post([] { Report("hung " + std::to_string(VisibleWindows())); });
        return true;
    });
    // The parent's word lets the share answer again.
    std::thread([] {
        char go = 0;
        if (::read(kGoFd, &go, 1) == 1) share->Release();
    }).detach();

    SingleInstanceLock lock;
    ASSERT_TRUE(startup::CheckSingleInstance(lock, dir, CLanguage::English));
    QTimer::singleShot(0, [&] {
        TmdiSubWindow* w = nullptr;
        ASSERT_NO_FATAL_FAILURE(OpenRecordingOverTcp(support::MainWindow(), line.TcpPort(), dir + "/end", w));
        for (int tick = 0; tick < 3; ++tick) {
            ASSERT_TRUE(AwaitCycle(w->Session()));
            clock.AdvanceMs(std::int64_t(w->Session().SamplingInterval()) * 1000);
            w->tmrDataUpdateTimer();
        }
        ASSERT_TRUE(platform::UiDispatcher::Instance().WaitRunning([] { return TDataFileSaveQueue::Instance().Idle(); },
                                                                   10000));
        stopped = true;
        Report("recording " + std::to_string(VisibleWindows()));
    });
    QTimer::singleShot(0, [] { support::EndChildOnFailure(); });
    RunProgram(lock, CLanguage::English);
    FAIL() << "the program's run ended by itself";
}

// SIGTERM and SIGHUP while the end's write waits on the share: the windows are off the
// screen before the write waits, a start beside the ending instance says that an earlier
// start is still ending (naming its process) and starts, rather than being refused; once
// the share answers, the ending instance writes its file and ends as the signal ends it.
TEST(OutsideEndHungShareProcessTest, AnOutsideEndTakesTheWindowsOffFirstAndAStartBesideItSaysSo)
{
    for (const int how : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(how));
        support::TestDialogs().Clear();
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const std::string dir = folder.path().toStdString(), output = dir + "/stdout.txt";
        pid_t pid = 0;
        int goWriter = -1;
        const int reportReader =
            support::SpawnSelfReporting("OutsideEndHungShareTest.ChildRecordsOnAShareThatStopsAnswering",
                                        std::string(kChildEnv) + "=" + dir, pid, output, {}, &goWriter);
        ASSERT_GE(reportReader, 0);
        const auto childOutput = [&] {
            std::string text;
            platform::ReadFileBytes(output, text);
            return text;
        };

        const std::string recording = NextLine(reportReader);
        EXPECT_TRUE(recording.rfind("recording ", 0) == 0 && recording != "recording 0") << recording << childOutput();
        {
            // While it runs, the program does not start a second time.
            SingleInstanceLock second;
            EXPECT_FALSE(startup::CheckSingleInstance(second, dir, 1));
            EXPECT_EQ(support::TestDialogs().LastMessage().text, "Program is already running!");
        }
        ASSERT_EQ(::kill(pid, how), 0);
        EXPECT_EQ(NextLine(reportReader), "hung 0") << childOutput();

        support::TestDialogs().Clear();
        {
            SingleInstanceLock beside;
            EXPECT_TRUE(startup::CheckSingleInstance(beside, dir, 1));
            ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
            const AnsiString text = support::TestDialogs().LastMessage().text;
            EXPECT_NE(text.find("(process " + std::to_string(pid) + ") was ended"), AnsiString::npos) << text;
            EXPECT_NE(text.find("The program starts now."), AnsiString::npos) << text;
        }

        ASSERT_EQ(::write(goWriter, "x", 1), 1);
        ::close(goWriter);
        while (NextLine(reportReader) != "") {}
        ::close(reportReader);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == how) << status << "\n" << childOutput();
        const TRecordedDataRead file = ReadRecordedDataFile(dir + "/end_11.csv");
        EXPECT_TRUE(file.Loaded);
        EXPECT_GE(file.Rows(), 3);
        // Ended, it is beside no start any more.
        support::TestDialogs().Clear();
        SingleInstanceLock next;
        EXPECT_TRUE(startup::CheckSingleInstance(next, dir, 1));
        EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
    }
}

// A file whose drive does not answer within the end's wait is left, and the standard error
// output names it, its channel, and that its drive did not answer.
TEST(OutsideEndHungShareProcessTest, AFileLeftAtTheEndIsNamedOnTheStandardErrorOutput)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string dir = folder.path().toStdString(), errors = dir + "/stderr.txt";
    pid_t pid = 0;
    int goWriter = -1;
    const int reportReader =
        support::SpawnSelfReporting("OutsideEndHungShareTest.ChildRecordsOnAShareThatStopsAnswering",
                                    std::string(kChildEnv) + "=" + dir + ";200", pid, "/dev/null", errors, &goWriter);
    ASSERT_GE(reportReader, 0);
    const auto said = [&] {
        std::string text;
        platform::ReadFileBytes(errors, text);
        return text;
    };
    const std::string recording = NextLine(reportReader);
    EXPECT_EQ(recording.rfind("recording ", 0), 0u) << recording << said();
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_EQ(NextLine(reportReader), "hung 0") << said();
    // The share never answers: the end gives up on the file and the signal ends the process.
    while (NextLine(reportReader) != "") {}
    ::close(reportReader);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::close(goWriter);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status << "\n" << said();
    EXPECT_NE(said().find("The recording of channel 1 could not be written to " + dir +
                          "/end_11.csv in time: its drive did not answer within 1 s\n"),
              std::string::npos)
        << said();
    EXPECT_NE(said().find("1 recording file(s) could not be written in time\n"), std::string::npos) << said();
}
