// A recording whose whole process is stopped and let go on (what a suspend, a paused virtual
// machine or Ctrl+Z in a terminal does to every thread): a child process (this test program
// again) records three units of the parent at one second on the real clocks; the parent
// stops it with SIGSTOP and continues it with SIGCONT. The units' values are the time they
// answered, so every row the child reports tells how old its values are.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChannelTestSupport.h"
#include "channel/ChannelTexts.h"
#include "chart/series/TFastLineSeries.h"
#include "support/SpawnSelf.h"

using namespace channeltest;

namespace {

constexpr const char* kChildEnv = "NOX_STOPPED_CHILD";  // "tcpPort;tcpPort;ptyPath"
constexpr int kReportFd = support::kChildReportFd;
// The series of three polled command groups (G, S1, S3) the units fill with the time.
constexpr int kTimed[] = {sTIntern, sT0, sTU};

std::int64_t MonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

class StoppedProcessTest : public ChannelFixture {};

// The child: three channels at one second, ticked as the window's timer ticks them (a tick
// that is overdue comes at once, the next one an interval later). After each tick it reports
// each channel's last row with the time the tick began. Ends when the parent kills it.
TEST_F(StoppedProcessTest, ChildRecordsUntilKilled)
{
    const char* env = std::getenv(kChildEnv);
    if (!env) GTEST_SKIP() << "runs only as the child of NoGoodPointAfterAStopHoldsAValueFromBeforeIt";
    std::vector<std::string> args;
    std::stringstream in(env);
    for (std::string a; std::getline(in, a, ';');) args.push_back(a);
    ASSERT_EQ(args.size(), 3u);
    FILE* report = fdopen(kReportFd, "w");
    ASSERT_NE(report, nullptr);
    platform::SetClock(nullptr);
    deviceTime.RunOnSteadyClock();

    std::vector<std::unique_ptr<CChannelSession>> sessions;
    for (int ch = 1; ch <= 3; ++ch) {
        sessions.push_back(std::make_unique<CChannelSession>(ch));
        CChannelSession& s = *sessions.back();
        if (ch < 3)
            UseTcp(s, std::stoi(args[std::size_t(ch - 1)]));
        else
            UseSerial(s, "RS232", args[2]);
        s.Settings.Interval = "1";
        ASSERT_NO_FATAL_FAILURE(Connect(s, Path(("stopped" + std::to_string(ch)).c_str())));
    }
    const AnsiString error = ChannelText(resources::RowErrorExclamation);
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < 300; ++i) {
        next += std::chrono::seconds(1);
        ASSERT_TRUE(Await([&] { return std::chrono::steady_clock::now() >= next; }));
        if (std::chrono::steady_clock::now() > next + std::chrono::seconds(1)) next = std::chrono::steady_clock::now();
        const std::int64_t at = MonotonicMs();
        for (auto& s : sessions) {
            s->Tick();
            const TFastLineSeries* first = s->ValueSeries(0);
            const int n = first->Count() - 1;
            std::fprintf(report, "row %d %lld %d", s->Channel(), static_cast<long long>(at),
                         first->GetXLabel(n) == error ? 0 : 1);
            for (int k : kTimed) std::fprintf(report, " %.2f", s->ValueSeries(k)->GetyValue(n));
            std::fprintf(report, "\n");
        }
        std::fflush(report);
    }
    FAIL() << "not killed";
}

struct TStop {
    std::int64_t stoppedMs = 0;  // MonotonicMs before SIGSTOP
    std::int64_t continuedMs = 0;
    std::map<int, int> goodAfter;  // good rows after it, per channel
};

}  // namespace

// Stopped three times for two and a half seconds (longer than the poll threads' passes may
// lie apart however the cycles fall): after each stop the points are errors until the
// units have answered again, and the recording then goes on with good points.
TEST_F(StoppedProcessTest, NoGoodPointAfterAStopHoldsAValueFromBeforeIt)
{
    // Each unit's values are the seconds since the start at which it answered.
    support::SimulatedUnitLine tcp1, tcp2, pty;
    for (support::SimulatedUnitLine* line : {&tcp1, &tcp2, &pty}) line->AddUnit();
    AnsiString error;
    ASSERT_TRUE(tcp1.StartTcp(0, &error)) << error;
    ASSERT_TRUE(tcp2.StartTcp(0, &error)) << error;
    ASSERT_TRUE(pty.StartPty(&error)) << error;
    const std::int64_t base = MonotonicMs();
    std::atomic<bool> running{true};
    std::thread clockUnits([&] {
        while (running) {
            const double seconds = double(MonotonicMs() - base) / 1000.0;
            for (support::SimulatedUnitLine* line : {&tcp1, &tcp2, &pty})
                line->First().Update([seconds](support::UnitState& u) { u.internalTemp = u.t0 = u.tu = seconds; });
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    struct Join {
        std::atomic<bool>& running;
        std::thread& thread;
        ~Join()
        {
            running = false;
            thread.join();
        }
    } join{running, clockUnits};

    pid_t pid = 0;
    const int report = support::SpawnSelfReporting("StoppedProcessTest.ChildRecordsUntilKilled",
                                                   std::string(kChildEnv) + "=" + std::to_string(tcp1.TcpPort()) + ";" +
                                                       std::to_string(tcp2.TcpPort()) + ";" + pty.SlavePath(),
                                                   pid);
    ASSERT_GE(report, 0);
    struct Reap {
        pid_t pid;
        ~Reap()
        {
            ::kill(pid, SIGCONT);
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
    } reap{pid};

    FILE* rows = fdopen(report, "r");
    ASSERT_NE(rows, nullptr);
    std::vector<TStop> stops;
    int ticksSinceStop = 0, badRows = 0;
    char buf[512];
    while (stops.size() <= 3 && std::fgets(buf, sizeof buf, rows)) {
        std::istringstream l(buf);
        std::string word;
        int channel = 0, good = 0;
        long long at = 0;
        if (!(l >> word >> channel >> at >> good) || word != "row") continue;
        // A row taken after a stop: a good one holds only values the unit sent after it.
        TStop* after = !stops.empty() && at >= stops.back().continuedMs ? &stops.back() : nullptr;
        const double stoppedAt = after ? double(after->stoppedMs - base) / 1000.0 : 0;
        for (double value = 0; l >> value;)
            if (after && good && value < stoppedAt - 0.05 && ++badRows <= 10)
                ADD_FAILURE() << "channel " << channel << ", " << at - after->continuedMs
                              << " ms after the stop: a good point with a value of " << stoppedAt - value
                              << " s before the stop";
        if (after && good) ++after->goodAfter[channel];
        if (channel != 3) continue;
        ++ticksSinceStop;
        // Four ticks before the first stop; after each, until every channel has had two good
        // points (at most fifteen ticks).
        bool settled = stops.empty() ? ticksSinceStop >= 4 : ticksSinceStop >= 15;
        if (!stops.empty() && !settled) {
            settled = true;
            for (int ch = 1; ch <= 3; ++ch) settled = settled && stops.back().goodAfter[ch] >= 2;
        }
        if (!settled) continue;
        if (stops.size() == 3) break;
        TStop stop;
        stop.stoppedMs = MonotonicMs();
        ASSERT_EQ(::kill(pid, SIGSTOP), 0);
        // The stop itself: what the test is about, not a wait for luck.
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        stop.continuedMs = MonotonicMs();
        ASSERT_EQ(::kill(pid, SIGCONT), 0);
        stops.push_back(stop);
        ticksSinceStop = 0;
    }
    std::fclose(rows);
    ASSERT_EQ(stops.size(), 3u);
    EXPECT_EQ(badRows, 0);
    for (const TStop& stop : stops)
        for (int ch = 1; ch <= 3; ++ch) EXPECT_GE(stop.goodAfter.count(ch) ? stop.goodAfter.at(ch) : 0, 2) << ch;
}
