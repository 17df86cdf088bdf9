// Ten recording windows as the program makes them, one recording tick of all ten: the main
// window shown maximised on a 1920 x 1080 screen, File > New > Record data ten times (the
// main window's set-up of each channel window), each window connected over TCP/IP to a
// simulated unit at a 1-second interval, "Label" ticked as the connection leaves it. A tick
// is what the program does every second: each window's timer handler (the appends, the
// part file's growth, the time axis, the vertical range) and then the repaint Qt does
// for what became dirty. Measured on the user-interface thread in CPU time at 0 h, 1 h,
// 6 h and 12 h of one-second points (the hours before a tick are appended straight into
// the series as the ticks would have added them, each at its own second, and the clock is
// where those ticks would have left it: the recording sees no gap to fill), with the
// windows at the size the program opens them and with the active one maximised. A case
// whose history is not in time order measures something else and gives no figure.
// Reported as the share of one core at one tick a second (the median of three repetitions'
// means of 60 ticks), the growth from 0 h and the longest tick; the goals are at most 5 % of a core,
// growth to 12 h at most 1.5 x and no tick longer than 20 ms. Goals are judged only from
// the cases that ran; a run in which none ran fails. Each goal is judged where the
// repetitions agree on which side of it they are (for the growth: every repetition of the
// 12 h stage against every one of the 0 h stage, which ran earlier), and named as not judged
// where they lie on both sides of it. The core share and the longest tick are CPU times that
// the machine's other work lengthens: they are met where every repetition meets them, and
// missed only where every repetition misses them on a calm machine (its other work, measured
// beside each repetition, took at most a quarter of its cores); over the goal on a busy
// machine is named as not judged. A goal missed is named with its figures.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchVerdict.h"
#include "ProcessHolds.h"
#include "app/CLanguage.h"
#include "app/TfrmMainWindow.h"
#include "channel/CChannelSession.h"
#include "channel/ChartClasses.h"
#include "channel/ProgramForms.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CChannel.h"
#include "comm/CIdentification.h"
#include "comm/TfrmIdentification.h"
#include "platform/DateTime.h"
#include "platform/FileSave.h"
#include "platform/FormatSettings.h"
#include "platform/UiDispatcher.h"
#include "support/PrivateSettings.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedUnitLine.h"

namespace {

constexpr int kWindows = 10;
// A part ends 12 hours after its start and starts the next one empty; the longest
// recording measured stops short of that by the ticks the benchmark itself adds.
constexpr int kTwelveHours = 43200 - 600;

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Runs queued calls and Qt events until done() holds; false after the bound.
bool Await(const std::function<bool()>& done, int timeoutMs = 30000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (platform::UiDispatcher::Instance().WaitRunning(done, 5)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return done();
    }
}

class Program {
public:
    Program()
    {
        clock.Set(EncodeDate(2026, 3, 28) + EncodeTime(6, 0, 0, 0));
        platform::SetClock(&clock);
        platform::SetDialogs(&dialogs);
        CChannelSession::DefaultDataFolder = folder.path().toStdString();
        RegisterChartClasses();
        forms = std::make_unique<TProgramForms>(CLanguage::English);
        TfrmMainWindow* main = forms->MainWindow.get();
        main->tmrPopUp->stop();
        main->showMaximized();
        Await([] { return false; }, 200);
        for (int c = 0; c < kWindows; ++c) Open(c);
        // The program's timers stay off: the benchmark ticks itself, a second at a time.
        for (TmdiSubWindow* w : windows) w->tmrDataUpdate->stop();
        Settle();
        opened = windows.back()->SubWindow()->geometry();
        // What the windows are measured on, as the main window has it (not what was asked for).
        std::printf("main window %dx%d\n", main->width(), main->height());
    }
    ~Program()
    {
        for (TmdiSubWindow* w : windows) w->Session().Close();
        forms.reset();
        for (auto& l : lines) l->Stop();
        platform::SetDialogs(nullptr);
        platform::SetClock(nullptr);
    }

    // Appends the points of the seconds up to `seconds` after the start as the ticks would
    // have: one a second in every recorded series, a smooth lab trace near the unit's value,
    // the setpoint held where the unit has it. The clock then stands where the last of those
    // ticks left it, and each recording is told so by a tick that records nothing (as a
    // recording waiting for its timed start ticks): the next tick follows on from the
    // history, with no gap for it to fill with missed-tick rows.
    void RecordUpTo(int seconds)
    {
        if (seconds <= recorded) return;
        for (TmdiSubWindow* w : windows) {
            CChannelSession& s = w->Session();
            for (int k = 0; k < ValueSeriesTotal; ++k) {
                TFastLineSeries* series = s.ValueSeries(k);
                if (!series || series->Tag != 1 || series->Count() == 0) continue;
                const double x0 = series->GetxValue(0);
                const double base = series->GetyValue(series->Count() - 1);
                std::vector<double> xs, ys;
                for (int t = recorded + 1; t <= seconds; ++t) {
                    xs.push_back(x0 + t / 86400.0);
                    const double wave =
                        k == sSollwert ? 0.0
                                       : 0.5 * std::sin(t * 6.283 / 5400.0 + k) + 0.05 * std::sin(t * 6.283 / 97.0);
                    ys.push_back(std::round((base + wave) * 100.0) / 100.0);
                }
                series->BeginUpdate();
                series->AddXYs(xs.data(), ys.data(), int(xs.size()));
                series->EndUpdate();
            }
        }
        clock.AdvanceMs(std::int64_t(seconds - recorded) * 1000);
        recorded = seconds;
        for (TmdiSubWindow* w : windows) {
            CChannelSession& s = w->Session();
            s.SetRecordingSuspended(true);
            s.Tick();
            s.SetRecordingSuspended(false);
        }
        // The part files take in the appended rows on the first ticks.
        for (int i = 0; i < 3; ++i) Tick();
        Settle();
    }

    // Empty when no recorded series' time values fall from one point to the next (as a
    // recording's never do); otherwise where they do. Points of one moment are in order:
    // the benchmark's clock stands still while the windows are opened.
    std::string TimeOrderFault() const
    {
        for (std::size_t c = 0; c < windows.size(); ++c) {
            CChannelSession& s = windows[c]->Session();
            for (int k = 0; k < ValueSeriesTotal; ++k) {
                TFastLineSeries* series = s.ValueSeries(k);
                if (!series || series->Tag != 1) continue;
                for (int i = 1; i < series->Count(); ++i)
                    if (series->GetxValue(i) < series->GetxValue(i - 1))
                        return "window " + std::to_string(c + 1) + ", series " + std::to_string(k) + ", point " +
                               std::to_string(i) + " of " + std::to_string(series->Count());
            }
        }
        return {};
    }

    void Maximise(bool on)
    {
        QMdiSubWindow* active = windows.back()->SubWindow();
        if (on) {
            active->showMaximized();
        } else {
            // Back at the size the program opened it, so that every stage draws the same chart
            // (a window restored from maximised may come back larger).
            active->showNormal();
            active->setGeometry(opened);
        }
        Settle();
        Tick();
    }

    // One tick of every window and the repaint that follows; the user-interface thread's CPU
    // seconds. Each window's timer is an event of its own: its handler runs, then Qt
    // repaints what it made dirty. The longest of these is kept in LongestWindow.
    double Tick()
    {
        clock.AdvanceMs(1000);
        ++recorded;
        double total = 0;
        for (TmdiSubWindow* w : windows) {
            const double t0 = ThreadCpuSeconds();
            w->tmrDataUpdateTimer();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            const double t = ThreadCpuSeconds() - t0;
            LongestWindow = std::max(LongestWindow, t);
            total += t;
        }
        return total;
    }
    double LongestWindow = 0;

    int Points() const { return windows.front()->Session().ValueSeries(0)->Count(); }
    QSize ChartSize() const
    {
        const TChart* c = windows.back()->graDataGraph;
        return QSize(c->width(), c->height());
    }

private:
    void Open(int c)
    {
        auto line = std::make_unique<support::SimulatedUnitLine>();
        support::UnitState unit;
        unit.deviceName = "BATH " + std::to_string(c + 1);
        line->AddUnit(unit);
        AnsiString error;
        if (!line->StartTcp(0, &error)) std::fprintf(stderr, "simulated unit: %s\n", error.c_str());
        TfrmMainWindow* main = forms->MainWindow.get();
        main->mnuDatenaufzeichnung->trigger();
        auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
        if (!w) {
            std::fprintf(stderr, "no channel window opened\n");
            std::exit(1);
        }
        w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
        w->edPort->setText(QString::number(line->TcpPort()));
        const int second = w->cmbActual->findText("1");
        if (second >= 0) w->cmbActual->setCurrentIndex(second);
        dialogs.QueueFileName(folder.path().toStdString() + "/rec" + std::to_string(c + 1));
        w->cmdEstablishConnectionClick();
        CChannel* channel = w->Session().ChannelObject();
        CIdentification* id = channel ? channel->Identification : nullptr;
        const bool identified = id && Await([&] {
                                    TfrmIdentification* f = id->IdentificationWindow();
                                    return f && f->OkEnabled();
                                });
        if (identified) id->IdentificationWindow()->bitOKClick();
        if (!identified || !Await([&] { return w->IsConnected(); })) {
            std::fprintf(stderr, "channel %d did not connect\n", c + 1);
            std::exit(1);
        }
        if (w->Session().SamplingInterval() != 1) std::fprintf(stderr, "channel %d: interval not 1 s\n", c + 1);
        lines.push_back(std::move(line));
        windows.push_back(w);
    }

    // Lets the poll threads' first replies and the window system's events come in.
    void Settle()
    {
        Await([] { return false; }, 300);
    }

    platform::ManualClock clock;
    support::ScriptedDialogs dialogs;
    QTemporaryDir folder;
    std::vector<std::unique_ptr<support::SimulatedUnitLine>> lines;
    std::unique_ptr<TProgramForms> forms;
    std::vector<TmdiSubWindow*> windows;
    int recorded = 0;
    QRect opened;  // the active window as the program opened it
};

Program* gProgram = nullptr;

struct Figure {
    std::vector<double> meansMs;    // one per repetition
    std::vector<double> longestMs;  // all ten windows' ticks: the longest of each repetition
    std::vector<double> othersPct;  // the machine's other work during each repetition (-1: not known)
    double longestWindowMs = 0;     // one window's tick
    int points = 0;
    QSize chart;
    std::string unsound;  // why the case gave no figure
    bool Ran() const { return !meansMs.empty() && unsound.empty(); }
    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double MedianMs() const { return Median(meansMs); }
    double LongestMs() const { return Median(longestMs); }
};
std::map<std::string, Figure> gFigures;

void Measure(benchmark::State& state, int seconds, bool maximised, const char* name)
{
    // Made by the first case that runs: a run whose filter matches none makes nothing.
    if (!gProgram) gProgram = new Program;
    Program& p = *gProgram;
    p.RecordUpTo(seconds);
    p.Maximise(maximised);
    Figure& f = gFigures[name];
    // A history out of time order makes every drawing walk all points: not what a
    // recording costs.
    if (const std::string fault = p.TimeOrderFault(); !fault.empty()) {
        f.unsound = "time values out of order (" + fault + ")";
        state.SkipWithError(f.unsound.c_str());
        return;
    }
    double total = 0, longest = 0;
    int n = 0;
    p.LongestWindow = 0;
    const benchverdict::MachineLoad load;
    for (auto _ : state) {
        const double t = p.Tick();
        state.SetIterationTime(t);
        total += t;
        longest = std::max(longest, t);
        ++n;
    }
    if (n > 0) f.meansMs.push_back(total / n * 1000.0);
    f.longestMs.push_back(longest * 1000.0);
    const benchverdict::MachineLoad::TShares shares = load.SinceStart();
    f.othersPct.push_back(shares.Known ? shares.OthersPct : -1.0);
    f.longestWindowMs = std::max(f.longestWindowMs, p.LongestWindow * 1000.0);
    f.points = p.Points();
    f.chart = p.ChartSize();
    state.counters["core_share_pct"] = n ? total / n / 1.0 * 100.0 : 0;  // one tick a second
    state.counters["longest_ms"] = longest * 1000.0;
    state.counters["longest_window_ms"] = p.LongestWindow * 1000.0;
    state.counters["points_per_series"] = p.Points();
}

#define NOX_TICK_CASE(hours, seconds)                         \
    void BM_TenWindows_Opened_##hours(benchmark::State& s)    \
    {                                                         \
        Measure(s, seconds, false, "opened " #hours);         \
    }                                                         \
    void BM_TenWindows_Maximised_##hours(benchmark::State& s) \
    {                                                         \
        Measure(s, seconds, true, "maximised " #hours);       \
    }
NOX_TICK_CASE(0h, 0)
NOX_TICK_CASE(1h, 3600)
NOX_TICK_CASE(6h, 6 * 3600)
NOX_TICK_CASE(12h, kTwelveHours)
#undef NOX_TICK_CASE

// In the order of the recording's growth: a recording never gets shorter (so the
// repetitions are not interleaved). A tick at 0 h costs about a millisecond: enough of them
// that a case's mean is not one stray tick.
constexpr int kTicks = 60;
BENCHMARK(BM_TenWindows_Opened_0h)->UseManualTime()->Iterations(kTicks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenWindows_Maximised_0h)->UseManualTime()->Iterations(kTicks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenWindows_Opened_1h)->UseManualTime()->Iterations(kTicks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenWindows_Maximised_1h)->UseManualTime()->Iterations(kTicks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenWindows_Opened_6h)->UseManualTime()->Iterations(kTicks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenWindows_Maximised_6h)->UseManualTime()->Iterations(kTicks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenWindows_Opened_12h)->UseManualTime()->Iterations(kTicks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenWindows_Maximised_12h)->UseManualTime()->Iterations(kTicks)->Unit(benchmark::kMillisecond);

// The table and the verdict, from the cases that ran; false when none did.
constexpr double kLongestTickMs = 20.0;
constexpr double kCoreSharePct = 5.0;
constexpr double kGrowth = 1.5;

bool PrintSummary()
{
    bool any = false;
    for (const auto& [name, f] : gFigures) any = any || f.Ran() || !f.unsound.empty();
    if (!any) return false;
    std::printf("\nTen recording windows, one tick a second, user-interface thread CPU time\n");
    std::printf("%-10s %6s %10s %11s %8s %11s %11s %12s\n", "windows", "hours", "points", "core share", "growth",
                "longest ms", "one window", "chart");
    bool sound = true;
    int judged = 0;
    std::vector<std::string> unjudged, missed;
    for (const char* size : {"opened", "maximised"}) {
        const Figure& zero = gFigures[std::string(size) + " 0h"];
        for (const char* hours : {"0h", "1h", "6h", "12h"}) {
            const std::string name = std::string(size) + " " + hours;
            const Figure& f = gFigures[name];
            if (!f.unsound.empty()) {
                std::printf("%-10s %6s not measured: %s\n", size, hours, f.unsound.c_str());
                sound = false;
                continue;
            }
            if (!f.Ran()) continue;
            const double growth = zero.Ran() ? f.MedianMs() / zero.MedianMs() : 0;
            std::printf("%-10s %6s %10d %10.2f%% %7.2fx %11.2f %11.2f %6dx%d\n", size, hours, f.points,
                        f.MedianMs() / 10.0, growth, f.LongestMs(), f.longestWindowMs, f.chart.width(),
                        f.chart.height());
            // Each goal is judged where the repetitions agree on its side, and named as not
            // judged where they lie on both sides of it.
            auto judge = [&](const std::string& what, const benchverdict::TailVerdict& v) {
                if (!v.Met)
                    unjudged.push_back(what + ": " + v.Why);
                else if (++judged; !*v.Met)
                    missed.push_back(what + ": " + v.Figures);
            };
            if (std::string(hours) == "12h") {
                std::vector<double> shares;
                for (const double ms : f.meansMs) shares.push_back(ms / 10.0);
                judge("core share " + name,
                      benchverdict::JudgeTailOnCalmMachine(shares, f.othersPct, kCoreSharePct, " %"));
                // The stages ran one after the other: any repetition of the one may meet any
                // of the other's, and the growth is judged where every such pair agrees.
                if (!zero.Ran())
                    unjudged.push_back(std::string("growth ") + size + " (0 h not run)");
                else
                    judge(std::string("growth ") + size, benchverdict::JudgeRatio(f.meansMs, zero.meansMs, kGrowth));
            }
            // The longest tick is each repetition's longest: met where every repetition is
            // under the goal, missed where every one is over it on a calm machine.
            judge("longest tick " + name,
                  benchverdict::JudgeTailOnCalmMachine(f.longestMs, f.othersPct, kLongestTickMs));
        }
        if (!gFigures[std::string(size) + " 12h"].Ran()) unjudged.push_back(std::string(size) + " 12 h (not run)");
    }
    if (!sound) {
        std::printf("goals: no verdict, the measurement was not sound (see above)\n");
        return true;
    }
    std::printf(
        "goals: 12 h <= 5 %% of a core, growth 0 h -> 12 h <= 1.5x, longest tick of all ten <= 20 ms (each judged\n"
        "where every repetition lies on the same side of it; a share or tick over it only on a calm machine): %s%s\n"
        "(\"longest ms\": all ten windows ticking in the same second; \"one window\": the longest single\n"
        "window's timer event with its repaint, as the event loop meets them when the timers fall apart)\n",
        judged == 0      ? "no goal judged"
        : missed.empty() ? "met"
                         : "MISSED",
        judged == 0 || unjudged.empty() ? "" : " (of what was judged)");
    for (const std::string& m : missed) std::printf("missed: %s\n", m.c_str());
    for (const std::string& u : unjudged) std::printf("not judged: %s\n", u.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    // The screen the program is measured on, whatever the caller's environment names: a
    // tick's cost follows what its windows paint, and a smaller screen hides most of them.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" NOX_SCREENS_DIR "/1920x1080.json");
    platform::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    // What the program keeps in its settings goes to a folder of the run's own.
    const QTemporaryDir settings;
    support::KeepSettingsIn(settings.path());
    const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize();
    if (screen != QSize(1920, 1080)) {
        std::printf("not measured: the screen is %dx%d, not the 1920x1080 the goals are for\n", screen.width(),
                    screen.height());
        return 1;
    }
    std::printf("screen %dx%d\n", screen.width(), screen.height());
    ResetFormatSettings();
    platform::UiDispatcher::Instance();
    // Three repetitions of each case by default, in order; the verdict takes their medians.
    // (The 12 h stages' ticks of more repetitions would run past the end of the 12-hour part.)
    benchverdict::Arguments args(argc, argv, 3, false);
    benchmark::Initialize(&args.Count, args.Values());
    if (benchmark::ReportUnrecognizedArguments(args.Count, args.Values())) return 1;
    const bool ran = benchverdict::RunCases(nullptr) && PrintSummary();
    delete gProgram;
    benchmark::Shutdown();
    return ran ? 0 : benchverdict::NoCaseRan();
}
