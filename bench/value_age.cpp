// How old the values are that a recording labels good: ten minutes of recording at a
// one-second interval, per transport (RS232, three RS485 slaves on one line, TCP/IP),
// against the simulated unit with faults on the way (20 s of silence, 10 s of garbage,
// 10 s of wrong checksums, 10 s of short replies and three single lost replies); and two
// minutes without any fault per transport, with units that take their time (RS232 replies
// after 900 ms, TCP/IP after 450 ms) and with four slaves on a 2400-Bd line (each reply
// comes after its frames' time on such a line), where every error point is a false one. The
// channel sessions, poll threads and ticks are the program's own; the device timing and
// the program's clock run five times faster than the wall clock, so the ten minutes take
// two. The unit's values carry the time they were sent, so each good point's values give
// their age at the tick (to a tenth of a second). Reported: median, 95th percentile and
// maximum age in seconds, the counts of good and error points and of ticks that took no
// point, the good points taken while a fault lasted (at its start a slave whose turn has
// not come yet still has a current cycle) and those of them that hold a value sent before
// the fault began.
// The faster clock shrinks the real time the program's allowances leave (a 300 ms poll
// step is 60 ms), and a loaded machine may hold a thread longer than that: then it is the
// benchmark's own timing that was missed, not the program's. A thread of the benchmark
// (the one that stamps the units' values) notes how long it was held; a tick before which
// it or the tick itself was held more than 50 program ms (in that second or the one
// before) counts apart ("held ticks"), neither as good nor as error point. When more than
// a tenth of the ticks were held, the run says that its measurement was not sound, what held
// it and for how long (a thread waiting for a core, the whole process held, the stamping
// thread held, a late tick), and how the machine's cores were used meanwhile (its
// hypervisor's share, other processes', the benchmark's own).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "BenchVerdict.h"
#include "ProcessHolds.h"
#include "app/RecordedDataWriter.h"
#include "channel/CChannelSession.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CChannel.h"
#include "comm/CIdentification.h"
#include "comm/CommTiming.h"
#include "comm/TfrmIdentification.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/UiDispatcher.h"
#include "support/PrivateSettings.h"
#include "support/SimulatedUnitLine.h"

namespace {

constexpr int kSpeed = 5;
constexpr double kHeldMs = 50;  // program ms a thread of the benchmark may be held at most
// Program ms after a hold in which a tick's values may still be from before it: the
// interval and the longest time a row of the poll cycle may take.
constexpr std::int64_t kSettleMs = 2500;
constexpr int kSeconds = 600;
constexpr int kWrap = 30000;  // tenths of a second the encoded send time runs through
bool gUnsound = false;        // a case whose measurement the machine spoilt
int gSeconds = 0;             // program seconds each recording takes when given (a short run)

// The program's clock, kSpeed times as fast as the wall clock.
class FastClock : public platform::Clock {
public:
    explicit FastClock(TDateTime start) : start_(start), origin_(std::chrono::steady_clock::now()) {}
    std::int64_t MilliTicks() const override
    {
        const auto wall = std::chrono::steady_clock::now() - origin_;
        return std::chrono::duration_cast<std::chrono::milliseconds>(wall).count() * kSpeed;
    }
    TDateTime Now() const override { return start_ + double(MilliTicks()) / MSecsPerDay; }

private:
    TDateTime start_;
    std::chrono::steady_clock::time_point origin_;
};

// Answers the file dialog with the recording's name and every box with OK.
class BenchDialogs : public platform::Dialogs {
public:
    int MessageBox(const AnsiString&, const AnsiString&, int) override { return IDOK; }
    bool FileDialog(platform::FileDialogRequest& req) override
    {
        req.fileName = file;
        return true;
    }
    bool InputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }
    AnsiString file;
};

bool Await(const std::function<bool()>& done, int timeoutMs = 20000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (platform::UiDispatcher::Instance().WaitRunning(done, 2)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return done();
    }
}

enum class Transport { Rs232, Rs485, Tcp };

// One value of each polled command group, and how its send time is encoded.
struct Watched {
    int series;
    double scale;  // value = tenths of a second since the start, modulo kWrap, / scale
};
constexpr Watched kWatched[] = {{sTIntern, 100}, {sT0, 100}, {sI, 100}, {sTU, 100}, {sAIF_Out, 1}, {sDrehzahl, 1}};

void Encode(support::SimulatedUnit& unit, std::int64_t ticks)
{
    const double t = double((ticks / 100) % kWrap);
    unit.Update([t](support::UnitState& u) {
        u.internalTemp = u.t0 = u.current = u.tu = t / 100;
        u.aifOut = u.speed = t;
    });
}

struct Fault {
    int from, seconds;
    support::UnitFault fault;
    int count;  // frames (-1: all while it lasts)
};
constexpr Fault kFaults[] = {
    {60, 20, support::UnitFault::NoReply, -1},        {180, 10, support::UnitFault::GarbageFirstByte, -1},
    {300, 10, support::UnitFault::WrongChecksum, -1}, {420, 10, support::UnitFault::Truncated, -1},
    {500, 1, support::UnitFault::NoReply, 1},         {520, 1, support::UnitFault::NoReply, 1},
    {540, 1, support::UnitFault::NoReply, 1},
};

double Percentile(std::vector<double>& v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

// One recording: the transport, how many units, how long each takes to answer (program
// milliseconds), the line's baud rate, and whether the faults are injected.
struct Setup {
    Transport transport;
    int units = 1;
    int replyDelayMs = 0;
    const char* baud = "19200";
    bool faults = true;
    const char* name = "";
};

void BM_ValueAgeOfGoodPoints(benchmark::State& state, Setup setup)
{
    const Transport transport = setup.transport;
    const int seconds = gSeconds > 0 ? gSeconds : setup.faults ? kSeconds : 120;

    comm::TCommTiming timing;
    timing.PollStepMs = 300 / kSpeed;
    timing.IdentificationStepMs = 50 / kSpeed;
    timing.ReadTimeoutMs = 1000 / kSpeed;
    timing.ReplyWaitMs = 500 / kSpeed;
    timing.BusWaitMs = 1;
    comm::SetTiming(timing);
    FastClock clock(EncodeDate(2026, 3, 28));
    platform::SetClock(&clock);
    BenchDialogs dialogs;
    platform::SetDialogs(&dialogs);
    QTemporaryDir folder;

    for (auto _ : state) {
        support::SimulatedUnitLine line;
        const int units = setup.units;
        for (int a = 1; a <= units; ++a) {
            support::UnitState u;
            u.address = a;
            line.AddUnit(u);
            if (setup.replyDelayMs > 0)
                line.Unit(a)->InjectFault(support::UnitFault::LateReply, -1, setup.replyDelayMs / kSpeed);
        }
        AnsiString error;
        if (!(transport == Transport::Tcp ? line.StartTcp(0, &error) : line.StartPty(&error))) {
            state.SkipWithError(error.c_str());
            break;
        }
        // The units' values follow the clock, a tenth of a second at a time. The thread that
        // stamps them also notes the longest time it was held beyond its sleep (real
        // microseconds), for the ticks to see whether the machine kept the benchmark's
        // timing.
        std::atomic<bool> stop{false};
        std::atomic<std::int64_t> heldUs{0};
        std::thread encoder([&] {
            auto last = std::chrono::steady_clock::now();
            while (!stop) {
                for (int a = 1; a <= units; ++a) Encode(*line.Unit(a), clock.MilliTicks());
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                const auto now = std::chrono::steady_clock::now();
                const std::int64_t held =
                    std::chrono::duration_cast<std::chrono::microseconds>(now - last).count() - 2000;
                last = now;
                std::int64_t seen = heldUs.load();
                while (held > seen && !heldUs.compare_exchange_weak(seen, held)) {}
            }
        });
        struct StopEncoder {
            std::atomic<bool>& stop;
            std::thread& thread;
            ~StopEncoder()
            {
                stop = true;
                thread.join();
            }
        } stopEncoder{stop, encoder};
        std::vector<std::unique_ptr<CChannelSession>> sessions;
        for (int a = 1; a <= units; ++a) {
            auto s = std::make_unique<CChannelSession>(a);
            s->Settings.Interval = "1";
            if (transport == Transport::Tcp) {
                s->Settings.Interface = "TCP/IP";
                s->Settings.IPAddress = "127.000.000.001";
                s->Settings.TCPPort = IntToStr(line.TcpPort());
            } else {
                s->Settings.Interface = transport == Transport::Rs232 ? "RS232" : "RS485";
                s->Settings.Port = line.SlavePath();
                // What a reply may take includes its time on the line, which the pseudo-
                // terminal does not speed up with the rest: the program's fastest rate keeps
                // that allowance nearest to its share of a real line's second (it stays
                // longer than that, so a late request is noticed later than on a real line).
                s->Settings.BaudRate = setup.baud;
                s->Settings.Slave = IntToStr(a);
            }
            dialogs.file = folder.path().toStdString() + "/age" + std::to_string(a);
            CChannelSession* session = s.get();
            if (!session->EstablishConnection() || !Await([&] {
                    CIdentification* id = session->ChannelObject() ? session->ChannelObject()->Identification : nullptr;
                    return id && id->IdentificationWindow() && id->IdentificationWindow()->OkEnabled();
                })) {
                state.SkipWithError("no identification");
                return;
            }
            session->ChannelObject()->Identification->IdentificationWindow()->bitOKClick();
            if (!Await([&] { return session->IsConnected(); })) {
                state.SkipWithError("not connected");
                return;
            }
            sessions.push_back(std::move(s));
        }

        std::vector<double> ages;
        int good = 0, errors = 0, goodInFaults = 0, staleInFaults = 0, heldTicks = 0, noPointTicks = 0;
        double longestHeldMs = 0;
        // A tick judges the program only when no thread of the process was held in the time
        // a good point's values may take to come in before it (the interval and a row's
        // time): the program's time until then counts from the hold's end.
        std::int64_t heldUntil = 0;
        benchverdict::ProcessHolds holds;
        const benchverdict::MachineLoad load;
        // What held the benchmark, by witness: how many times each saw a hold over kHeldMs
        // and the longest it saw (program ms).
        enum { kLate, kStamping, kProcess, kCore, kCauses };
        int causeCount[kCauses] = {};
        double causeLongest[kCauses] = {};
        const std::int64_t start = clock.MilliTicks();
        heldUs = 0;
        holds.HeldMsSinceLast();
        benchverdict::WindowBegins(setup.name, seconds * units);
        for (int second = 1; second <= seconds; ++second) {
            Await([&] { return clock.MilliTicks() >= start + second * 1000; });
            // Program milliseconds the tick came late, or the stamping thread was held since
            // the last tick; a hold shows in the values of this tick or the next.
            const double late = double(clock.MilliTicks() - (start + second * 1000));
            const benchverdict::ProcessHolds::THeld process = holds.HeldSinceLast();
            const double seen[kCauses] = {late, double(heldUs.exchange(0)) / 1000.0 * kSpeed,
                                          process.SleptOverMs * kSpeed, process.WaitedForCoreMs * kSpeed};
            const double held = *std::max_element(std::begin(seen), std::end(seen));
            for (int c = 0; c < kCauses; ++c) {
                causeLongest[c] = std::max(causeLongest[c], seen[c]);
                if (seen[c] > kHeldMs) ++causeCount[c];
            }
            longestHeldMs = std::max(longestHeldMs, held);
            if (held > kHeldMs) heldUntil = clock.MilliTicks() + kSettleMs;
            const bool timingMissed = clock.MilliTicks() < heldUntil;
            bool inFault = false;
            double faultStart = 0;  // seconds
            for (const Fault& f : kFaults) {
                if (!setup.faults) break;
                if (second == f.from)
                    for (int a = 1; a <= units; ++a) line.Unit(a)->InjectFault(f.fault, f.count);
                if (second == f.from + f.seconds && f.count < 0)
                    for (int a = 1; a <= units; ++a) {
                        line.Unit(a)->ClearFaults();
                        if (setup.replyDelayMs > 0)
                            line.Unit(a)->InjectFault(support::UnitFault::LateReply, -1, setup.replyDelayMs / kSpeed);
                    }
                if (second > f.from && second <= f.from + f.seconds) {
                    inFault = true;
                    faultStart = f.from;
                }
            }
            for (auto& s : sessions) {
                const int before = s->ValueSeries(0)->Count();
                s->Tick();
                const std::int64_t tenths = (clock.MilliTicks() / 100) % kWrap;
                const int n = s->ValueSeries(0)->Count() - 1;
                if (timingMissed) {
                    ++heldTicks;
                    continue;
                }
                // A tick may take no point (the first one waits for a cycle that is under
                // way): there is nothing of it to judge.
                if (n < before) {
                    ++noPointTicks;
                    continue;
                }
                if (!s->ValueSeries(0)->GetXLabel(n).empty()) {
                    ++errors;
                    continue;
                }
                ++good;
                if (inFault) ++goodInFaults;
                bool stale = false;
                for (const Watched& w : kWatched) {
                    const auto sent = std::int64_t(s->ValueSeries(w.series)->GetyValue(n) * w.scale + 0.5);
                    const double age = double((tenths - sent + kWrap) % kWrap) / 10.0;
                    ages.push_back(age);
                    stale = stale || double(clock.MilliTicks() - start) / 1000.0 - age < faultStart;
                }
                if (inFault && stale) ++staleInFaults;
            }
        }
        for (auto& s : sessions) s->Close();

        std::vector<double> sorted = ages;
        const double median = Percentile(sorted, 0.5), p95 = Percentile(sorted, 0.95);
        const double max = sorted.empty() ? 0 : sorted.back();
        state.counters["age_median_s"] = median;
        state.counters["age_p95_s"] = p95;
        state.counters["age_max_s"] = max;
        state.counters["good_points"] = good;
        state.counters["error_points"] = errors;
        state.counters["good_points_in_faults"] = goodInFaults;
        state.counters["stale_good_points_in_faults"] = staleInFaults;
        state.counters["held_ticks"] = heldTicks;
        state.counters["ticks_without_point"] = noPointTicks;
        std::printf(
            "%s: value age of good points median %.1f s, p95 %.1f s, max %.1f s; %d good, %d error points, "
            "%d good points during faults, %d of them with a value from before the fault; %d held ticks "
            "(longest hold %.0f program ms); %d ticks took no point\n",
            setup.name, median, p95, max, good, errors, goodInFaults, staleInFaults, heldTicks, longestHeldMs,
            noPointTicks);
        const int ticks = seconds * units;
        if (heldTicks * 10 > ticks) {
            std::printf(
                "%s: measurement not sound: the machine held the benchmark's threads more than %.0f program "
                "ms at %d of %d ticks (longest %.0f program ms)\n",
                setup.name, kHeldMs, heldTicks, ticks, longestHeldMs);
            // What held them and how much, so that a loaded machine is told from a fault of the
            // program: a hold the program caused itself shows as late ticks alone, never as
            // threads kept waiting for a core or the whole process held.
            std::printf(
                "%s: seconds with a hold over %.0f program ms, by what saw it (longest): a thread waited for a "
                "core %d (%.0f ms), the whole process was held %d (%.0f ms), the units' stamping thread was held "
                "%d (%.0f ms), the tick came late %d (%.0f ms)\n",
                setup.name, kHeldMs, causeCount[kCore], causeLongest[kCore], causeCount[kProcess],
                causeLongest[kProcess], causeCount[kStamping], causeLongest[kStamping], causeCount[kLate],
                causeLongest[kLate]);
            const benchverdict::MachineLoad::TShares shares = load.SinceStart();
            if (shares.Known)
                std::printf(
                    "%s: the machine's cores over the run: %.0f %% taken by its hypervisor (steal), %.0f %% by other "
                    "processes, %.0f %% by this benchmark (%u cores)\n",
                    setup.name, shares.StealPct, shares.OthersPct, shares.OursPct, std::thread::hardware_concurrency());
            else
                std::printf("%s: the machine's use of its cores cannot be read here (/proc/stat)\n", setup.name);
            gUnsound = true;
            state.SkipWithError("the machine did not keep the benchmark's timing");
        }
    }
    platform::SetDialogs(nullptr);
    // The saves the closed sessions set off read the clock: it goes only once they are done.
    TDataFileSaveQueue::Instance().WaitIdle();
    platform::SetClock(nullptr);
    comm::ResetTiming();
}

}  // namespace

#define NOX_VALUE_AGE(label, ...)                                                 \
    BENCHMARK_CAPTURE(BM_ValueAgeOfGoodPoints, label, Setup{__VA_ARGS__, #label}) \
        ->Iterations(1)                                                           \
        ->Unit(benchmark::kSecond)
NOX_VALUE_AGE(rs232, Transport::Rs232, 1, 0, "19200", true);
NOX_VALUE_AGE(rs485_three_slaves, Transport::Rs485, 3, 0, "19200", true);
NOX_VALUE_AGE(tcp, Transport::Tcp, 1, 0, "19200", true);
NOX_VALUE_AGE(rs232_no_fault, Transport::Rs232, 1, 0, "19200", false);
NOX_VALUE_AGE(rs485_three_slaves_no_fault, Transport::Rs485, 3, 0, "19200", false);
NOX_VALUE_AGE(tcp_no_fault, Transport::Tcp, 1, 0, "19200", false);
NOX_VALUE_AGE(rs232_replies_900ms_no_fault, Transport::Rs232, 1, 900, "19200", false);
NOX_VALUE_AGE(tcp_replies_450ms_no_fault, Transport::Tcp, 1, 450, "19200", false);
// 41 characters (a status frame and its reply) take 171 ms at 2400 Bd.
NOX_VALUE_AGE(rs485_four_slaves_2400_bd_no_fault, Transport::Rs485, 4, 180, "2400", false);

int main(int argc, char** argv)
{
    // "--seconds=N": each recording takes N program seconds (the faults that fall later are
    // not met).
    gSeconds = benchverdict::TakeCount(argc, argv, "seconds", 0);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // What the program keeps in its settings goes to a folder of the run's own.
    const QTemporaryDir settings;
    support::KeepSettingsIn(settings.path());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const bool ran = benchverdict::RunCases(nullptr);
    benchmark::Shutdown();
    if (!ran) return benchverdict::NoCaseRan();
    return gUnsound ? benchverdict::NotSound() : 0;
}
