// A recording killed without warning: a child process (this test program again) records a
// simulated unit and reports every row it took; the parent kills it with SIGKILL at chosen
// moments and reads the files back with the program's own reader.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>

#include <QDir>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ChannelTestSupport.h"
#include "app/RecordedDataFile.h"
#include "app/RecordedDataWriter.h"
#include "chart/series/TFastLineSeries.h"
#include "support/SpawnSelf.h"

extern char** environ;

using namespace channeltest;

namespace {

// What the child is told, through its environment.
constexpr const char* kChildEnv = "NOX_RECORDING_CHILD";  // "folder;interval;ticks;saveAt"
constexpr int kReportFd = 3;

struct TRow {
    int part = 0;
    int index = 0;
    double x = 0;
    double y = 0;
};

class RecordingCrashTest : public ChannelFixture {};

// The protocol line the child adds after the row of `index`.
AnsiString ProtocolLine(int index)
{
    return " Timeout ! after row " + IntToStr(index);
}

// The child: records until it is killed, one tick after the other on the injected clock.
// Each tick adds a line to the event protocol (as a unit that does not answer does). After
// each tick the file work it caused is done, then the tick's row is reported; the save
// asked for at tick `saveAt` is reported before it is done, so that the kill falls into it.
TEST_F(RecordingCrashTest, ChildRecordsUntilKilled)
{
    const char* env = std::getenv(kChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of KilledRecordingsKeepEveryRowOlderThanAMinute";
    std::vector<std::string> args;
    std::stringstream in(env);
    for (std::string a; std::getline(in, a, ';');) args.push_back(a);
    ASSERT_EQ(args.size(), 4u);
    const int ticks = std::stoi(args[2]), saveAt = std::stoi(args[3]);
    FILE* report = fdopen(kReportFd, "w");
    ASSERT_NE(report, nullptr);

    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartPty(&error)) << error;
    CChannelSession s(1);
    s.Settings.Interval = args[1];
    UseSerial(s, "RS232", line.SlavePath());
    Connect(s, args[0] + "/run.csv");
    TDataFileSaveQueue& queue = TDataFileSaveQueue::Instance();
    auto tick = [&] {
        const int part = s.PartNumber();
        const TFastLineSeries* s0 = s.ValueSeries(0);
        const int n = s0->Count();
        const TRow row{part, n - 1, s0->GetxValue(n - 1), s0->GetyValue(n - 1)};
        queue.WaitIdle();
        std::fprintf(report, "row %d %d %.17g %.17g\n", row.part, row.index, row.x, row.y);
        std::fflush(report);
    };
    tick();  // the first point, taken as the recording started
    for (int i = 1; i < ticks; ++i) {
        if (i % 50 == 0) AwaitCycle(s);  // fresh values now and then
        clock.AdvanceMs(std::int64_t(s.SamplingInterval()) * 1000);
        s.Tick();
        s.AddMemoLine(TSessionMemo::SerialData, ProtocolLine(s.ValueSeries(0)->Count() - 1));
        if (i == saveAt) {
            s.SaveRecording();
            std::fprintf(report, "save\n");
            std::fflush(report);
        }
        tick();
    }
    std::fprintf(report, "end\n");
    std::fflush(report);
    FAIL() << "not killed";
}

struct TScenario {
    const char* what;
    int interval;
    int killAfterRows;  // or at the save when saveAt > 0
    int saveAt;
};

// Starts the child, kills it when the scenario says, and returns the rows it reported.
std::vector<TRow> RunAndKill(const std::string& folder, const TScenario& sc)
{
    int fds[2];
    if (::pipe(fds) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], kReportFd);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int ticks = sc.saveAt > 0 ? sc.saveAt + 100 : sc.killAfterRows + 200;
    pid_t pid = 0;
    const int spawned = support::SpawnSelf("RecordingCrashTest.ChildRecordsUntilKilled",
                                           std::string(kChildEnv) + "=" + folder + ";" + std::to_string(sc.interval) +
                                               ";" + std::to_string(ticks) + ";" + std::to_string(sc.saveAt),
                                           &actions, pid);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::vector<TRow> rows;
    if (spawned != 0) {
        ::close(fds[0]);
        return rows;
    }
    FILE* in = fdopen(fds[0], "r");
    char buf[256];
    bool killed = false;
    while (std::fgets(buf, sizeof buf, in)) {
        std::string l(buf);
        if (l.rfind("row ", 0) == 0) {
            TRow r;
            std::istringstream ls(l.substr(4));
            std::string x, y;
            ls >> r.part >> r.index >> x >> y;
            std::from_chars(x.data(), x.data() + x.size(), r.x);
            std::from_chars(y.data(), y.data() + y.size(), r.y);
            rows.push_back(r);
        }
        const bool now = sc.saveAt > 0 ? l == "save\n" : int(rows.size()) == sc.killAfterRows;
        if (now && !killed) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
    }
    std::fclose(in);  // the pipe is read to its end: rows reported before the kill count
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(killed && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << sc.what;
    return rows;
}

// Every row older than a minute, and the protocol line after it, is in the part's file,
// once, in order and with its values, and every file reads. A kill that lands inside the
// write of a minute's rows and sections can leave the rows without all of the sections
// after them: where the caller counts such parts, their protocol is not looked for.
void KillAndCheck(const std::string& dir, const TScenario& sc, int* cut = nullptr)
{
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
    const std::vector<TRow> rows = RunAndKill(dir, sc);
    ASSERT_GT(rows.size(), 10u);
    const TRow& last = rows.back();
    std::map<int, std::vector<TRow>> byPart;
    for (const TRow& r : rows) byPart[r.part].push_back(r);
    for (const auto& [part, taken] : byPart) {
        SCOPED_TRACE("part " + std::to_string(part));
        const TRecordedDataRead file = ReadRecordedDataFile(dir + "/run_1" + std::to_string(part) + ".csv");
        ASSERT_TRUE(file.Loaded);
        bool sectionsCut = false;
        for (const TDataFileProblem& p : file.Problems) {
            EXPECT_EQ(p.Kind, TDataFileProblemKind::MissingSections);
            sectionsCut = sectionsCut || p.Kind == TDataFileProblemKind::MissingSections;
        }
        // A row the file holds is the row taken at its place; the rows older than a
        // minute are all there.
        ASSERT_LE(file.Rows(), int(taken.size()) + 1);
        for (int i = 0; i < file.Rows() && i < int(taken.size()); ++i) {
            ASSERT_EQ(taken[size_t(i)].index, i);
            ASSERT_NEAR(file.X[size_t(i)], taken[size_t(i)].x, 1e-9) << i;
            ASSERT_NEAR(file.Y[0][size_t(i)], taken[size_t(i)].y, 0.0006) << i;
        }
        int older = 0;
        std::vector<AnsiString> olderLines;
        for (const TRow& r : taken)
            if (r.part < last.part || (last.x - r.x) * 86400.0 > 60.0) {
                ++older;
                // The line after a part's last row may go with the next part.
                if (r.index > 0 && &r != &taken.back()) olderLines.push_back(ProtocolLine(r.index));
            }
        EXPECT_GE(file.Rows(), older);
        std::set<std::string> inFile;
        for (const AnsiString& l : file.EventProtocol)
            if (const size_t at = l.find(ProtocolLine(0).substr(0, 10)); at != std::string::npos)
                inFile.insert(l.substr(at));
        const bool linesCut = std::any_of(olderLines.begin(), olderLines.end(),
                                          [&](const AnsiString& line) { return inFile.count(line) == 0; });
        if (cut && (sectionsCut || linesCut)) {
            ++*cut;
        } else {
            for (const AnsiString& line : olderLines) EXPECT_TRUE(inFile.count(line)) << line;
        }
    }
}

}  // namespace

// Killed in its first minute, in the middle of a part after a save, right after a part
// change and during a save.
TEST_F(RecordingCrashTest, KilledRecordingsKeepEveryRowOlderThanAMinute)
{
    const TScenario scenarios[] = {
        {"within the first minute", 1, 30, 0},
        {"mid-part, after the 2400-tick save", 1, 2700, 0},
        {"right after a part change", 60, 723, 0},
        {"during a save", 1, 0, 1500},
    };
    int n = 0;
    for (const TScenario& sc : scenarios) {
        SCOPED_TRACE(sc.what);
        const std::string dir = folder.path().toStdString() + "/run" + std::to_string(++n);
        KillAndCheck(dir, sc);
    }
}

// The file is written about once a minute: a kill at any second of that minute loses less.
TEST_F(RecordingCrashTest, AKillAtEverySecondOfAMinuteLosesLessThanAMinute)
{
    int cut = 0;
    for (int second = 0; second < 60; ++second) {
        SCOPED_TRACE("killed after " + std::to_string(120 + second) + " rows");
        const TScenario sc{"a second of a minute", 1, 120 + second, 0};
        KillAndCheck(folder.path().toStdString() + "/second" + std::to_string(second), sc, &cut);
    }
    // Only a kill at the tick that writes can land inside the write.
    EXPECT_LE(cut, 2);
}
