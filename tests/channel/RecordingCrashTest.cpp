// A recording killed without warning: a child process (this test program again) records a
// simulated unit and reports every row it took; the parent kills it with SIGKILL at chosen
// moments and reads the files back with the program's own reader.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>

#include <QDir>
#include <QFile>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ChannelTestSupport.h"
#include "app/RecordedDataFile.h"
#include "app/RecordedDataWriter.h"
#include "chart/series/TFastLineSeries.h"
#include "platform/FileSave.h"
#include "support/SpawnSelf.h"

extern char** environ;

// Every pwrite of this test program passes here. A child told to (gCutWrite > 0) kills
// itself half-way through its data file's gCutWrite-th write in place (a write to a ".csv"
// name at an offset past its start: the minute's write; whole saves write temporary files).
namespace {
std::atomic<int> gCutWrite{0};
}  // namespace
extern "C" ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset)
{
    if (gCutWrite > 0 && offset > 0 && count > 1) {
        char name[4096];
        const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name - 1);
        const std::string_view named(name, n > 0 ? size_t(n) : 0);
        if (named.size() > 4 && named.substr(named.size() - 4) == ".csv" && --gCutWrite == 0) {
            ::syscall(SYS_pwrite64, fd, buf, count / 2, offset);
            ::raise(SIGKILL);
        }
    }
    return ::syscall(SYS_pwrite64, fd, buf, count, offset);
}

using namespace channeltest;

namespace {

// What the child is told, through its environment.
constexpr const char* kChildEnv = "NOX_RECORDING_CHILD";  // "folder;interval;ticks;saveAt;cutWrite;holdAt"
constexpr int kReportFd = support::kChildReportFd;

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
// After the row the parent kills at (the `holdAt`-th, or the one after the save) the child
// records no more: however late the parent comes to kill, it finds it there.
TEST_F(RecordingCrashTest, ChildRecordsUntilKilled)
{
    const char* env = std::getenv(kChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of KilledRecordingsKeepEveryRowOlderThanAMinute";
    std::vector<std::string> args;
    std::stringstream in(env);
    for (std::string a; std::getline(in, a, ';');) args.push_back(a);
    ASSERT_EQ(args.size(), 6u);
    const int ticks = std::stoi(args[2]), saveAt = std::stoi(args[3]), holdAt = std::stoi(args[5]);
    gCutWrite = std::stoi(args[4]);
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
    // Waits for the kill (bounded: a parent that never kills fails the child).
    auto hold = [&] {
        for (int waited = 0; waited < 600; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(100));
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
        if ((holdAt > 0 && i + 1 == holdAt) || (saveAt > 0 && i == saveAt)) hold();
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
    int cutWrite = 0;  // the child kills itself inside this write in place instead
};

// Starts the child, kills it when the scenario says, and returns the rows it reported.
std::vector<TRow> RunAndKill(const std::string& folder, const TScenario& sc)
{
    const int ticks = sc.saveAt > 0 ? sc.saveAt + 100 : sc.killAfterRows + 200;
    pid_t pid = 0;
    const int report = support::SpawnSelfReporting(
        "RecordingCrashTest.ChildRecordsUntilKilled",
        std::string(kChildEnv) + "=" + folder + ";" + std::to_string(sc.interval) + ";" + std::to_string(ticks) + ";" +
            std::to_string(sc.saveAt) + ";" + std::to_string(sc.cutWrite) + ";" +
            std::to_string(sc.saveAt > 0 || sc.cutWrite > 0 ? 0 : sc.killAfterRows),
        pid);
    std::vector<TRow> rows;
    if (report < 0) return rows;
    FILE* in = fdopen(report, "r");
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
        if (now && !killed && sc.cutWrite == 0) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
    }
    std::fclose(in);  // the pipe is read to its end: rows reported before the kill count
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE((killed || sc.cutWrite > 0) && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << sc.what;
    return rows;
}

// Every row older than a minute, and the protocol line after it, is in the part's file,
// once, in order and with its values, and every file reads whole.
void KillAndCheck(const std::string& dir, const TScenario& sc)
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
        for (const TDataFileProblem& p : file.Problems) ADD_FAILURE() << int(p.Kind) << " " << p.Detail;
        // A row the file holds is the row taken at its place; the rows older than a
        // minute are all there.
        ASSERT_LE(file.Rows(), int(taken.size()) + 1);
        for (int i = 0; i < file.Rows() && i < int(taken.size()); ++i) {
            ASSERT_EQ(taken[size_t(i)].index, i);
            ASSERT_NEAR(file.X[size_t(i)], taken[size_t(i)].x, 1e-9) << i;
            ASSERT_NEAR(file.Y[0][size_t(i)], taken[size_t(i)].y, 0.0006) << i;
        }
        int older = 0;
        std::set<std::string> inFile;
        for (const AnsiString& l : file.EventProtocol)
            if (const size_t at = l.find(ProtocolLine(0).substr(0, 10)); at != std::string::npos)
                inFile.insert(l.substr(at));
        for (const TRow& r : taken)
            if (r.part < last.part || (last.x - r.x) * 86400.0 > 60.0) {
                ++older;
                // The line after a part's last row may go with the next part.
                if (r.index > 0 && &r != &taken.back()) {
                    EXPECT_TRUE(inFile.count(ProtocolLine(r.index))) << r.index;
                }
            }
        EXPECT_GE(file.Rows(), older);
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

// The file is written about once a minute: a kill at any second of that minute loses less,
// and so does a kill inside that write, which replaces the sections behind the rows.
TEST_F(RecordingCrashTest, AKillAtEverySecondOfAMinuteLosesLessThanAMinute)
{
    for (int second = 0; second < 60; ++second) {
        SCOPED_TRACE("killed after " + std::to_string(120 + second) + " rows");
        const TScenario sc{"a second of a minute", 1, 120 + second, 0};
        KillAndCheck(folder.path().toStdString() + "/second" + std::to_string(second), sc);
    }
    for (int write = 1; write <= 2; ++write) {
        SCOPED_TRACE("killed inside write " + std::to_string(write));
        KillAndCheck(folder.path().toStdString() + "/write" + std::to_string(write),
                     {"inside a write", 1, 0, 0, write});
    }
    if (HasFailure()) return;
    for (int write = 1; write <= 2; ++write) {
        SCOPED_TRACE("killed inside write " + std::to_string(write));
        const std::string dir = folder.path().toStdString() + "/write" + std::to_string(write);

        // The next save into the folder of a later run finishes the write on the disk, where
        // any other program reads it; a file saved whole since keeps what it was saved with,
        // and the side file put back beside it, whose end is in no file, stays.
        const std::string file = dir + "/run_11.csv", pending = file + std::string(platform::PendingWriteSuffix);
        std::string expected, bytes, record;
        ASSERT_TRUE(platform::ReadGrowingFile(file, 1 << 30, expected));
        ASSERT_TRUE(platform::ReadFileBytes(pending, record));
        const timespec earlier[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
        auto leftOver = [&] { return ::utimensat(AT_FDCWD, pending.c_str(), earlier, 0) == 0; };
        ASSERT_TRUE(write == 1 || platform::SaveFileAtomic(file, "saved whole"));
        if (write == 2) {
            ASSERT_TRUE(platform::SaveFileAtomic(pending, record));
            ASSERT_TRUE(platform::ReadGrowingFile(file, 1 << 30, bytes));
            EXPECT_EQ(bytes, "saved whole");
        }
        ASSERT_TRUE(leftOver());
        ASSERT_TRUE(platform::SaveFileAtomic(dir + "/run.txt", "another file"));
        ASSERT_TRUE(platform::ReadFileBytes(file, bytes));
        EXPECT_EQ(bytes, write == 1 ? expected : "saved whole");
        EXPECT_EQ(QFile::exists(QString::fromStdString(pending)), write == 2);
    }
}
