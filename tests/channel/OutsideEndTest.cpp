// The program ended from outside while it records: a child process (this test program
// again) runs the program's own run with a channel recording a simulated unit and reports
// every row it took; the parent ends it at a random row with a termination signal, or the
// child loses its display there (as the display's plugin does it: its warning, then
// exit()). The parent reads the file back with the program's own reader.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ChannelTestSupport.h"
#include "app/CLanguage.h"
#include "app/ProgramStartup.h"
#include "app/RecordedDataFile.h"
#include "app/SingleInstanceLock.h"
#include "app/TfrmMainWindow.h"
#include "channel/ChannelTexts.h"
#include "channel/ProgramForms.h"
#include "chart/series/TFastLineSeries.h"
#include "platform/FileSave.h"
#include "support/ProgramChild.h"
#include "support/ScriptedDialogs.h"
#include "support/SpawnSelf.h"

namespace {

constexpr const char* kChildEnv = "NOX_OUTSIDE_END_CHILD";  // "folder;display row" (0: the parent ends it)
constexpr int kReportFd = support::kChildReportFd;
constexpr int kMaxRows = 400;  // a child nobody ends stops here

class OutsideEndTest : public channeltest::ChannelFixture {};

struct TRow {
    int index = 0;
    double x = 0, y = 0;
};

}  // namespace

// The child: records one tick after the other on the injected clock, the event loop running
// between them, and reports each row once it is taken.
TEST_F(OutsideEndTest, ChildRecordsUntilEndedFromOutside)
{
    const char* env = std::getenv(kChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of EndedFromOutsideTheProgramWritesEveryRowAndSaysHow";
    const std::string args(env);
    const std::string dir = args.substr(0, args.find(';'));
    const int displayLostAt = std::atoi(args.c_str() + args.find(';') + 1);
    FILE* report = ::fdopen(kReportFd, "w");
    ASSERT_NE(report, nullptr);
    // A reply held up by a loaded machine must not become a time-out.
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
    int reported = 0;
    std::function<void()> step = [&] {
        ASSERT_TRUE(AwaitCycle(w->Session()));
        clock.AdvanceMs(std::int64_t(w->Session().SamplingInterval()) * 1000);
        w->tmrDataUpdateTimer();
        const TFastLineSeries* s0 = w->Session().ValueSeries(0);
        const int n = s0->Count();
        std::fprintf(report, "row %d %.17g %.17g\n", n - 1, s0->GetxValue(n - 1), s0->GetyValue(n - 1));
        std::fflush(report);
        if (++reported == displayLostAt) {
            qWarning("The X11 connection broke: I/O error (code 1)");
            std::exit(1);
        }
        ASSERT_LT(n, kMaxRows) << "not ended";
        QTimer::singleShot(0, [&] {
            step();
            support::EndChildOnFailure();
        });
    };
    QTimer::singleShot(0, [&] {
        ASSERT_NO_FATAL_FAILURE(OpenRecordingOverTcp(support::MainWindow(), line.TcpPort(), dir + "/end", w));
        step();
        support::EndChildOnFailure();
    });
    support::EndChildOnFailure();
    RunProgram(lock, CLanguage::English);
    FAIL() << "the program's run ended by itself";
}

// SIGTERM, SIGHUP (followed by SIGTERM) and SIGINT at a random row, and the display lost
// there: the file holds every row the recording took, its protocol ends with how the
// program ended, and the lock is free again. The process ends as the first signal (or the
// display's plugin) ends it.
TEST(OutsideEndProcessTest, EndedFromOutsideTheProgramWritesEveryRowAndSaysHow)
{
    std::random_device seed;
    std::mt19937 random(seed());
    // Before and after the first minute's write.
    std::uniform_int_distribution<int> rows(3, 80);
    for (const int how : {SIGTERM, SIGHUP, SIGINT, 0}) {
        const int endAt = rows(random);
        SCOPED_TRACE((how ? std::string(strsignal(how)) : std::string("display lost")) + " after " +
                     std::to_string(endAt) + " rows");
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const std::string dir = folder.path().toStdString();
        const std::string output = dir + "/stdout.txt";
        pid_t pid = 0;
        const int report = support::SpawnSelfReporting(
            "OutsideEndTest.ChildRecordsUntilEndedFromOutside",
            std::string(kChildEnv) + "=" + dir + ";" + std::to_string(how ? 0 : endAt), pid, output);
        ASSERT_GE(report, 0);

        // The rows as the child reports them; the signal goes after the endAt-th.
        std::vector<TRow> taken;
        std::string pending;
        bool sent = false, ended = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{report, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) continue;
            char buf[512];
            const ssize_t n = ::read(report, buf, sizeof buf);
            if (n <= 0) {
                ended = true;
                break;
            }
            pending.append(buf, size_t(n));
            for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
                std::istringstream in(pending.substr(0, nl));
                std::string word, x, y;
                TRow r;
                if (!(in >> word >> r.index >> x >> y) || word != "row") continue;
                std::from_chars(x.data(), x.data() + x.size(), r.x);
                std::from_chars(y.data(), y.data() + y.size(), r.y);
                taken.push_back(r);
            }
            if (how && !sent && int(taken.size()) >= endAt) {
                ::kill(pid, how);
                // A logout sends SIGHUP and SIGTERM: the second leaves the end alone.
                if (how == SIGHUP) ::kill(pid, SIGTERM);
                sent = true;
            }
        }
        ::close(report);
        if (!ended) ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        std::string childOutput;
        platform::ReadFileBytes(output, childOutput);
        ASSERT_TRUE(ended) << "the child did not end; its output:\n" << childOutput;
        // Of two signals sent together, either may be taken first: the end is that one's.
        const int endedBy = how == SIGHUP && WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM ? SIGTERM : how;
        if (how)
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == endedBy) << status << "\n" << childOutput;
        else
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << "\n" << childOutput;
        ASSERT_GE(int(taken.size()), endAt) << childOutput;

        const TRecordedDataRead file = ReadRecordedDataFile(dir + "/end_11.csv");
        ASSERT_TRUE(file.Loaded);
        EXPECT_FALSE(file.Damaged());
        ASSERT_GE(file.Rows(), int(taken.size()));
        for (const TRow& r : taken) {
            ASSERT_NEAR(file.X[size_t(r.index)], r.x, 1e-9) << r.index;
            ASSERT_NEAR(file.Y[0][size_t(r.index)], r.y, 0.0006) << r.index;
        }
        ASSERT_FALSE(file.EventProtocol.empty());
        const AnsiString expected = how ? "The program was ended from outside (SIG" +
                                              std::string(sigabbrev_np(endedBy)) +
                                              "): the recording ends here, every row was written."
                                        : "The connection to the program's display broke: the recording ends here, "
                                          "every row was written.";
        EXPECT_TRUE(file.EventProtocol.back().ends_with(" " + expected)) << file.EventProtocol.back();
        SingleInstanceLock next;
        EXPECT_TRUE(next.Acquire(dir)) << next.Error();
    }
}

// A save that fails at the end from outside (here the file's name was taken by a folder) is
// said on the standard error output, with the file and the reason, and counted there.
TEST(OutsideEndProcessTest, ASaveThatFailsAtTheEndFromOutsideIsSaid)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string dir = folder.path().toStdString();
    const std::string errors = dir + "/stderr.txt";
    pid_t pid = 0;
    const int report = support::SpawnSelfReporting("OutsideEndTest.ChildRecordsUntilEndedFromOutside",
                                                   std::string(kChildEnv) + "=" + dir + ";0", pid, "/dev/null", errors);
    ASSERT_GE(report, 0);
    // Two rows, then the file's name is taken and the program ended.
    const std::string file = dir + "/end_11.csv";
    support::ReadReport(::dup(report), 2);
    ASSERT_EQ(std::rename(file.c_str(), (dir + "/moved.csv").c_str()), 0);
    ASSERT_EQ(::mkdir(file.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((file + "/in").c_str(), 0755), 0);
    ::kill(pid, SIGTERM);
    char buf[512];
    pollfd p{report, POLLIN, 0};
    while (::poll(&p, 1, 60000) > 0 && ::read(report, buf, sizeof buf) > 0) {}
    ::close(report);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::string said;
    platform::ReadFileBytes(errors, said);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status << "\n" << said;
    EXPECT_NE(said.find("The recording of channel 1 could not be saved to " + file + ": "), std::string::npos) << said;
    EXPECT_NE(said.find("1 recording file(s) could not be saved"), std::string::npos) << said;
}

// The line that every row was written stands in the protocol only once they are: a save that
// fails at the end from outside leaves it out, and the failure follows the lines before it;
// a save that succeeds puts it into the file and, once written, into the protocol.
TEST_F(OutsideEndTest, TheLineThatEveryRowWasWrittenComesOnlyAfterTheirSave)
{
    const AnsiString why =
        "The program was ended from outside (SIGTERM): the recording ends here, every row was written.";
    for (const bool fails : {true, false}) {
        SCOPED_TRACE(fails ? "the save fails" : "the save succeeds");
        support::SimulatedUnitLine line;
        CChannelSession s(fails ? 1 : 2);
        ASSERT_NO_FATAL_FAILURE(UseOwnTcpUnit(line, s));
        ASSERT_NO_FATAL_FAILURE(Connect(s, Path(fails ? "fails.csv" : "works.csv")));
        TickAfterCycle(s);
        TickAfterCycle(s);
        const std::string file = s.PartFileName();
        if (fails) {
            ASSERT_TRUE(channeltest::Await([] { return TDataFileSaveQueue::Instance().Idle(); }));
            ASSERT_EQ(std::rename(file.c_str(), Path("moved.csv").c_str()), 0);
            ASSERT_EQ(::mkdir(file.c_str(), 0755), 0);
            ASSERT_EQ(::mkdir((file + "/in").c_str(), 0755), 0);
        }
        const std::vector<AnsiString> before = s.Memo(TSessionMemo::SerialData);
        bool done = false, written = false;
        ASSERT_TRUE(s.EndFromOutside(why, [&](bool ok) {
            written = ok;
            done = true;
        }));
        ASSERT_TRUE(channeltest::Await([&] { return done; }));
        const std::vector<AnsiString>& protocol = s.Memo(TSessionMemo::SerialData);
        ASSERT_GT(protocol.size(), before.size());
        EXPECT_TRUE(std::equal(before.begin(), before.end(), protocol.begin()));
        const auto saying = std::count_if(protocol.begin(), protocol.end(),
                                          [&](const AnsiString& l) { return l.ends_with(" " + why); });
        if (fails) {
            EXPECT_FALSE(written);
            EXPECT_EQ(saying, 0);
            EXPECT_NE(protocol[before.size()].find(ChannelText(resources::RowSavingFailed) + " " + file),
                      AnsiString::npos)
                << protocol[before.size()];
        } else {
            EXPECT_TRUE(written);
            EXPECT_EQ(saying, 1);
            EXPECT_TRUE(protocol.back().ends_with(" " + why)) << protocol.back();
            const TRecordedDataRead read = ReadRecordedDataFile(file);
            ASSERT_TRUE(read.Loaded);
            ASSERT_FALSE(read.EventProtocol.empty());
            EXPECT_TRUE(read.EventProtocol.back().ends_with(" " + why)) << read.EventProtocol.back();
            EXPECT_EQ(read.EventProtocol.size(), protocol.size());
        }
    }
}
